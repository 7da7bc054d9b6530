// The text drawing shared by the two label types: font from a stored LOGFONT, alignment
// and wrapping as DrawText flags, and the sunken / raised / shadow effects.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace quill {

struct TextLook {
    std::string font;  // a 60-byte LOGFONT, else the default GUI font is used
    uint32_t colour = 0;
    int32_t effect = 0;  // 0 plain, 1 sunken, 2 raised, 3 shadow
    int32_t hAlign = 0;  // 0 left, 1 centre, 2 right
    int32_t vAlign = 1;  // 0 top, 1 centre, 2 bottom
    int32_t wordWrap = 0;
};

// The look of a label type's stored properties (both label types store the same fields).
template <class Props>
TextLook LookOf(const Props& p) {
    TextLook look;
    look.font = p.font;
    look.colour = p.textColour;
    look.effect = p.effect;
    look.hAlign = p.hAlign;
    look.vAlign = p.vAlign;
    look.wordWrap = p.wordWrap;
    return look;
}

constexpr size_t kLogFontSize = 60;
static_assert(sizeof(LOGFONTA) == kLogFontSize, "stored fonts are narrow LOGFONT records");

// The font a label draws with: from a stored 60-byte LOGFONT, else the stock GUI font, both
// as a Simplified Chinese system makes them, whatever this system's language. The caller
// deletes it.
HFONT CreateLabelFont(const std::string& stored);

// DrawText format flags for the look's alignment and wrapping.
UINT TextFormat(const TextLook& look);

// Draws `text` into r on dc; an empty text draws nothing.
void DrawLookText(HDC dc, const std::wstring& text, RECT r, const TextLook& look);

// The window's current text (the paint shows what the window holds, not a stored copy).
std::wstring WindowText(HWND hwnd);

// Sets the window's text from a text of the system.
void SetWindowTextOf(HWND hwnd, const std::string& text);

// The face name of a stored 60-byte LOGFONT ("" for anything else).
std::string FontFaceName(const std::string& font);

}  // namespace quill
