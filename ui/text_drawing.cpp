#include "ui/text_drawing.h"

#include <cstring>

#include "ui/gdi.h"

namespace quill {

namespace {

// The stored font with the fields that make the result independent of the machine that
// stored it: any character set, default precisions, the best quality, any pitch.
HFONT CreateStoredFont(const std::string& bytes) {
    if (bytes.size() != kLogFontSize) return nullptr;
    LOGFONTA lf;
    std::memcpy(&lf, bytes.data(), sizeof(lf));
    lf.lfFaceName[LF_FACESIZE - 1] = '\0';
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfOutPrecision = 0;
    lf.lfClipPrecision = 0;
    lf.lfQuality = PROOF_QUALITY;
    lf.lfPitchAndFamily = 0;
    return CreateFontIndirectA(&lf);
}

void DrawLayer(HDC dc, const std::string& text, RECT r, int dx, int dy, COLORREF colour, UINT format) {
    OffsetRect(&r, dx, dy);
    SetTextColor(dc, colour);
    DrawTextA(dc, text.data(), static_cast<int>(text.size()), &r, format);
}

}  // namespace

UINT TextFormat(const TextLook& look) {
    UINT format = DT_NOCLIP;
    switch (look.hAlign) {
    case 1: format |= DT_CENTER; break;
    case 2: format |= DT_RIGHT; break;
    default: format |= DT_LEFT; break;
    }
    if (look.wordWrap == 1) {
        // DT_VCENTER has no effect without DT_SINGLELINE: wrapped text starts at the top.
        format |= DT_WORDBREAK | DT_VCENTER;
    } else {
        format |= DT_SINGLELINE;
        switch (look.vAlign) {
        case 0: format |= DT_TOP; break;
        case 2: format |= DT_BOTTOM; break;
        default: format |= DT_VCENTER; break;
        }
    }
    return format;
}

void DrawLookText(HDC dc, const std::string& text, RECT r, const TextLook& look) {
    if (text.empty()) return;
    Font created(CreateStoredFont(look.font));
    HGDIOBJ font = created ? static_cast<HGDIOBJ>(created.get()) : GetStockObject(DEFAULT_GUI_FONT);
    Selection sel(dc, font);
    const UINT format = TextFormat(look);
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = GetTextColor(dc);
    switch (look.effect) {
    case 1: DrawLayer(dc, text, r, 1, 1, RGB(255, 255, 255), format); break;
    case 2:
        DrawLayer(dc, text, r, 0, 0, RGB(255, 255, 255), format);
        OffsetRect(&r, 1, 1);
        break;
    case 3: DrawLayer(dc, text, r, 2, 2, RGB(0, 0, 0), format); break;
    default: break;
    }
    DrawLayer(dc, text, r, 0, 0, static_cast<COLORREF>(look.colour & 0x00FFFFFF), format);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
}

std::string WindowText(HWND hwnd) {
    const int n = GetWindowTextLengthA(hwnd);
    if (n <= 0) return {};
    std::string s(static_cast<size_t>(n) + 1, '\0');
    const int got = GetWindowTextA(hwnd, &s[0], n + 1);
    s.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return s;
}

std::string FontFaceName(const std::string& font) {
    if (font.size() != kLogFontSize) return {};
    const char* face = font.data() + offsetof(LOGFONTA, lfFaceName);
    return std::string(face, strnlen(face, LF_FACESIZE));
}

}  // namespace quill
