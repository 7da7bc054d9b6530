#include "archive/gbk_path.h"

#include <windows.h>

namespace quill {

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

}  // namespace

const char* NextChar(const char* p) {
    if (*p == 0) return p;
    if (IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1] != 0) return p + 2;
    return p + 1;
}

bool EndsWithBackslash(const std::string& text) {
    const char* last = nullptr;
    for (const char* p = text.c_str(); *p; p = NextChar(p)) last = p;
    return last != nullptr && *last == '\\';
}

std::string WithTrailingBackslash(const std::string& text) {
    return EndsWithBackslash(text) ? text : text + '\\';
}

bool PathExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool MakeFolderPath(const std::string& path, std::string* failedLevel) {
    const std::string full = WithTrailingBackslash(path);
    // The first character is skipped: a leading backslash names the drive root.
    const char* begin = full.c_str();
    for (const char* p = NextChar(begin); *p; p = NextChar(p)) {
        if (*p != '\\') continue;
        std::string prefix(begin, static_cast<size_t>(p - begin) + 1);
        if (PathExists(prefix)) continue;
        if (!CreateDirectoryA(prefix.c_str(), nullptr)) {
            const DWORD error = GetLastError();
            if (failedLevel) *failedLevel = prefix;
            SetLastError(error);
            return false;
        }
    }
    return true;
}

size_t FindLastSeparator(const std::string& text) {
    size_t found = std::string::npos;
    const char* begin = text.c_str();
    for (const char* p = begin; *p; p = NextChar(p)) {
        if (IsSeparator(*p)) found = static_cast<size_t>(p - begin);
    }
    return found;
}

std::string ParentFolder(const std::string& path) {
    const size_t cut = FindLastSeparator(path);
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

std::string FoldAsciiCase(const std::string& text) {
    std::string folded = text;
    char* begin = &folded[0];
    for (char* p = begin; *p; p = const_cast<char*>(NextChar(p))) {
        if (*p >= 'A' && *p <= 'Z') *p = static_cast<char>(*p + ('a' - 'A'));
    }
    return folded;
}

}  // namespace quill
