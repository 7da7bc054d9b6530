#include "ui/text_drawing.h"

#include <cstddef>
#include <cstring>
#include <cwchar>

#include "base/wide_text.h"
#include "ui/gdi.h"

namespace quill {

namespace {

void DrawLayer(HDC dc, const std::wstring& text, RECT r, int dx, int dy, COLORREF colour, UINT format) {
    OffsetRect(&r, dx, dy);
    SetTextColor(dc, colour);
    DrawTextW(dc, text.data(), static_cast<int>(text.size()), &r, format);
}

}  // namespace

HFONT CreateLabelFont(const std::string& stored) {
    LOGFONTW lf{};
    if (stored.size() == kLogFontSize) {
        // The stored record is the narrow one: everything before the face name is laid out
        // alike in both forms, and the face name is a text of the system.
        std::memcpy(&lf, stored.data(), offsetof(LOGFONTA, lfFaceName));
        const std::wstring face = ToWide(FontFaceName(stored)).substr(0, LF_FACESIZE - 1);
        face.copy(lf.lfFaceName, face.size());
        // Default precisions, the best quality, any pitch: nothing of the machine that
        // stored it.
        lf.lfOutPrecision = 0;
        lf.lfClipPrecision = 0;
        lf.lfQuality = PROOF_QUALITY;
        lf.lfPitchAndFamily = 0;
    } else {
        // The stock GUI font as a Simplified Chinese system has it: 9 points.
        lf.lfHeight = -12;
        lf.lfWeight = FW_NORMAL;
    }
    // The texts are Chinese, so the fonts are those a Simplified Chinese system picks: any
    // character set is realised there as GB2312 and a font without a face name in SimSun,
    // which every Windows carries. Asked for in the system's own set, a western system would
    // pick a face without a single Chinese glyph.
    lf.lfCharSet = GB2312_CHARSET;
    if (lf.lfFaceName[0] == L'\0') std::wcscpy(lf.lfFaceName, L"SimSun");
    return CreateFontIndirectW(&lf);
}

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

void DrawLookText(HDC dc, const std::wstring& text, RECT r, const TextLook& look) {
    if (text.empty()) return;
    Font font(CreateLabelFont(look.font));
    Selection sel(dc, font.get());
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

std::wstring WindowText(HWND hwnd) {
    const int n = GetWindowTextLengthW(hwnd);
    if (n <= 0) return {};
    std::wstring s(static_cast<size_t>(n) + 1, L'\0');
    const int got = GetWindowTextW(hwnd, &s[0], n + 1);
    s.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return s;
}

void SetWindowTextOf(HWND hwnd, const std::string& text) { SetWindowTextW(hwnd, ToWide(text).c_str()); }

std::string FontFaceName(const std::string& font) {
    if (font.size() != kLogFontSize) return {};
    const char* face = font.data() + offsetof(LOGFONTA, lfFaceName);
    return std::string(face, strnlen(face, LF_FACESIZE));
}

}  // namespace quill
