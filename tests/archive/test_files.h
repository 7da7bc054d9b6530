// File helpers for the archive tests: a scratch folder that removes itself, and
// reading, writing and listing files through the text boundary the code under test uses.
#pragma once

#include <windows.h>

#include <cstdint>
#include <set>
#include <string>

#include "base/wide_text.h"

namespace ziptest {

using quill::FromWide;
using quill::ToWide;

inline bool WriteBytes(const std::string& path, const std::string& bytes) {
    HANDLE h = CreateFileW(ToWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD done = 0;
    const bool ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) && done == bytes.size();
    CloseHandle(h);
    return ok;
}

// Reads the whole file; false when it cannot be opened.
inline bool ReadBytes(const std::string& path, std::string* out) {
    HANDLE h = CreateFileW(ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    out->clear();
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0) out->append(buffer, got);
    CloseHandle(h);
    return true;
}

inline std::string ReadOrEmpty(const std::string& path) {
    std::string s;
    return ReadBytes(path, &s) ? s : std::string("<missing>");
}

inline DWORD Attributes(const std::string& path) { return GetFileAttributesW(ToWide(path).c_str()); }
inline bool Exists(const std::string& path) { return Attributes(path) != INVALID_FILE_ATTRIBUTES; }
inline bool IsFolder(const std::string& path) {
    const DWORD a = Attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// Every file and folder below `folder`, as relative paths ("a\b.txt", folders end in '\').
inline void ListTree(const std::string& folder, const std::string& prefix, std::set<std::string>* out) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(ToWide(folder + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = FromWide(fd.cFileName);
        if (name == "." || name == "..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out->insert(prefix + name + "\\");
            ListTree(folder + "\\" + name, prefix + name + "\\", out);
        } else {
            out->insert(prefix + name);
        }
    } while (FindNextFileW(h, &fd));
    FindClose(h);
}

inline std::set<std::string> ListTree(const std::string& folder) {
    std::set<std::string> out;
    ListTree(folder, "", &out);
    return out;
}

// The names directly in `folder` (folders end in '\').
inline std::set<std::string> ListFolder(const std::string& folder) {
    std::set<std::string> out;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(ToWide(folder + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return out;
    do {
        const std::string name = FromWide(fd.cFileName);
        if (name == "." || name == "..") continue;
        out.insert((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? name + "\\" : name);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return out;
}

// Removes `path` and everything below it, read-only files included.
inline void RemoveTree(const std::string& path) {
    const DWORD a = GetFileAttributesW(ToWide(path).c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesW(ToWide(path).c_str(), FILE_ATTRIBUTE_NORMAL | (a & FILE_ATTRIBUTE_DIRECTORY));
    if (!(a & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileW(ToWide(path).c_str());
        return;
    }
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(ToWide(path + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = FromWide(fd.cFileName);
            if (name != "." && name != "..") RemoveTree(path + "\\" + name);
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(ToWide(path).c_str());
}

// A fresh folder under the temporary folder, removed with its content at the end.
class ScratchFolder {
public:
    ScratchFolder() {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        static unsigned counter = 0;
        for (;;) {
            path_ = FromWide(temp) + "quill-archive-" + std::to_string(GetCurrentProcessId()) + "-" +
                    std::to_string(++counter);
            if (CreateDirectoryW(ToWide(path_).c_str(), nullptr)) break;
        }
    }
    ~ScratchFolder() { RemoveTree(path_); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& relative) const { return path_ + "\\" + relative; }

private:
    std::string path_;
};

inline SYSTEMTIME ToSystemTime(const FILETIME& ft) {
    SYSTEMTIME st = {};
    FileTimeToSystemTime(&ft, &st);
    return st;
}

}  // namespace ziptest
