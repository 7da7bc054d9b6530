// Owner of a Win32 handle that CloseHandle closes: a file, a process, a snapshot.
#pragma once

#include <windows.h>

namespace quill {

class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(HANDLE h) : h_(h) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    // Takes over `h`, closing the handle held before.
    void Reset(HANDLE h) {
        Close();
        h_ = h;
    }

    bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    HANDLE get() const { return h_; }
    // Closes now; false when the close failed (for written files, data may be lost).
    bool Close() {
        bool ok = true;
        if (valid()) ok = CloseHandle(h_) != 0;
        h_ = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE h_ = INVALID_HANDLE_VALUE;
};

}  // namespace quill
