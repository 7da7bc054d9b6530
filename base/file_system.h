// The few file-system questions every program of the project asks, over the text boundary.
#pragma once

#include <cstdint>
#include <string>

namespace quill {

// True when the file or folder exists.
bool PathExists(const std::string& path);

// Creates every missing level of `path`, outermost first. False when a level is missing and
// cannot be created; that level then goes to `failedLevel` (when given) and GetLastError()
// tells why.
bool MakeFolderPath(const std::string& path, std::string* failedLevel = nullptr);

// The absolute form of `path` as the file system will resolve it ("." and ".." components
// folded, '/' turned into '\', device names turned into device paths). Empty on failure.
std::string FullPath(const std::string& path);

// `bytes` random bytes from the system's generator as lower-case hex digits, for names no
// other process can guess. Empty when the generator fails.
std::string RandomHexText(size_t bytes);

// What tells one file from another whatever name reaches it: the volume and the file's
// number on it (two spellings, a short name or a hard link of one file give the same).
struct FileIdentity {
    uint32_t volume = 0;
    uint64_t index = 0;
    uint32_t attributes = 0;
    bool operator==(const FileIdentity& other) const { return volume == other.volume && index == other.index; }
};

// The identity of an open handle; false when the system cannot tell it.
bool IdentityOfHandle(void* handle, FileIdentity* identity);

// The identity of the file or folder at `path`, the link itself when the last part is one.
bool IdentityOfPath(const std::string& path, FileIdentity* identity);

}  // namespace quill
