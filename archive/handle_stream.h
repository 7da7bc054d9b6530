// minizip's file access over a Win32 file handle, with a read-ahead buffer: minizip
// reads headers a byte at a time and seeks before every data block, which would
// otherwise cost one system call each.
#pragma once

#include <windows.h>

#include <minizip/ioapi.h>

#include <cstdint>
#include <vector>

namespace quill {

class HandleStream {
public:
    // Takes no ownership of `file`, which must stay open while minizip uses the stream.
    explicit HandleStream(HANDLE file);

    // Callbacks for unzOpen2_64; pass this->OpenToken() as the path.
    void FillFunctions(zlib_filefunc64_def* functions);
    const void* OpenToken() const { return this; }

private:
    uint32_t Read(void* out, uint32_t size);
    bool Seek(int64_t offset, int origin);

    static voidpf OpenCallback(voidpf opaque, const void* token, int mode);
    static uLong ReadCallback(voidpf opaque, voidpf stream, void* buf, uLong size);
    static uLong WriteCallback(voidpf opaque, voidpf stream, const void* buf, uLong size);
    static ZPOS64_T TellCallback(voidpf opaque, voidpf stream);
    static long SeekCallback(voidpf opaque, voidpf stream, ZPOS64_T offset, int origin);
    static int CloseCallback(voidpf opaque, voidpf stream);
    static int ErrorCallback(voidpf opaque, voidpf stream);

    HANDLE file_;
    uint64_t size_ = 0;      // file size when the stream was made
    uint64_t position_ = 0;  // minizip's logical position
    std::vector<unsigned char> buffer_;
    uint64_t bufferStart_ = 0;
    uint32_t bufferLength_ = 0;
    bool failed_ = false;
};

}  // namespace quill
