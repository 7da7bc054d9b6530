// Pictures of the controls (buttons, boxes, label backgrounds) decoded from their stored
// bytes: JPEG through libjpeg, BMP and GIF through the system's OLE picture loader, icons
// and cursors through CreateIconFromResourceEx. PCX is recognised but not drawn.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "ui/gdi.h"
#include "ui/picture_format.h"

namespace quill {

class Picture {
public:
    Picture() = default;
    Picture(Picture&&) = default;
    Picture& operator=(Picture&&) = default;

    // An empty picture for empty, unrecognised or undecodable bytes.
    static Picture Decode(const std::string& bytes);

    bool empty() const { return !bitmap_ && !icon_; }
    int width() const { return width_; }
    int height() const { return height_; }
    // An icon or a cursor: drawn with its own transparency.
    bool isIcon() const { return static_cast<bool>(icon_); }

    // Draws the picture into the rectangle (x, y, w, h), scaling when the size differs.
    void Draw(HDC dc, int x, int y, int w, int h) const;
    void Draw(HDC dc, int x, int y) const { Draw(dc, x, y, width_, height_); }

    // An opaque bitmap of the picture at its own size: the decoded bitmap itself, or an
    // icon drawn onto white. Leaves the picture empty. Null for an empty picture.
    HBITMAP TakeBitmap();

private:
    Bitmap bitmap_;    // 32-bit top-down DIB section
    IconHandle icon_;  // icon or cursor
    int width_ = 0, height_ = 0;

    friend Picture DecodeJpeg(const std::string& bytes);
    friend Picture DecodeOlePicture(const std::string& bytes, PictureFormat format);
    friend Picture DecodeIconFile(const std::string& bytes, bool cursor);
};

// Where a picture of w x h goes when centred in `box` and shrunk to fit: its own size
// when it fits, else scaled by the smaller of the two ratios (sizes truncated).
RECT CentredFit(const RECT& box, int w, int h);

// The opaque bitmap of picture bytes, or null (see Picture::TakeBitmap).
HBITMAP DecodePictureBitmap(const std::string& bytes);

// A decoded picture is at most this large; a header that claims more is taken as
// undecodable rather than asking for gigabytes of bitmap.
constexpr int64_t kMaxPictureSide = 16384;
constexpr int64_t kMaxPicturePixels = 4096 * 4096;
bool PictureSizeAllowed(int64_t width, int64_t height);

// An icon of size x size pixels made from picture bytes: the best-fitting image of an
// icon or cursor file, or any other picture as an opaque icon. Null when undecodable;
// the caller destroys it.
HICON IconFromPicture(const std::string& bytes, int size);

}  // namespace quill
