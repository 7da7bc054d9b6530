// A small handle-based reader for ZIP files: open by path, list entries with their
// Windows attributes and times, write one entry to a file. Paths and names are texts of
// the system (base/text.h); Windows gets their wide form.
#pragma once

#include <windows.h>

#include <cstdint>

#include "base/handles.h"

namespace quill {

// Result codes of the reader operations.
enum ArchiveResult : uint32_t {
    ArchiveOk = 0x00000000,
    ArchiveNoFile = 0x00000200,       // the output file could not be created
    ArchiveWriteFailed = 0x00000400,  // inflating, checking or writing the entry data failed
    ArchiveCorrupt = 0x00000700,      // local header disagrees with the directory, or unsupported entry
    ArchiveReadFailed = 0x00000800,   // the local extra field could not be read
    ArchiveBadName = 0x00000900,      // the name is no text of the system, or is too long
    ArchiveStopped = 0x00000A00,      // the caller's stop check answered true: the cut file is gone
    ArchiveBadArgument = 0x00010000,  // index out of range, or no handle
    ArchiveWrongHandle = 0x00080000,  // the handle is not a reader handle
};

constexpr size_t kArchiveNameSize = 260;  // 259 name bytes and a terminating zero

struct ArchiveEntry {
    int32_t index = 0;
    char name[kArchiveNameSize] = {};
    uint32_t attributes = 0;
    FILETIME accessTime = {};
    FILETIME creationTime = {};
    FILETIME modificationTime = {};
    uint32_t compressedSize = 0;
    uint32_t uncompressedSize = 0;
};

struct ArchiveReader;

// What OpenArchive hands out. The marker tells a reader handle from anything else
// passed in its place.
struct ArchiveHandle {
    uint32_t marker = 0;
    ArchiveReader* reader = nullptr;
};

constexpr uint32_t kArchiveHandleMarker = 1;

// Opens the ZIP file at `path` (read access, shared for reading only). Records the
// current folder as the base for relative output paths. Null when the file cannot be
// opened or is not a ZIP archive.
ArchiveHandle* OpenArchive(const char* path);

// Reads the ZIP file behind `file`, an open handle with read access that the caller keeps
// open, and closes, after CloseArchive. Every read goes through that handle, so whoever holds
// it decides who else may change the file meanwhile.
ArchiveHandle* OpenArchiveOnHandle(HANDLE file);

// The record of entry `index` (central-directory order, from 0). Index -1 answers a
// record whose index field holds the number of entries.
// Names flagged UTF-8 (general-purpose bit 11) are decoded into the system's texts, others
// are kept as stored (GBK). A flagged name that is not UTF-8, or a name that does not fit
// the record, answers ArchiveBadName; the record is then filled for display only, its name
// with '?' for what could not be decoded, cut to fit, and is no path to use.
uint32_t GetArchiveEntry(ArchiveHandle* handle, int32_t index, ArchiveEntry* out);

// Writes entry `index` to the file at `path`. A folder entry creates its folders under
// the base folder instead. A relative `path` names a place below the base folder, where its
// missing folders are made, when the same rule that keeps entries inside a folder allows it.
// `stop`, when given, is asked before every block of the entry is written; once it answers
// true the file written so far is removed and the answer is ArchiveStopped, so a big entry
// never holds up whoever wants the extraction to end.
uint32_t ExtractEntryToFile(ArchiveHandle* handle, int32_t index, const char* path, bool (*stop)() = nullptr);

// Why the last ExtractEntryToFile on `handle` answered ArchiveNoFile or ArchiveWriteFailed:
// the system's error code for a file that could not be created, written or closed, or 0
// when the entry's own data was at fault (inflating, length or CRC).
uint32_t ArchiveSystemError(ArchiveHandle* handle);

// Closes the archive and the file and frees the handle.
uint32_t CloseArchive(ArchiveHandle* handle);

// Owns a reader handle: closes it once, whichever way the holder's scope ends.
struct ArchiveHandleTraits {
    using Type = ArchiveHandle*;
    static Type Invalid() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr; }
    static bool Close(Type h) { return CloseArchive(h) == ArchiveOk; }
};
using OpenedArchive = UniqueHandle<ArchiveHandleTraits>;

}  // namespace quill
