// File commands. Both report failure by their result only; the caller decides what
// the user is told.
#include <windows.h>

#include <string>

#include "base/wide_text.h"
#include "runtime/commands.h"

namespace quill {

namespace {

// Closes the file on every path out of WriteBytesToFile; Close() reports a failed close.
class FileForWriting {
public:
    explicit FileForWriting(const std::string& name)
        : handle_(CreateFileW(ToWide(name).c_str(), GENERIC_WRITE, 0 /* no sharing while we write */, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~FileForWriting() { Close(); }
    FileForWriting(const FileForWriting&) = delete;
    FileForWriting& operator=(const FileForWriting&) = delete;

    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

    bool Write(const uint8_t* data, size_t size) {
        // WriteFile takes 32-bit counts; a byte set of 4 GiB or more goes in pieces.
        while (size > 0) {
            DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
            DWORD written = 0;
            if (!WriteFile(handle_, data, chunk, &written, nullptr)) return false;
            if (written != chunk) {
                // A write that succeeds short is a full volume; the caller may ask why.
                SetLastError(ERROR_DISK_FULL);
                return false;
            }
            data += chunk;
            size -= chunk;
        }
        return true;
    }

    bool Close() {
        if (handle_ == INVALID_HANDLE_VALUE) return true;
        BOOL ok = CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
        return ok != FALSE;
    }

private:
    HANDLE handle_;
};

}  // namespace

bool RemoveFile(const std::string& fileName) { return DeleteFileW(ToWide(fileName).c_str()) != FALSE; }

bool WriteBytesToFile(const std::string& fileName, std::initializer_list<ByteSetView> sets) {
    if (fileName.empty() || fileName[0] == '\0') return false;
    FileForWriting file(fileName);
    if (!file.IsOpen()) return false;
    for (const ByteSetView& set : sets) {
        // What was written so far stays in the file; the caller only learns that it failed.
        if (set.size > 0 && !file.Write(set.data, set.size)) return false;
    }
    return file.Close();
}

}  // namespace quill
