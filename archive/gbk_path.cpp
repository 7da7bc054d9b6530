#include "archive/gbk_path.h"

#include <windows.h>

#include <vector>

namespace quill {

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// The absolute form of `path` as the file system will resolve it ("." and ".."
// components folded, '/' turned into '\'). Empty on failure.
std::string FullPath(const std::string& path) {
    DWORD size = MAX_PATH;
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::vector<char> buffer(size + 1);
        DWORD n = GetFullPathNameA(path.c_str(), size, buffer.data(), nullptr);
        if (n == 0) return {};
        if (n < size) return std::string(buffer.data(), n);
        size = n + 1;  // too small: n is the size needed
    }
    return {};
}

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

bool MakeFolderPath(const std::string& path) {
    const std::string full = WithTrailingBackslash(path);
    // The first character is skipped: a leading backslash names the drive root.
    const char* begin = full.c_str();
    for (const char* p = NextChar(begin); *p; p = NextChar(p)) {
        if (*p != '\\') continue;
        std::string prefix(begin, static_cast<size_t>(p - begin) + 1);
        if (PathExists(prefix)) continue;
        if (!CreateDirectoryA(prefix.c_str(), nullptr)) return false;
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

bool IsSafeEntryName(const char* name) {
    if (IsSeparator(name[0])) return false;
    const char* componentStart = name;
    for (const char* p = name;; p = NextChar(p)) {
        if (*p == ':') return false;
        if (*p == 0 || IsSeparator(*p)) {
            if (p - componentStart == 2 && componentStart[0] == '.' && componentStart[1] == '.') return false;
            if (*p == 0) break;
            componentStart = p + 1;
        }
    }
    return true;
}

bool IsPathInsideFolder(const std::string& path, const std::string& folder) {
    const std::string fullFolder = FullPath(folder);
    const std::string fullPath = FullPath(path);
    if (fullFolder.empty() || fullPath.empty()) return false;
    const std::string base = WithTrailingBackslash(fullFolder);
    // The folder itself (a folder entry such as "./") counts as inside.
    if (WithTrailingBackslash(fullPath) == base) return true;
    return fullPath.size() > base.size() && fullPath.compare(0, base.size(), base) == 0;
}

}  // namespace quill
