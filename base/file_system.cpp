#include "base/file_system.h"

#include <windows.h>

#include <vector>

#include "base/text.h"
#include "base/wide_text.h"

namespace quill {

bool PathExists(const std::string& path) {
    return GetFileAttributesW(ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool MakeFolderPath(const std::string& path, std::string* failedLevel) {
    const std::string full = WithTrailingBackslash(path);
    // The first character is skipped: a leading backslash names the drive root.
    const char* begin = full.c_str();
    for (const char* p = NextChar(begin); *p; p = NextChar(p)) {
        if (*p != '\\') continue;
        std::string prefix(begin, static_cast<size_t>(p - begin) + 1);
        if (PathExists(prefix)) continue;
        if (!CreateDirectoryW(ToWide(prefix).c_str(), nullptr)) {
            const DWORD error = GetLastError();
            if (failedLevel) *failedLevel = prefix;
            SetLastError(error);
            return false;
        }
    }
    return true;
}

std::string FullPath(const std::string& path) {
    const std::wstring wide = ToWide(path);
    DWORD size = MAX_PATH;
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::vector<wchar_t> buffer(size + 1);
        const DWORD n = GetFullPathNameW(wide.c_str(), size, buffer.data(), nullptr);
        if (n == 0) return {};
        if (n < size) return FromWide(std::wstring_view(buffer.data(), n));
        size = n + 1;  // too small: n is the size needed
    }
    return {};
}

}  // namespace quill
