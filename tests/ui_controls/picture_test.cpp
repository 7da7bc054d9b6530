// Picture decoding shared by the controls: format recognition, the decoders, and the
// centring arithmetic of "centred and shrunk to fit".
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "tests/ui_controls/controls_harness.h"
#include "ui/picture.h"

namespace quill::test {
namespace {

std::string Bytes(std::initializer_list<int> b) {
    std::string s;
    for (int v : b) s.push_back(static_cast<char>(v));
    return s;
}

PictureFormat Detect(const std::string& s) { return DetectPictureFormat(s.data(), s.size()); }

TEST(PictureFormatTest, RecognisesEachFormatByItsFirstBytes) {
    EXPECT_EQ(Detect(Bytes({0xFF, 0xD8, 0xFF, 0xE0, 0, 0})), PictureFormat::Jpeg);
    EXPECT_EQ(Detect(std::string("BM\x10\0\0\0", 6)), PictureFormat::Bmp);
    EXPECT_EQ(Detect(Bytes({0, 0, 1, 0, 1, 0})), PictureFormat::Icon);
    EXPECT_EQ(Detect(Bytes({0, 0, 2, 0, 1, 0})), PictureFormat::Cursor);
    EXPECT_EQ(Detect("GIF87a"), PictureFormat::Gif);
    EXPECT_EQ(Detect("GIF89a"), PictureFormat::Gif);
    EXPECT_EQ(Detect(Bytes({0x0A, 5, 1, 8, 0, 0})), PictureFormat::Pcx);
    EXPECT_EQ(Detect(Bytes({0x0A, 3, 1, 1, 0, 0})), PictureFormat::Pcx);
}

TEST(PictureFormatTest, AnythingElseIsNoPicture) {
    EXPECT_EQ(Detect(Bytes({0xFF, 0xD8, 0xFF, 0xE0, 0})), PictureFormat::None);  // fewer than 6 bytes
    EXPECT_EQ(Detect(""), PictureFormat::None);
    EXPECT_EQ(Detect(Bytes({0, 0, 1, 0, 0, 0})), PictureFormat::None);  // icon directory without images
    EXPECT_EQ(Detect("GIF88a"), PictureFormat::None);
    EXPECT_EQ(Detect(Bytes({0x0A, 6, 1, 8, 0, 0})), PictureFormat::None);  // PCX version above 5
    EXPECT_EQ(Detect(Bytes({0x0A, 5, 1, 1, 0, 0})), PictureFormat::None);  // 1 bit only in version 3
    EXPECT_EQ(Detect(Bytes({0x0A, 5, 0, 8, 0, 0})), PictureFormat::None);  // not run-length encoded
    EXPECT_EQ(Detect("PK\3\4\0\0"), PictureFormat::None);
}

COLORREF PixelOf(Picture& pic, int x, int y) {
    HBITMAP bmp = pic.TakeBitmap();
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bmp);
    const COLORREF c = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bmp);
    return c;
}

TEST(PictureDecodeTest, JpegAssetsDecodeAtTheirOwnSize) {
    const struct {
        const char* name;
        int w, h;
    } assets[] = {{"button_install.jpg", 220, 80}, {"cross_blue.jpg", 27, 22}, {"logo_flame.jpg", 424, 534},
                  {"logo_flame_small.jpg", 250, 256}};
    for (const auto& a : assets) {
        Picture pic = Picture::Decode(Asset(a.name));
        ASSERT_FALSE(pic.empty()) << a.name;
        EXPECT_EQ(pic.width(), a.w) << a.name;
        EXPECT_EQ(pic.height(), a.h) << a.name;
        EXPECT_FALSE(pic.isIcon());
    }
    // The flame's corner is the logo's blue (#1683c4), not a channel-swapped colour.
    Picture logo = Picture::Decode(Asset("logo_flame.jpg"));
    EXPECT_TRUE(Near(PixelOf(logo, 2, 2), RGB(0x16, 0x83, 0xC4), 8));
}

TEST(PictureDecodeTest, BmpAndGifGoThroughTheSystemLoader) {
    // Rows differ, so an upside-down copy would show.
    Picture bmp = Picture::Decode(MakeBmp(6, 4, [](int, int y) { return y == 0 ? kRed : kBlue; }));
    ASSERT_FALSE(bmp.empty());
    EXPECT_EQ(bmp.width(), 6);
    EXPECT_EQ(bmp.height(), 4);
    Picture again = Picture::Decode(MakeBmp(6, 4, [](int, int y) { return y == 0 ? kRed : kBlue; }));
    EXPECT_EQ(PixelOf(bmp, 3, 0), kRed);
    EXPECT_EQ(PixelOf(again, 3, 3), kBlue);

    // A 1 x 1 GIF whose only pixel is red.
    const std::string gif = std::string("GIF89a\x01\x00\x01\x00\x80\x00\x00", 13) +
                            Bytes({0xFF, 0, 0, 0, 0, 0}) + std::string("\x2C\0\0\0\0\x01\0\x01\0\0\x02\x02\x44\x01\0\x3B", 16);
    Picture pic = Picture::Decode(gif);
    ASSERT_FALSE(pic.empty());
    EXPECT_EQ(pic.width(), 1);
    EXPECT_EQ(PixelOf(pic, 0, 0), kRed);
}

TEST(PictureDecodeTest, IconsTakeTheLargestImageAndDrawOnWhite) {
    Picture app = Picture::Decode(Asset("app.ico"));
    ASSERT_TRUE(app.isIcon());
    EXPECT_EQ(app.width(), 128);
    EXPECT_EQ(app.height(), 128);

    Picture icon = Picture::Decode(Asset("icon48.ico"));
    ASSERT_TRUE(icon.isIcon());
    EXPECT_EQ(icon.width(), 48);
    // The rounded corner is transparent: the button's bitmap shows white there, the
    // flame's blue inside.
    HBITMAP bmp = icon.TakeBitmap();
    ASSERT_NE(bmp, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bmp);
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 255, 255));
    EXPECT_TRUE(Near(GetPixel(dc, 4, 24), RGB(0x16, 0x83, 0xC4), 8));
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bmp);

    // The same image stored as a cursor file (type 2, hot spot in the directory).
    std::string cursor = Asset("icon48.ico");
    cursor[2] = 2;
    cursor[10] = 5;  // hot spot x
    cursor[12] = 7;  // hot spot y
    Picture cur = Picture::Decode(cursor);
    ASSERT_TRUE(cur.isIcon());
    EXPECT_EQ(cur.width(), 48);
}

TEST(PictureDecodeTest, BrokenOrUndrawablePicturesGiveNothing) {
    std::string jpeg = Asset("cross_blue.jpg");
    EXPECT_TRUE(Picture::Decode(jpeg.substr(0, 40)).empty());
    EXPECT_TRUE(Picture::Decode(Bytes({0x0A, 5, 1, 8, 0, 0, 0, 0, 9, 0, 9, 0})).empty());  // PCX: not drawn
    EXPECT_TRUE(Picture::Decode("BM garbage that is no bitmap").empty());
    std::string icon = Asset("icon48.ico");
    EXPECT_TRUE(Picture::Decode(icon.substr(0, 30)).empty());  // image data cut away
    EXPECT_EQ(DecodePictureBitmap(""), nullptr);
}

// A 16 x 8 four-channel JPEG, left half red, right half blue, written the way print
// software does: stored as `space` with the inks inverted when there is an Adobe marker.
std::string FourChannelJpeg(J_COLOR_SPACE space, bool adobe) {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = 16;
    c.image_height = 8;
    c.input_components = 4;
    c.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_colorspace(&c, space);
    c.write_Adobe_marker = adobe ? TRUE : FALSE;
    jpeg_set_quality(&c, 95, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<unsigned char> row(16 * 4);
    for (int x = 0; x < 16; ++x) {
        // Inks: red is magenta and yellow, blue is cyan and magenta.
        const unsigned char ink[4] = {static_cast<unsigned char>(x < 8 ? 0 : 255), 255,
                                      static_cast<unsigned char>(x < 8 ? 255 : 0), 0};
        for (int i = 0; i < 4; ++i) row[x * 4 + i] = adobe ? 255 - ink[i] : ink[i];
    }
    while (c.next_scanline < c.image_height) {
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::string bytes(reinterpret_cast<char*>(out), size);
    free(out);
    return bytes;
}

TEST(PictureDecodeTest, CmykAndYcckJpegsDecodeInTheirColours) {
    const struct {
        J_COLOR_SPACE space;
        bool adobe;
    } cases[] = {{JCS_CMYK, true}, {JCS_YCCK, true}, {JCS_CMYK, false}};
    for (const auto& c : cases) {
        Picture pic = Picture::Decode(FourChannelJpeg(c.space, c.adobe));
        ASSERT_FALSE(pic.empty()) << c.space << " " << c.adobe;
        EXPECT_EQ(pic.width(), 16);
        HBITMAP bmp = pic.TakeBitmap();
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, bmp);
        EXPECT_TRUE(Near(GetPixel(dc, 3, 4), kRed, 40)) << c.space << " " << c.adobe;
        EXPECT_TRUE(Near(GetPixel(dc, 12, 4), kBlue, 40)) << c.space << " " << c.adobe;
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bmp);
    }
}

TEST(PictureDecodeTest, HeadersClaimingHugeSizesAreUndecodable) {
    // The JPEG frame header (SOF0: FF C0, length, precision, height, width).
    std::string jpeg = Asset("cross_blue.jpg");
    const size_t sof = jpeg.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    std::string huge = jpeg;
    for (size_t at : {sof + 5, sof + 7}) {  // 30000 = 0x7530, big-endian
        huge[at] = 0x75;
        huge[at + 1] = 0x30;
    }
    std::string bmp = MakeBmp(2, 2, [](int, int) { return kRed; });
    for (size_t at : {size_t(18), size_t(22)}) {  // width, height: 30000 little-endian
        bmp[at] = 0x30;
        bmp[at + 1] = 0x75;
    }
    std::string gif = std::string("GIF89a\x30\x75\x30\x75\x80\x00\x00", 13) + Bytes({0xFF, 0, 0, 0, 0, 0}) +
                      std::string("\x2C\0\0\0\0\x01\0\x01\0\0\x02\x02\x44\x01\0\x3B", 16);
    for (const std::string& bytes : {huge, bmp, gif}) EXPECT_TRUE(Picture::Decode(bytes).empty());
    EXPECT_TRUE(PictureSizeAllowed(4096, 4096));
    EXPECT_FALSE(PictureSizeAllowed(4097, 4096));
    EXPECT_FALSE(PictureSizeAllowed(30000, 1));
}

TEST(CentredFitTest, FitsUnscaledOrShrinksByTheSmallerRatio) {
    const RECT box{0, 0, 100, 100};
    const RECT small = CentredFit(box, 30, 20);
    EXPECT_EQ(small.left, 35);
    EXPECT_EQ(small.top, 40);
    EXPECT_EQ(small.right - small.left, 30);
    EXPECT_EQ(small.bottom - small.top, 20);

    const RECT wide = CentredFit(box, 400, 200);
    EXPECT_EQ(wide.left, 0);
    EXPECT_EQ(wide.top, 25);
    EXPECT_EQ(wide.right, 100);
    EXPECT_EQ(wide.bottom, 75);

    // The installer's logo: 424 x 534 into 211 x 211, height decides, width truncated.
    const RECT logo = CentredFit(RECT{0, 0, 211, 211}, 424, 534);
    EXPECT_EQ(logo.bottom - logo.top, 211);
    EXPECT_EQ(logo.right - logo.left, 424 * 211 / 534);
    EXPECT_EQ(logo.left, (211 - 424 * 211 / 534) / 2);

    // Ratios of thirds: the deciding side fills the box exactly, with no rounding loss.
    const RECT thirds = CentredFit(RECT{0, 0, 100, 100}, 300, 150);
    EXPECT_EQ(thirds.right - thirds.left, 100);
    EXPECT_EQ(thirds.bottom - thirds.top, 50);
}

}  // namespace
}  // namespace quill::test
