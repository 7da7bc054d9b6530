// The text boundary: the one place where the system's texts meet Windows' wide (UTF-16) form.
//
// Inside, every text is a byte string in GB18030 (base/text.h): the GBK bytes of the constants
// and the window template are GB18030 as they stand, and any character GBK cannot write (a user
// folder named "Jörg" or "한국어", a name picked in the folder dialog) is four bytes. Windows is
// always called in the W form with ToWide(text), and whatever it hands back is taken in with
// FromWide, never through the ANSI code page, so the program behaves the same whatever the
// system's "language for programs that are not Unicode" is. The two-byte part goes through the
// system's code page 936 (explicitly, never CP_ACP); the short tables of base/gb18030_tables.inc
// carry the rest.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quill {

// The wide form of `text` (up to its end, zero bytes included). A byte sequence that is not
// GB18030 becomes U+FFFD, one per unit the text helpers step over.
std::wstring ToWide(std::string_view text);

// True when every character of `text` is GB18030 that ToWide reads without a replacement.
bool IsWellFormedText(std::string_view text);

// The internal form of wide `text`. A surrogate without its pair (which no code page can
// write) becomes '?', a character no file name may hold.
std::string FromWide(std::wstring_view text);
inline std::string FromWide(const wchar_t* text) { return text ? FromWide(std::wstring_view(text)) : std::string(); }

// As FromWide, but nothing when `text` holds a surrogate without its pair.
std::optional<std::string> FromWideExact(std::wstring_view text);

// The internal form of UTF-8 `text` (archive names flagged as UTF-8); nothing when it is not
// valid UTF-8.
std::optional<std::string> TextFromUtf8(std::string_view text);

}  // namespace quill
