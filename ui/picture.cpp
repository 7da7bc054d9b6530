#include "ui/picture.h"

#include <ole2.h>
#include <olectl.h>

#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

namespace quill {

namespace {

// ---- JPEG ---------------------------------------------------------------------------------

struct JpegErrors {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

void OnJpegError(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<JpegErrors*>(cinfo->err)->jump, 1); }
void OnJpegMessage(j_common_ptr) {}  // a GUI program has nowhere to print warnings

// Turns a row of CMYK samples into the DIB's blue, green, red, pad in place. Files written
// by Adobe software store the four inks inverted (0 = full ink), which is how most
// CMYK and YCCK pictures prepared for print arrive.
void CmykRowToBgrx(uint8_t* row, unsigned width, bool inverted) {
    for (unsigned x = 0; x < width; ++x) {
        uint8_t* p = row + 4 * x;
        unsigned c = p[0], m = p[1], y = p[2], k = p[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        p[0] = static_cast<uint8_t>(y * k / 255);
        p[1] = static_cast<uint8_t>(m * k / 255);
        p[2] = static_cast<uint8_t>(c * k / 255);
        p[3] = 0;
    }
}

// Decodes into a new 32-bit DIB section. Only trivially destructible locals live here,
// because libjpeg reports errors by jumping back to the setjmp.
HBITMAP JpegToDib(const uint8_t* data, size_t size, int* width, int* height) {
    jpeg_decompress_struct cinfo;
    JpegErrors errors;
    HBITMAP volatile bitmap = nullptr;
    cinfo.err = jpeg_std_error(&errors.mgr);
    errors.mgr.error_exit = OnJpegError;
    errors.mgr.output_message = OnJpegMessage;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&cinfo);
        if (bitmap) DeleteObject(bitmap);
        return nullptr;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    if (!PictureSizeAllowed(cinfo.image_width, cinfo.image_height)) {
        jpeg_destroy_decompress(&cinfo);
        return nullptr;
    }
    // Four-channel pictures come out as CMYK (libjpeg turns YCCK into it) and are
    // converted row by row; the rest as the DIB's own byte order (blue, green, red,
    // pad), which libjpeg-turbo writes directly.
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    const bool inverted = cmyk && cinfo.saw_Adobe_marker;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX;
    jpeg_start_decompress(&cinfo);
    const int w = static_cast<int>(cinfo.output_width);
    const int h = static_cast<int>(cinfo.output_height);
    void* bits = nullptr;
    bitmap = CreateDib32(w, h, &bits);
    if (!bitmap) {
        jpeg_destroy_decompress(&cinfo);
        return nullptr;
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = static_cast<JSAMPROW>(bits) + static_cast<size_t>(cinfo.output_scanline) * w * 4;
        jpeg_read_scanlines(&cinfo, &row, 1);
        if (cmyk) CmykRowToBgrx(row, cinfo.output_width, inverted);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    *width = w;
    *height = h;
    return bitmap;
}

// ---- OLE picture loader (BMP, GIF) ----------------------------------------------------------

template <class I>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() {
        if (p_) p_->Release();
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    I* operator->() const { return p_; }
    I* get() const { return p_; }
    I** out() { return &p_; }

private:
    I* p_ = nullptr;
};

// COM for the decoding call, when the calling thread has not set it up itself.
class ComScope {
public:
    ComScope() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(hr_)) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    HRESULT hr_;
};

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

}  // namespace

Picture DecodeJpeg(const std::string& bytes) {
    Picture pic;
    int w = 0, h = 0;
    HBITMAP bmp = JpegToDib(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &w, &h);
    if (!bmp) return pic;
    pic.bitmap_.reset(bmp);
    pic.width_ = w;
    pic.height_ = h;
    return pic;
}

// The size a BMP or GIF header claims, checked before the system loader allocates for it.
static bool HeaderSizeAllowed(const std::string& bytes, PictureFormat format) {
    const auto* b = reinterpret_cast<const uint8_t*>(bytes.data());
    if (format == PictureFormat::Gif) return bytes.size() >= 10 && PictureSizeAllowed(U16(b + 6), U16(b + 8));
    if (bytes.size() < 26) return false;
    if (U32(b + 14) == 12) return PictureSizeAllowed(U16(b + 18), U16(b + 20));  // the old core header
    const auto w = static_cast<int32_t>(U32(b + 18)), h = static_cast<int32_t>(U32(b + 22));
    return w > 0 && h != 0 && h != INT32_MIN && PictureSizeAllowed(w, h < 0 ? -h : h);
}

Picture DecodeOlePicture(const std::string& bytes, PictureFormat format) {
    Picture pic;
    if (!HeaderSizeAllowed(bytes, format)) return pic;
    ComScope com;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!memory) return pic;
    if (void* p = GlobalLock(memory)) {
        std::memcpy(p, bytes.data(), bytes.size());
        GlobalUnlock(memory);
    }
    ComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(memory, TRUE, stream.out()))) {
        GlobalFree(memory);
        return pic;
    }
    ComPtr<IPicture> loaded;
    if (FAILED(OleLoadPicture(stream.get(), static_cast<LONG>(bytes.size()), FALSE, IID_IPicture,
                              reinterpret_cast<void**>(loaded.out()))))
        return pic;
    SHORT type = PICTYPE_NONE;
    OLE_HANDLE handle = 0;
    if (FAILED(loaded->get_Type(&type)) || type != PICTYPE_BITMAP || FAILED(loaded->get_Handle(&handle)))
        return pic;
    BITMAP info{};
    if (!GetObjectW(reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle)), sizeof(info), &info) ||
        info.bmWidth <= 0 || info.bmHeight == 0)
        return pic;
    const int w = info.bmWidth;
    const int h = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    OLE_XSIZE_HIMETRIC hmWidth = 0;
    OLE_YSIZE_HIMETRIC hmHeight = 0;
    loaded->get_Width(&hmWidth);
    loaded->get_Height(&hmHeight);
    Bitmap dib(CreateDib32(w, h, nullptr));
    MemoryDC dc;
    if (!dib || !dc) return pic;
    {
        Selection sel(dc.get(), dib.get());
        // A transparent GIF shows white where it has no pixels, like an icon on a button.
        PatBlt(dc.get(), 0, 0, w, h, WHITENESS);
        if (FAILED(loaded->Render(dc.get(), 0, 0, w, h, 0, hmHeight, hmWidth, -hmHeight, nullptr))) return pic;
    }
    pic.bitmap_ = std::move(dib);
    pic.width_ = w;
    pic.height_ = h;
    return pic;
}

// ---- icons and cursors --------------------------------------------------------------------

// The image of an icon or cursor file to use for `size` pixels: the smallest at least
// that large, else the largest; of equal sizes the deepest. 0 asks for the largest. -1
// when the directory holds no usable image.
static int ChooseIconImage(const std::string& bytes, bool cursor, unsigned size) {
    const auto* b = reinterpret_cast<const uint8_t*>(bytes.data());
    if (bytes.size() < 6) return -1;
    const unsigned count = U16(b + 4);
    if (count == 0 || 6 + 16 * size_t(count) > bytes.size()) return -1;
    int best = -1;
    unsigned bestSide = 0, bestDepth = 0;
    auto better = [size](unsigned side, unsigned depth, unsigned bestSide, unsigned bestDepth) {
        if (side == bestSide) return depth > bestDepth;
        if (size == 0) return side > bestSide;
        const bool fits = side >= size, bestFits = bestSide >= size;
        if (fits != bestFits) return fits;
        return fits ? side < bestSide : side > bestSide;
    };
    for (unsigned i = 0; i < count; ++i) {
        const uint8_t* e = b + 6 + 16 * i;
        const unsigned side = e[0] ? e[0] : 256;
        const unsigned depth = cursor ? 0 : U16(e + 6);
        const uint32_t length = U32(e + 8), offset = U32(e + 12);
        if (offset > bytes.size() || length > bytes.size() - offset || length < 8) continue;
        if (best < 0 || better(side, depth, bestSide, bestDepth)) {
            best = static_cast<int>(i);
            bestSide = side;
            bestDepth = depth;
        }
    }
    return best;
}

// An icon or cursor handle from image `index` of the file, drawn at w x h.
static HICON IconFromImage(const std::string& bytes, bool cursor, int index, int w, int h) {
    const uint8_t* e = reinterpret_cast<const uint8_t*>(bytes.data()) + 6 + 16 * index;
    const uint32_t length = U32(e + 8), offset = U32(e + 12);
    std::string resource;
    if (cursor) {
        // A cursor resource starts with its hot spot, which the file keeps in the directory.
        resource.append(reinterpret_cast<const char*>(e + 4), 4);
    }
    resource.append(bytes, offset, length);
    return CreateIconFromResourceEx(reinterpret_cast<PBYTE>(&resource[0]), static_cast<DWORD>(resource.size()),
                                    cursor ? FALSE : TRUE, 0x00030000, w, h, LR_DEFAULTCOLOR);
}

Picture DecodeIconFile(const std::string& bytes, bool cursor) {
    Picture pic;
    // Of several images the largest, and of equal sizes the deepest, looks best when drawn
    // at its own size.
    const int best = ChooseIconImage(bytes, cursor, 0);
    if (best < 0) return pic;
    const uint8_t* e = reinterpret_cast<const uint8_t*>(bytes.data()) + 6 + 16 * best;
    const int w = e[0] ? e[0] : 256, h = e[1] ? e[1] : 256;
    HICON icon = IconFromImage(bytes, cursor, best, w, h);
    if (!icon) return pic;
    pic.icon_.reset(icon);
    pic.width_ = w;
    pic.height_ = h;
    return pic;
}

Picture Picture::Decode(const std::string& bytes) {
    const PictureFormat format = DetectPictureFormat(bytes.data(), bytes.size());
    switch (format) {
    case PictureFormat::Jpeg: return DecodeJpeg(bytes);
    case PictureFormat::Bmp:
    case PictureFormat::Gif: return DecodeOlePicture(bytes, format);
    case PictureFormat::Icon: return DecodeIconFile(bytes, false);
    case PictureFormat::Cursor: return DecodeIconFile(bytes, true);
    case PictureFormat::Pcx:  // recognised, but nothing here draws it
    case PictureFormat::None: break;
    }
    return Picture();
}

void Picture::Draw(HDC dc, int x, int y, int w, int h) const {
    if (w <= 0 || h <= 0) return;
    if (icon_) {
        DrawIconEx(dc, x, y, icon_.get(), w, h, 0, nullptr, DI_NORMAL);
        return;
    }
    if (!bitmap_) return;
    MemoryDC src(dc);
    Selection sel(src.get(), bitmap_.get());
    if (w == width_ && h == height_) {
        BitBlt(dc, x, y, w, h, src.get(), 0, 0, SRCCOPY);
        return;
    }
    const int oldMode = SetStretchBltMode(dc, HALFTONE);
    POINT oldOrigin;
    SetBrushOrgEx(dc, 0, 0, &oldOrigin);
    StretchBlt(dc, x, y, w, h, src.get(), 0, 0, width_, height_, SRCCOPY);
    SetBrushOrgEx(dc, oldOrigin.x, oldOrigin.y, nullptr);
    SetStretchBltMode(dc, oldMode);
}

HBITMAP Picture::TakeBitmap() {
    if (bitmap_) return bitmap_.release();
    if (!icon_) return nullptr;
    Bitmap dib(CreateDib32(width_, height_, nullptr));
    MemoryDC dc;
    if (!dib || !dc) return nullptr;
    {
        Selection sel(dc.get(), dib.get());
        PatBlt(dc.get(), 0, 0, width_, height_, WHITENESS);
        DrawIconEx(dc.get(), 0, 0, icon_.get(), width_, height_, 0, nullptr, DI_NORMAL);
    }
    icon_.reset();
    return dib.release();
}

RECT CentredFit(const RECT& box, int w, int h) {
    const int64_t bw = box.right - box.left, bh = box.bottom - box.top;
    int64_t dw = w, dh = h;
    if (w > 0 && h > 0 && (w > bw || h > bh)) {
        // Integer cross-multiplication picks the smaller ratio without rounding errors: the
        // side that decides fills the box exactly.
        if (bw * h <= bh * w) {
            dw = bw;
            dh = int64_t(h) * bw / w;
        } else {
            dh = bh;
            dw = int64_t(w) * bh / h;
        }
    }
    const LONG x = box.left + static_cast<LONG>((bw - dw) / 2);
    const LONG y = box.top + static_cast<LONG>((bh - dh) / 2);
    return RECT{x, y, x + static_cast<LONG>(dw), y + static_cast<LONG>(dh)};
}

HBITMAP DecodePictureBitmap(const std::string& bytes) { return Picture::Decode(bytes).TakeBitmap(); }

bool PictureSizeAllowed(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
           width * height <= kMaxPicturePixels;
}

HICON IconFromPicture(const std::string& bytes, int size) {
    const PictureFormat format = DetectPictureFormat(bytes.data(), bytes.size());
    if (format == PictureFormat::Icon || format == PictureFormat::Cursor) {
        const bool cursor = format == PictureFormat::Cursor;
        const int index = ChooseIconImage(bytes, cursor, static_cast<unsigned>(size));
        return index < 0 ? nullptr : IconFromImage(bytes, cursor, index, size, size);
    }
    // Any other picture becomes an opaque icon of its own size; the system scales it.
    Picture pic = Picture::Decode(bytes);
    const int w = pic.width(), h = pic.height();
    Bitmap colour(pic.TakeBitmap());
    if (!colour) return nullptr;
    Bitmap mask(CreateBitmap(w, h, 1, 1, nullptr));
    if (!mask) return nullptr;
    {
        MemoryDC dc;
        Selection sel(dc.get(), mask.get());
        PatBlt(dc.get(), 0, 0, w, h, BLACKNESS);  // black mask: every pixel shows
    }
    ICONINFO info{TRUE, 0, 0, mask.get(), colour.get()};
    return CreateIconIndirect(&info);
}

}  // namespace quill
