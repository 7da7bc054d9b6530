#include "ui/picture.h"

#include <ole2.h>
#include <olectl.h>

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
    // libjpeg-turbo writes the DIB's own byte order (blue, green, red, pad) directly.
    cinfo.out_color_space = JCS_EXT_BGRX;
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

Picture DecodeOlePicture(const std::string& bytes) {
    Picture pic;
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
    if (!GetObjectA(reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle)), sizeof(info), &info) ||
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

Picture DecodeIconFile(const std::string& bytes, bool cursor) {
    Picture pic;
    const auto* b = reinterpret_cast<const uint8_t*>(bytes.data());
    const size_t size = bytes.size();
    const unsigned count = U16(b + 4);
    if (count == 0 || 6 + 16 * size_t(count) > size) return pic;
    // Of several images the largest, and of equal sizes the deepest, looks best when drawn
    // at its own size.
    int best = -1;
    unsigned bestArea = 0, bestDepth = 0;
    for (unsigned i = 0; i < count; ++i) {
        const uint8_t* e = b + 6 + 16 * i;
        const unsigned w = e[0] ? e[0] : 256, h = e[1] ? e[1] : 256;
        const unsigned depth = cursor ? 0 : U16(e + 6);
        const uint32_t length = U32(e + 8), offset = U32(e + 12);
        if (offset > size || length > size - offset || length < 8) continue;
        if (best < 0 || w * h > bestArea || (w * h == bestArea && depth > bestDepth)) {
            best = static_cast<int>(i);
            bestArea = w * h;
            bestDepth = depth;
        }
    }
    if (best < 0) return pic;
    const uint8_t* e = b + 6 + 16 * best;
    const int w = e[0] ? e[0] : 256, h = e[1] ? e[1] : 256;
    const uint32_t length = U32(e + 8), offset = U32(e + 12);
    std::string resource;
    if (cursor) {
        // A cursor resource starts with its hot spot, which the file keeps in the directory.
        resource.append(reinterpret_cast<const char*>(e + 4), 4);
    }
    resource.append(bytes, offset, length);
    HICON icon = CreateIconFromResourceEx(reinterpret_cast<PBYTE>(&resource[0]), static_cast<DWORD>(resource.size()),
                                          cursor ? FALSE : TRUE, 0x00030000, w, h, LR_DEFAULTCOLOR);
    if (!icon) return pic;
    pic.icon_.reset(icon);
    pic.width_ = w;
    pic.height_ = h;
    return pic;
}

Picture Picture::Decode(const std::string& bytes) {
    switch (DetectPictureFormat(bytes.data(), bytes.size())) {
    case PictureFormat::Jpeg: return DecodeJpeg(bytes);
    case PictureFormat::Bmp:
    case PictureFormat::Gif: return DecodeOlePicture(bytes);
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

}  // namespace quill
