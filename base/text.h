// The system's texts: zero-terminated byte strings in GB18030, of which GBK is the part every
// constant and template text uses. A byte of 0x80 or more starts a two-byte unit; the
// characters GBK cannot write take two such units (lead byte, digit, lead byte, digit), so
// stepping by units never splits a character and never finds a separator inside one.
// Every scan of the project steps with these helpers.
#pragma once

#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>

namespace quill {

inline bool IsLeadByte(unsigned char c) { return c >= 0x80; }

// The unit after the one at `p` (never past the terminating zero).
inline const char* NextChar(const char* p) {
    if (*p == 0) return p;
    if (IsLeadByte(static_cast<unsigned char>(*p)) && p[1] != 0) return p + 2;
    return p + 1;
}

// A text ends at its first zero byte, as the zero-terminated texts of the program do,
// even when the std::string that carries it holds more.
inline std::string_view TextView(const std::string& text) {
    return std::string_view(text.c_str(), std::strlen(text.c_str()));
}

inline bool IsPathSeparator(char c) { return c == '/' || c == '\\'; }

// True when the last character of `text` is a backslash.
bool EndsWithBackslash(const std::string& text);

// `text` with a backslash appended unless its last character already is one.
std::string WithTrailingBackslash(const std::string& text);

// Byte offset of the last '/' or '\' character of `text`, or npos.
size_t FindLastSeparator(const std::string& text);

// The part of `path` before its last separator, or empty text when it has none.
std::string ParentFolder(const std::string& path);

// The part of `path` after its last separator (all of it when it has none).
std::string LastPathPart(const std::string& path);

// `text` with its ASCII letters in small case and double-byte characters as they are: the
// form in which the file system tells two names apart.
std::string FoldAsciiCase(const std::string& text);

// `text` with each "%s" replaced by the next of `values`, in order; a "%s" beyond them stays.
// A '%' is never part of a double-byte character, so the scan needs no stepping.
std::string FillIn(const char* text, std::initializer_list<std::string> values);

}  // namespace quill
