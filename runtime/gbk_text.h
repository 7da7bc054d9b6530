// Scanning helpers for GBK texts: a byte of 0x80 or more starts a two-byte character.
#pragma once

#include <cstring>
#include <string>
#include <string_view>

namespace quill {

inline bool IsLeadByte(unsigned char c) { return c >= 0x80; }

// A text ends at its first zero byte, as the zero-terminated texts of the program do,
// even when the std::string that carries it holds more.
inline std::string_view TextView(const std::string& text) {
    return std::string_view(text.c_str(), std::strlen(text.c_str()));
}

}  // namespace quill
