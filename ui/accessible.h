// What a screen reader learns of the controls. Every control window answers WM_GETOBJECT
// for its client area with one small accessible object over the control's own state: its
// role, name, value and state come from the control when they are asked for, so they never
// lag behind what it shows. The reader library is not one Windows protects by name, so it
// is loaded from the system folder, and only once something asks for an object: a run
// nobody reads never loads it.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <cstdint>
#include <optional>
#include <string>

namespace quill {

// One control as a reader is told about it. Texts are internal texts; they go out wide.
struct AccessibleFacts {
    long role = ROLE_SYSTEM_CLIENT;
    std::string name;
    std::optional<std::string> value;
    long state = 0;  // the type's own bits; focus, visibility and availability are added
    bool pressable = false;  // the control has a default action (Control::Activate)
};

// Posted to a control to press it on a reader's behalf: the reader's call returns at once,
// and whatever the press opens (a message box, a dialog) runs from the control's own loop.
constexpr UINT kMsgReaderPress = WM_APP + 0x0A11;

// Answers WM_GETOBJECT (`wp`, `lp` as received) for a control window with its accessible
// object. False for every object but the client area, or without the reader library; the
// window's default handling answers then.
bool AnswerGetObject(HWND hwnd, WPARAM wp, LPARAM lp, LRESULT* result);

// A label as a reader meets it: static text, or, when it takes the keyboard focus because
// the user acts on it, a link when its font is underlined and a push button otherwise.
// `font` is the label's stored font; `facts` already holds its name.
void DescribeLabel(HWND hwnd, const std::string& font, AccessibleFacts* facts);

// Tells readers that something of the control window changed (EVENT_OBJECT_FOCUS, ...).
void NotifyReaders(DWORD event, HWND hwnd);

// True when the user can see at least part of the window: it and its parents are visible,
// and what its parents' client areas leave of it is not wholly under a sibling window
// above it. A reader is offered no more than that: the pages the window's first page
// covers and the units on them stay out of its way.
bool SeenByUser(HWND hwnd);

// The name a reader announces for a unit in place of what it shows (a glyph "×" that
// closes is better read as a word); empty gives the unit its text back. From any thread: it is carried out on the
// window's thread and has taken effect when it returns.
void SetReaderName(uint32_t windowId, uint32_t unitId, const std::string& name);

}  // namespace quill
