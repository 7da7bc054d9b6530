#include "flow/absolute_path.h"

namespace quill {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

bool IsAbsolutePath(const std::string& path) {
    if (path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == ':' && IsSeparator(path[2])) return true;
    return path.size() >= 3 && IsSeparator(path[0]) && IsSeparator(path[1]) && !IsSeparator(path[2]);
}

std::string JoinUnder(const std::string& base, const std::string& tail) {
    return IsAbsolutePath(base) ? base + tail : std::string();
}

}  // namespace quill
