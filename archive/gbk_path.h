// Path handling over ANSI (GBK) texts. Positions are counted in characters: a lead
// byte of the ANSI code page and the byte after it form one character, so a trail
// byte of 0x5C is never taken for a backslash.
#pragma once

#include <string>

namespace quill {

// The character after the one at `p` (never past the terminating zero).
const char* NextChar(const char* p);

// True when the last character of `text` is a backslash.
bool EndsWithBackslash(const std::string& text);

// `text` with a backslash appended unless its last character already is one.
std::string WithTrailingBackslash(const std::string& text);

// Creates every missing level of `path`, outermost first. False when a level is
// missing and cannot be created; that level then goes to `failedLevel` (when given) and
// GetLastError() tells why.
bool MakeFolderPath(const std::string& path, std::string* failedLevel = nullptr);

// Byte offset of the last '/' or '\' character of `text`, or npos.
size_t FindLastSeparator(const std::string& text);

// The part of `path` before its last separator, or empty text when it has none.
std::string ParentFolder(const std::string& path);

// `text` with its ASCII letters in small case and double-byte characters as they are: the
// form in which the file system tells two names apart.
std::string FoldAsciiCase(const std::string& text);

// True when the file or folder exists.
bool PathExists(const std::string& path);

}  // namespace quill
