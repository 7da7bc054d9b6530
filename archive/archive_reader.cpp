#include "archive/archive_reader.h"

#include <minizip/unzip.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/handles.h"
#include "base/file_system.h"
#include "base/text.h"
#include "base/wide_text.h"
#include "archive/handle_stream.h"
#include "base/safe_path.h"

namespace quill {

struct ArchiveReader {
    FileHandle file;  // empty when the caller lent its own handle
    HANDLE source = INVALID_HANDLE_VALUE;  // what every read goes through
    std::unique_ptr<HandleStream> stream;
    unzFile zip = nullptr;
    uint64_t entryCount = 0;
    int64_t current = -1;  // minizip's current entry; -1 when it must start again from the first
    ArchiveEntry cached;
    int32_t cachedIndex = -1;
    std::string baseFolder;  // ends with a backslash
    uint32_t systemError = 0;  // of the last ExtractEntryToFile that failed

    ~ArchiveReader() {
        if (zip) unzClose(zip);
    }
};

namespace {

constexpr uint32_t kCopyChunk = 16384;
constexpr uint16_t kExtendedTimestampId = 0x5455;  // "UT"
constexpr uint32_t kAttributeDirectory = FILE_ATTRIBUTE_DIRECTORY;
constexpr unsigned long kFlagUtf8Name = 0x0800;  // general-purpose bit 11

uint32_t CheckHandle(const ArchiveHandle* handle) {
    if (handle == nullptr) return ArchiveBadArgument;
    if (handle->marker != kArchiveHandleMarker) return ArchiveWrongHandle;
    if (handle->reader == nullptr) return ArchiveBadArgument;
    return ArchiveOk;
}

// Windows attribute bits from the directory record's external attributes, which
// carry DOS bits in the low half and Unix mode bits in the high half.
uint32_t MapAttributes(uint32_t external) {
    uint32_t attributes = FILE_ATTRIBUTE_NORMAL;
    if ((external & 0x40000000u) || (external & 0x10u)) attributes = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_NORMAL;
    if (external & 0x20u) attributes |= FILE_ATTRIBUTE_ARCHIVE;
    if (external & 0x02u) attributes |= FILE_ATTRIBUTE_HIDDEN;
    // No Unix owner-write bit (which includes every archive made on a DOS host) or the
    // DOS read-only bit.
    if (!(external & 0x00800000u) || (external & 0x01u)) attributes |= FILE_ATTRIBUTE_READONLY;
    if (external & 0x04u) attributes |= FILE_ATTRIBUTE_SYSTEM;
    return attributes;
}

// The DOS date and time taken as they stand: no local-to-UTC shift.
FILETIME DosTimeToFileTime(uint32_t dosDateTime) {
    FILETIME ft = {};
    DosDateTimeToFileTime(static_cast<WORD>(dosDateTime >> 16), static_cast<WORD>(dosDateTime & 0xFFFF), &ft);
    return ft;
}

// Seconds since 1970-01-01 UTC as a file time. Times before 1970 cannot be broken
// down into calendar time and keep the DOS-derived value.
bool UnixTimeToFileTime(int32_t seconds, FILETIME* out) {
    if (seconds < 0) return false;
    constexpr uint64_t kEpochDifference = 11644473600ull;  // 1601-01-01 to 1970-01-01
    const uint64_t ticks = (static_cast<uint64_t>(seconds) + kEpochDifference) * 10000000ull;
    out->dwLowDateTime = static_cast<DWORD>(ticks);
    out->dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return true;
}

uint16_t ReadLe16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t ReadLe32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

// Applies the first extended-timestamp block of a local extra field, if any.
void ApplyExtendedTimestamp(const std::vector<unsigned char>& extra, ArchiveEntry* entry) {
    if (extra.size() <= 4) return;
    size_t offset = 0;
    while (offset + 4 < extra.size()) {
        const uint16_t id = ReadLe16(&extra[offset]);
        const uint16_t dataSize = ReadLe16(&extra[offset + 2]);
        if (id == kExtendedTimestampId) {
            // A block that claims more than the field holds is read only as far as it goes.
            const size_t end = std::min(offset + 4 + dataSize, extra.size());
            size_t p = offset + 4;
            if (p >= end) return;
            const unsigned char flags = extra[p++];
            FILETIME* targets[3] = {&entry->modificationTime, &entry->accessTime, &entry->creationTime};
            for (int bit = 0; bit < 3; ++bit) {
                if (!(flags & (1u << bit))) continue;
                if (p + 4 > end) return;
                FILETIME ft;
                if (UnixTimeToFileTime(static_cast<int32_t>(ReadLe32(&extra[p])), &ft)) *targets[bit] = ft;
                p += 4;
            }
            return;
        }
        offset += 4 + static_cast<size_t>(dataSize);
    }
}

// Positions minizip on entry `index`, walking forward and starting again from the
// first entry only when moving backwards.
bool MoveTo(ArchiveReader& r, int32_t index) {
    if (r.current < 0 || index < r.current) {
        if (unzGoToFirstFile(r.zip) != UNZ_OK) {
            r.current = -1;
            return false;
        }
        r.current = 0;
    }
    while (r.current < index) {
        if (unzGoToNextFile(r.zip) != UNZ_OK) {
            r.current = -1;
            return false;
        }
        ++r.current;
    }
    return true;
}

// Creates `folder` (separators '/' or '\\') below the base folder, outermost first,
// when the rule for names inside a folder allows it. Existing levels and failures are
// passed over: the file's own creation reports what went wrong.
void CreateFoldersUnderBase(const std::string& base, const std::string& folder) {
    if (folder.empty()) return;
    if (const std::optional<std::string> path = SafePathInFolder(base, folder)) MakeFolderPath(*path);
}

// Where the file for `path` goes: an absolute path as it is; a relative one below the base
// folder, its missing folders made there, and nowhere when the rule refuses it. Resolving the
// name once keeps the folders and the file in one place even when the current folder has
// changed since the archive was opened.
std::optional<std::string> OutputPath(const std::string& base, const std::string& path) {
    const bool drivePath = path.size() >= 2 && path[1] == ':';
    const bool networkPath = path.size() >= 2 && path[0] == '\\' && path[1] == '\\';
    if (drivePath || networkPath) return path;
    std::optional<std::string> resolved = SafePathInFolder(base, path);
    if (!resolved) return std::nullopt;
    const size_t sep = FindLastSeparator(path);
    if (sep != std::string::npos) CreateFoldersUnderBase(base, path.substr(0, sep));
    return resolved;
}

// The stored name as a text of the system: GBK as stored, or decoded from UTF-8 when the
// entry is flagged so. A flagged name that is not UTF-8 makes the answer false, with '?' for
// every byte that is not ASCII in `out`, which is then good for display only.
bool NameAsText(const std::string& stored, bool utf8, std::string* out) {
    if (!utf8) {
        *out = stored;
        return true;
    }
    if (std::optional<std::string> text = TextFromUtf8(stored)) {
        *out = std::move(*text);
        return true;
    }
    out->clear();
    for (char c : stored) *out += (static_cast<unsigned char>(c) < 0x80) ? c : '?';
    return false;
}

// Copies `name` into the record's buffer, cut at a character boundary when it is too long.
void CopyName(const std::string& name, ArchiveEntry* entry) {
    size_t length = 0;
    for (const char* p = name.c_str(); *p;) {
        const char* next = NextChar(p);
        if (static_cast<size_t>(next - name.c_str()) >= sizeof entry->name) break;
        p = next;
        length = static_cast<size_t>(p - name.c_str());
    }
    std::memcpy(entry->name, name.data(), length);
    entry->name[length] = 0;
}

// Reads the entry's local extra field. minizip checks the local header against
// the directory record when the entry is opened.
uint32_t ReadLocalExtraField(unzFile zip, std::vector<unsigned char>* extra) {
    if (unzOpenCurrentFile(zip) != UNZ_OK) return ArchiveCorrupt;
    uint32_t result = ArchiveOk;
    const int size = unzGetLocalExtrafield(zip, nullptr, 0);
    if (size < 0) {
        result = ArchiveReadFailed;
    } else if (size > 0) {
        extra->resize(static_cast<size_t>(size));
        if (unzGetLocalExtrafield(zip, extra->data(), static_cast<unsigned>(size)) != size) result = ArchiveReadFailed;
    }
    unzCloseCurrentFile(zip);  // nothing was read, so there is no verdict to look at
    return result;
}

}  // namespace

namespace {

// Starts minizip over the reader's source handle; the handle on success.
ArchiveHandle* StartReader(std::unique_ptr<ArchiveReader> reader) {
    const DWORD needed = GetCurrentDirectoryW(0, nullptr);
    std::vector<wchar_t> current(needed + 1);
    const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(current.size()), current.data());
    if (length > 0 && length < current.size())
        reader->baseFolder = WithTrailingBackslash(FromWide(std::wstring_view(current.data(), length)));

    reader->stream = std::make_unique<HandleStream>(reader->source);
    zlib_filefunc64_def functions;
    reader->stream->FillFunctions(&functions);
    reader->zip = unzOpen2_64(reader->stream->OpenToken(), &functions);
    if (reader->zip == nullptr) return nullptr;

    unz_global_info64 info;
    if (unzGetGlobalInfo64(reader->zip, &info) != UNZ_OK) return nullptr;
    reader->entryCount = info.number_entry;

    auto* handle = new ArchiveHandle;
    handle->marker = kArchiveHandleMarker;
    handle->reader = reader.release();
    return handle;
}

}  // namespace

ArchiveHandle* OpenArchive(const char* path) {
    if (path == nullptr) return nullptr;
    auto reader = std::make_unique<ArchiveReader>();
    reader->file.Reset(CreateFileW(ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!reader->file.valid()) return nullptr;
    reader->source = reader->file.get();
    return StartReader(std::move(reader));
}

ArchiveHandle* OpenArchiveOnHandle(HANDLE file) {
    if (file == nullptr || file == INVALID_HANDLE_VALUE) return nullptr;
    auto reader = std::make_unique<ArchiveReader>();
    reader->source = file;
    return StartReader(std::move(reader));
}

uint32_t GetArchiveEntry(ArchiveHandle* handle, int32_t index, ArchiveEntry* out) {
    const uint32_t check = CheckHandle(handle);
    if (check != ArchiveOk) return check;
    if (out == nullptr) return ArchiveBadArgument;
    ArchiveReader& r = *handle->reader;

    if (index < -1 || static_cast<int64_t>(index) >= static_cast<int64_t>(std::min<uint64_t>(r.entryCount, INT32_MAX)))
        return ArchiveBadArgument;
    if (index == -1) {
        *out = ArchiveEntry{};
        out->index = static_cast<int32_t>(std::min<uint64_t>(r.entryCount, INT32_MAX));
        return ArchiveOk;
    }
    if (index == r.cachedIndex) {
        *out = r.cached;
        return ArchiveOk;
    }

    if (!MoveTo(r, index)) return ArchiveCorrupt;

    ArchiveEntry entry;
    unz_file_info64 info;
    if (unzGetCurrentFileInfo64(r.zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) return ArchiveCorrupt;
    std::string stored(info.size_filename, '\0');
    if (!stored.empty() &&
        unzGetCurrentFileInfo64(r.zip, nullptr, &stored[0], static_cast<uLong>(stored.size()), nullptr, 0, nullptr, 0) !=
            UNZ_OK)
        return ArchiveCorrupt;
    // A zero byte inside the name would cut it to some other name.
    const bool whole = std::strlen(stored.c_str()) == stored.size();
    stored.resize(std::strlen(stored.c_str()));
    std::string name;
    const bool converted = NameAsText(stored, (info.flag & kFlagUtf8Name) != 0, &name) && whole;
    CopyName(name, &entry);
    // A name that does not fit the record is refused rather than cut: a cut name
    // would name some other file.
    if (!converted || name.size() >= sizeof entry.name) {
        entry.index = index;
        *out = entry;
        return ArchiveBadName;
    }
    // Only stored and deflated data can be written out.
    if (info.compression_method != 0 && info.compression_method != Z_DEFLATED) return ArchiveCorrupt;
    // Encrypted data would be written out as it stands, which is garbage without a
    // password, and no password is ever used.
    if (info.flag & 1u) return ArchiveCorrupt;

    std::vector<unsigned char> extra;
    const uint32_t extraResult = ReadLocalExtraField(r.zip, &extra);
    if (extraResult != ArchiveOk) return extraResult;

    entry.index = index;
    entry.compressedSize = static_cast<uint32_t>(info.compressed_size);
    entry.uncompressedSize = static_cast<uint32_t>(info.uncompressed_size);
    entry.attributes = MapAttributes(static_cast<uint32_t>(info.external_fa));
    const FILETIME dosTime = DosTimeToFileTime(static_cast<uint32_t>(info.dosDate));
    entry.accessTime = dosTime;
    entry.creationTime = dosTime;
    entry.modificationTime = dosTime;
    ApplyExtendedTimestamp(extra, &entry);

    r.cached = entry;
    r.cachedIndex = index;
    *out = entry;
    return ArchiveOk;
}

uint32_t ExtractEntryToFile(ArchiveHandle* handle, int32_t index, const char* path, bool (*stop)()) {
    const uint32_t check = CheckHandle(handle);
    if (check != ArchiveOk) return check;
    ArchiveReader& r = *handle->reader;
    if (index < 0 || static_cast<uint64_t>(index) >= r.entryCount || path == nullptr) return ArchiveBadArgument;

    if (!MoveTo(r, index)) return ArchiveCorrupt;
    ArchiveEntry entry;
    const uint32_t lookup = GetArchiveEntry(handle, index, &entry);
    if (lookup != ArchiveOk) return lookup;

    r.systemError = 0;
    if (entry.attributes & kAttributeDirectory) {
        // The folder is made from the entry name itself, so the name must stay inside.
        const std::optional<std::string> folder = SafePathInFolder(r.baseFolder, entry.name);
        if (!folder) return ArchiveNoFile;
        MakeFolderPath(*folder);  // failures passed over, as for the folders of a file
        return ArchiveOk;
    }

    const std::optional<std::string> output = OutputPath(r.baseFolder, path);
    if (!output) return ArchiveNoFile;
    FileHandle out(
        CreateFileW(ToWide(*output).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, entry.attributes, nullptr));
    if (!out.valid()) {
        r.systemError = GetLastError();
        return ArchiveNoFile;
    }

    bool failed = false;
    bool stopped = false;
    uint64_t written = 0;
    const bool opened = unzOpenCurrentFile(r.zip) == UNZ_OK;
    if (!opened) {
        failed = true;
    } else {
        unsigned char buffer[kCopyChunk];
        for (;;) {
            if (stop && stop()) {
                stopped = failed = true;
                break;
            }
            const int n = unzReadCurrentFile(r.zip, buffer, kCopyChunk);
            if (n < 0) {
                failed = true;
                break;
            }
            if (n == 0) break;
            DWORD done = 0;
            const bool wrote = WriteFile(out.get(), buffer, static_cast<DWORD>(n), &done, nullptr) != 0;
            if (!wrote || done != static_cast<DWORD>(n)) {
                // A write that succeeds short is a full volume.
                r.systemError = wrote ? ERROR_DISK_FULL : GetLastError();
                failed = true;
                break;
            }
            written += static_cast<uint64_t>(n);
        }
    }

    if (!failed && GetFileType(out.get()) == FILE_TYPE_DISK)
        SetFileTime(out.get(), &entry.creationTime, &entry.accessTime, &entry.modificationTime);
    if (!out.Close()) {
        if (!failed) r.systemError = GetLastError();
        failed = true;
    }

    if (stopped) {
        unzCloseCurrentFile(r.zip);
        // It was created with the entry's attributes, read-only perhaps.
        SetFileAttributesW(ToWide(*output).c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(ToWide(*output).c_str());
        return ArchiveStopped;
    }
    if (opened) {
        // minizip checks the CRC only when it delivered the whole declared size; data
        // that ends early is caught by the count.
        if (unzCloseCurrentFile(r.zip) == UNZ_CRCERROR) failed = true;
        if (static_cast<uint32_t>(written) != entry.uncompressedSize) failed = true;
    }
    return failed ? ArchiveWriteFailed : ArchiveOk;
}

uint32_t ArchiveSystemError(ArchiveHandle* handle) {
    return CheckHandle(handle) == ArchiveOk ? handle->reader->systemError : 0;
}

uint32_t CloseArchive(ArchiveHandle* handle) {
    const uint32_t check = CheckHandle(handle);
    if (check != ArchiveOk) return check;
    delete handle->reader;
    handle->reader = nullptr;
    handle->marker = 0;
    delete handle;
    return ArchiveOk;
}

}  // namespace quill
