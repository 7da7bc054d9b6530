#include "base/file_system.h"

#include <windows.h>
#include <ntsecapi.h>

#include <vector>

#include "base/handles.h"
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

std::string RandomHexText(size_t bytes) {
    std::vector<unsigned char> random(bytes);
    if (bytes == 0 || !RtlGenRandom(random.data(), static_cast<ULONG>(bytes))) return {};
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (unsigned char b : random) {
        text += kDigits[b >> 4];
        text += kDigits[b & 15];
    }
    return text;
}

bool IdentityOfHandle(void* handle, FileIdentity* identity) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(static_cast<HANDLE>(handle), &info)) return false;
    identity->volume = info.dwVolumeSerialNumber;
    identity->index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    identity->attributes = info.dwFileAttributes;
    return true;
}

bool IdentityOfPath(const std::string& path, FileIdentity* identity) {
    // Attributes only: no sharing is asked of anyone, and a link is looked at, not followed.
    FileHandle file(CreateFileW(ToWide(path).c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    return file.valid() && IdentityOfHandle(file.get(), identity);
}

}  // namespace quill
