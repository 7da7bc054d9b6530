#include "archive/handle_stream.h"

#include <algorithm>
#include <cstring>

namespace quill {

namespace {
constexpr size_t kReadAhead = 64 * 1024;
}

HandleStream::HandleStream(HANDLE file) : file_(file), buffer_(kReadAhead) {
    LARGE_INTEGER size;
    if (GetFileSizeEx(file_, &size)) size_ = static_cast<uint64_t>(size.QuadPart);
}

void HandleStream::FillFunctions(zlib_filefunc64_def* f) {
    f->zopen64_file = &OpenCallback;
    f->zread_file = &ReadCallback;
    f->zwrite_file = &WriteCallback;
    f->ztell64_file = &TellCallback;
    f->zseek64_file = &SeekCallback;
    f->zclose_file = &CloseCallback;
    f->zerror_file = &ErrorCallback;
    f->opaque = this;
}

uint32_t HandleStream::Read(void* out, uint32_t size) {
    auto* dest = static_cast<unsigned char*>(out);
    uint32_t done = 0;
    while (done < size && position_ < size_) {
        if (position_ >= bufferStart_ && position_ < bufferStart_ + bufferLength_) {
            const uint32_t offset = static_cast<uint32_t>(position_ - bufferStart_);
            const uint32_t n = std::min(size - done, bufferLength_ - offset);
            std::memcpy(dest + done, buffer_.data() + offset, n);
            done += n;
            position_ += n;
            continue;
        }
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(position_);
        if (!SetFilePointerEx(file_, at, nullptr, FILE_BEGIN)) {
            failed_ = true;
            break;
        }
        const uint32_t want = size - done;
        DWORD got = 0;
        if (want >= buffer_.size()) {
            // A large block goes straight to the caller; buffering it gains nothing.
            if (!ReadFile(file_, dest + done, want, &got, nullptr)) {
                failed_ = true;
                break;
            }
            done += got;
            position_ += got;
            if (got < want) break;
            continue;
        }
        if (!ReadFile(file_, buffer_.data(), static_cast<DWORD>(buffer_.size()), &got, nullptr)) {
            failed_ = true;
            break;
        }
        if (got == 0) break;
        bufferStart_ = position_;
        bufferLength_ = got;
    }
    return done;
}

bool HandleStream::Seek(int64_t offset, int origin) {
    int64_t base = 0;
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET: base = 0; break;
    case ZLIB_FILEFUNC_SEEK_CUR: base = static_cast<int64_t>(position_); break;
    case ZLIB_FILEFUNC_SEEK_END: base = static_cast<int64_t>(size_); break;
    default: return false;
    }
    // Offsets come from the archive itself; reject what would wrap or go before 0.
    if (offset > 0 && base > INT64_MAX - offset) return false;
    const int64_t target = base + offset;
    if (target < 0) return false;
    position_ = static_cast<uint64_t>(target);
    return true;
}

voidpf HandleStream::OpenCallback(voidpf opaque, const void* token, int) {
    // The token is the stream itself; the file was opened by the reader.
    return token == opaque ? opaque : nullptr;
}

uLong HandleStream::ReadCallback(voidpf, voidpf stream, void* buf, uLong size) {
    return static_cast<HandleStream*>(stream)->Read(buf, size);
}

uLong HandleStream::WriteCallback(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T HandleStream::TellCallback(voidpf, voidpf stream) {
    return static_cast<HandleStream*>(stream)->position_;
}

long HandleStream::SeekCallback(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    // A forward seek from the current position arrives as an unsigned offset that
    // is really a small signed one; the bit pattern is kept either way.
    return static_cast<HandleStream*>(stream)->Seek(static_cast<int64_t>(offset), origin) ? 0 : -1;
}

// The reader owns the file handle and closes it itself.
int HandleStream::CloseCallback(voidpf, voidpf) { return 0; }

int HandleStream::ErrorCallback(voidpf, voidpf stream) {
    return static_cast<HandleStream*>(stream)->failed_ ? 1 : 0;
}

}  // namespace quill
