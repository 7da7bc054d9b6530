#include "archive/zip_unit.h"

#include <float.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

#include "archive/archive_reader.h"
#include "base/file_system.h"
#include "base/text.h"
#include "base/wide_text.h"
#include "base/safe_path.h"
#include "runtime/event_record.h"

namespace quill {

namespace {

struct ArchiveComponent;
using ArchiveFrame = FrameLink<ArchiveComponent>;

// Every call to the frame goes through the entry it handed us at start-up.
intptr_t CallFrame(int code, intptr_t a, intptr_t b, intptr_t c) { return ArchiveFrame::Call(code, a, b, c); }

const wchar_t kZipClassName[] = L"QuillZipUnit";
const COLORREF kFaceColour = RGB(212, 208, 200);

// A small folder with a zipper, drawn on the face colour.
const char* const kIconRows[] = {
    "................", "................", ".kkkkk..........", ".kyyyyk.........",
    ".kkkkkkkkkkkkkk.", ".kyyyyykwkyyyyk.", ".kyyyyykkkyyyyk.", ".kyyyyykwkyyyyk.",
    ".kyyyyykkkyyyyk.", ".kyyyyykwkyyyyk.", ".kyyyyykkkyyyyk.", ".kyyyyykwkyyyyk.",
    ".kyyyyyyyyyyyyk.", ".kkkkkkkkkkkkkk.", "................", "................",
};
constexpr int kIconSize = 16;

DWORD IconPixel(char c) {
    // DIB pixels are 0x00RRGGBB.
    switch (c) {
    case 'k': return 0x00000000;
    case 'y': return 0x00F0C840;
    case 'w': return 0x00FFFFFF;
    default: return (GetRValue(kFaceColour) << 16) | (GetGValue(kFaceColour) << 8) | GetBValue(kFaceColour);
    }
}

}  // namespace

LRESULT CALLBACK ZipUnit::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* unit = reinterpret_cast<ZipUnit*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (message) {
    case WM_PAINT:
        if (unit) {
            unit->Paint();
            return 0;
        }
        break;
    case WM_NCDESTROY:
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        if (unit && unit->ownedByWindow_) {
            CallFrame(kFrameUnitDestroyed, static_cast<intptr_t>(unit->windowId_), static_cast<intptr_t>(unit->unitId_), 0);
            delete unit;
        }
        break;
    default: break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void ZipUnit::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    RECT client;
    GetClientRect(hwnd_, &client);
    HBRUSH face = CreateSolidBrush(kFaceColour);
    FillRect(dc, &client, face);
    DeleteObject(face);

    DWORD pixels[kIconSize * kIconSize];
    for (int y = 0; y < kIconSize; ++y)
        for (int x = 0; x < kIconSize; ++x) pixels[y * kIconSize + x] = IconPixel(kIconRows[y][x]);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = kIconSize;
    bi.bmiHeader.biHeight = -kIconSize;  // top-down rows
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    const int left = (client.right - kIconSize) / 2;
    const int top = (client.bottom - kIconSize) / 2;
    SetDIBitsToDevice(dc, left, top, kIconSize, kIconSize, 0, 0, 0, kIconSize, pixels, &bi, DIB_RGB_COLORS);
    EndPaint(hwnd_, &ps);
}

Unit* ZipUnit::Create(const UnitCreateArgs& args) {
    static const bool registered = [] {
        WNDCLASSW wc = {};
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = &ZipUnit::WindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kZipClassName;
        return RegisterClassW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    if (!registered) return nullptr;

    std::unique_ptr<ZipUnit> unit(new (std::nothrow) ZipUnit);
    if (!unit) return nullptr;
    unit->windowId_ = args.windowId;
    unit->unitId_ = args.unitId;
    HWND hwnd = CreateWindowExW(0, kZipClassName, L"", args.style | WS_CHILD | WS_CLIPSIBLINGS | WS_BORDER, args.left,
                                args.top, args.width, args.height, args.parent, nullptr, GetModuleHandleW(nullptr),
                                unit.get());
    if (hwnd == nullptr) return nullptr;
    unit->hwnd_ = hwnd;
    unit->ownedByWindow_ = true;
    return unit.release();
}

namespace {

// One Extract call's state.
struct ExtractionContext {
    HWND unitWindow = nullptr;  // none when the unit look-up failed: no events then
    uint32_t windowId = 0;
    uint32_t unitId = 0;
    bool stopRequested = false;
    uint32_t total = 0;
    uint32_t current = 0;
};

// trunc(current / total * 100) in double precision. On x87 the precision is pinned
// to 53 bits for the computation, so every build truncates the same value.
int32_t ProgressPercentage(uint32_t current, uint32_t total) {
    if (total == 0) return 0;
#if defined(__i386__)
    const unsigned int saved = _controlfp(0, 0);
    _controlfp(_PC_53, _MCW_PC);
#endif
    volatile double c = static_cast<double>(current);
    volatile double t = static_cast<double>(total);
    volatile double percent = (c / t) * 100.0;
#if defined(__i386__)
    _controlfp(saved, _MCW_PC);
#endif
    return static_cast<int32_t>(percent);
}

bool ProgramIsEnding() { return CallFrame(kFrameProgramEnding, 0, 0, 0) != 0; }

void FireProgress(ExtractionContext& ctx) {
    // Once the program is ending nobody receives the rest: stop at this entry, so the
    // archive is let go of and the end can clean up after it.
    if (ProgramIsEnding()) {
        ctx.stopRequested = true;
        return;
    }
    if (ctx.unitWindow == nullptr) return;
    const int32_t percent = ProgressPercentage(ctx.current, ctx.total);
    // The installer window may go away while a worker extracts.
    if (!IsWindow(ctx.unitWindow)) return;
    EventRecord record;
    record.windowId = ctx.windowId;
    record.unitId = ctx.unitId;
    record.event = kZipProgressEvent;
    record.argCount = 1;
    record.args[0] = percent;
    const intptr_t handled = CallFrame(kFrameFireEvent, reinterpret_cast<intptr_t>(&record), 0, 0);
    if (handled != 0 && record.hasResult == 1 && record.result == 0 && IsWindow(ctx.unitWindow))
        ctx.stopRequested = true;
}

// Reads the first 32 bytes through `file`: they must start with a local file header
// signature and the 32-bit value at offset 24 (upper half of the uncompressed size and the
// name length) must be at least 1.
bool HasArchiveSignature(HANDLE file) {
    unsigned char block[32];
    DWORD got = 0;
    OVERLAPPED atStart = {};  // read from offset 0 whatever the handle's position
    if (!ReadFile(file, block, sizeof block, &got, &atStart) || got != sizeof block) return false;
    const int32_t at24 = static_cast<int32_t>(static_cast<uint32_t>(block[24]) | (static_cast<uint32_t>(block[25]) << 8) |
                                              (static_cast<uint32_t>(block[26]) << 16) |
                                              (static_cast<uint32_t>(block[27]) << 24));
    return at24 >= 1 && block[0] == 0x50 && block[1] == 0x4B && block[2] == 0x03 && block[3] == 0x04;
}

thread_local ExtractFailureInfo t_lastFailure;

bool IsDiskFull(DWORD error) { return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL; }

// Errors that say the name itself cannot be a file or folder name here.
bool IsNameError(DWORD error) {
    return error == ERROR_INVALID_NAME || error == ERROR_FILENAME_EXCED_RANGE || error == ERROR_BAD_PATHNAME ||
           error == ERROR_DIRECTORY;
}

// How one extraction ended; the unit method answers these as 1, 0 and -1.
enum class Outcome { kDone, kFailed, kNoArchive };

int32_t UnitAnswer(Outcome outcome) {
    switch (outcome) {
    case Outcome::kDone: return 1;
    case Outcome::kFailed: return 0;
    case Outcome::kNoArchive: break;
    }
    return -1;
}

class Extraction {
public:
    Extraction(uint32_t windowId, uint32_t unitId) {
        t_lastFailure = ExtractFailureInfo{};
        if (Unit* unit = reinterpret_cast<Unit*>(CallFrame(kFrameLookupUnit, windowId, unitId, 0))) {
            ctx_.unitWindow = unit->hwnd();
            ctx_.windowId = unit->windowId();
            ctx_.unitId = unit->unitId();
        }
    }

    // The archive named by a path, opened for this call only.
    Outcome RunOnPath(const char* archivePath, const char* targetFolder) {
        if (archivePath == nullptr || targetFolder == nullptr) return Fail(Outcome::kNoArchive, ExtractFailure::kNoArchive, "");
        archiveName_ = archivePath;
        if (!PathExists(archivePath)) return Fail(Outcome::kNoArchive, ExtractFailure::kNoArchive, archiveName_);
        if (!PrepareFolder(targetFolder)) return Outcome::kFailed;
        FileHandle file(CreateFileW(ToWide(archivePath).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid()) return Fail(Outcome::kFailed, ExtractFailure::kDamaged, archiveName_);
        return RunOnOpenFile(file.get());
    }

    // The archive behind a handle the caller holds open; `name` is what a failure reports.
    Outcome RunOnHandle(HANDLE file, const std::string& name, const char* targetFolder) {
        archiveName_ = name;
        if (file == nullptr || file == INVALID_HANDLE_VALUE || targetFolder == nullptr)
            return Fail(Outcome::kNoArchive, ExtractFailure::kNoArchive, archiveName_);
        if (!PrepareFolder(targetFolder)) return Outcome::kFailed;
        return RunOnOpenFile(file);
    }

private:
    // The folder is made before the archive is looked at and stays if it is unusable.
    bool PrepareFolder(const char* targetFolder) {
        folder_ = targetFolder;
        std::string failedLevel;
        if (PathExists(folder_) || MakeFolderPath(folder_, &failedLevel)) return true;
        FailOnSystemError(GetLastError(), failedLevel, "");
        return false;
    }

    Outcome RunOnOpenFile(HANDLE file) {
        if (!HasArchiveSignature(file)) return Fail(Outcome::kFailed, ExtractFailure::kDamaged, archiveName_);
        archive_.Reset(OpenArchiveOnHandle(file));
        if (!archive_.valid()) return Fail(Outcome::kFailed, ExtractFailure::kDamaged, archiveName_);
        if (!CountEntries()) return Fail(Outcome::kFailed, ExtractFailure::kDamaged, archiveName_);

        ArchiveEntry entry;
        for (uint32_t i = 0;; ++i) {
            const uint32_t lookup = GetArchiveEntry(archive_.get(), static_cast<int32_t>(i), &entry);
            if (lookup != ArchiveOk) {
                // The reader refuses a damaged or unsupported entry, which looks like the
                // end; stopping short of the directory's own count is a failure.
                if (i < directoryCount_) {
                    if (lookup == ArchiveBadName) return Fail(Outcome::kFailed, ExtractFailure::kBadName, entry.name);
                    return Fail(Outcome::kFailed, ExtractFailure::kDamaged, archiveName_);
                }
                ctx_.current = ctx_.total;
                FireProgress(ctx_);
                archive_.Close();
                return Outcome::kDone;
            }
            if (const std::optional<Outcome> failed = WriteEntry(i, entry)) return *failed;
            if (ctx_.stopRequested) {
                archive_.Close();
                return Outcome::kDone;
            }
            bytesLeft_ -= std::min<uint64_t>(bytesLeft_, entry.uncompressedSize);

            ctx_.current = i;
            FireProgress(ctx_);
            if (ctx_.stopRequested) {
                archive_.Close();
                return Outcome::kDone;
            }
        }
    }

    // The directory's count, and the entries the reader accepts up to it with their sizes.
    bool CountEntries() {
        ArchiveEntry entry;
        if (GetArchiveEntry(archive_.get(), -1, &entry) != ArchiveOk) return false;
        directoryCount_ = static_cast<uint32_t>(entry.index);
        uint32_t counted = 0;
        while (counted < directoryCount_ &&
               GetArchiveEntry(archive_.get(), static_cast<int32_t>(counted), &entry) == ArchiveOk) {
            bytesLeft_ += entry.uncompressedSize;
            ++counted;
        }
        ctx_.total = counted;
        return true;
    }

    // Makes entry `index`'s folder or file below the folder; the outcome when that failed.
    std::optional<Outcome> WriteEntry(uint32_t index, const ArchiveEntry& entry) {
        // Names that would land outside the folder are refused, whatever else they hold.
        const std::optional<std::string> safe = SafePathInFolder(folder_, entry.name);
        if (!safe) return Fail(Outcome::kFailed, ExtractFailure::kBadName, entry.name);
        const std::string& path = *safe;
        std::string failedLevel;

        // Some tools mark folders by the name's trailing separator alone.
        if ((entry.attributes & FILE_ATTRIBUTE_DIRECTORY) || EndsWithBackslash(path)) {
            if (!PathExists(path) && !MakeFolderPath(path, &failedLevel))
                return FailOnSystemError(GetLastError(), failedLevel, entry.name);
            return std::nullopt;
        }
        // Archives that list no folders of their own still put files in folders.
        const std::string parent = path.substr(0, FindLastSeparator(path));
        if (!PathExists(parent) && !MakeFolderPath(parent, &failedLevel))
            return FailOnSystemError(GetLastError(), failedLevel, entry.name);
        // Lets an existing read-only, hidden or system file be replaced.
        SetFileAttributesW(ToWide(path).c_str(), FILE_ATTRIBUTE_NORMAL);
        // The end of the program stops the extraction inside an entry too, however big.
        const uint32_t written = ExtractEntryToFile(archive_.get(), static_cast<int32_t>(index), path.c_str(), &ProgramIsEnding);
        if (written == ArchiveStopped) {
            ctx_.stopRequested = true;
            return std::nullopt;
        }
        if (written != ArchiveOk) {
            const uint32_t error = ArchiveSystemError(archive_.get());
            if ((written == ArchiveNoFile || written == ArchiveWriteFailed) && error != 0)
                return FailOnSystemError(error, path, entry.name);
            return Fail(Outcome::kFailed, ExtractFailure::kDamaged, archiveName_);
        }
        // The reader created it with the entry's attributes, read-only for DOS archives.
        SetFileAttributesW(ToWide(path).c_str(), FILE_ATTRIBUTE_NORMAL);
        return std::nullopt;
    }

    // The final event comes before the archive is closed; an absent argument fires none.
    Outcome Fail(Outcome outcome, ExtractFailure cause, const std::string& detail) {
        t_lastFailure.cause = cause;
        t_lastFailure.detail = detail;
        if (cause == ExtractFailure::kDiskFull) t_lastFailure.bytesNeeded = bytesLeft_;
        if (!archiveName_.empty() || outcome != Outcome::kNoArchive) {
            ctx_.current = ctx_.total;
            FireProgress(ctx_);
        }
        archive_.Close();
        return outcome;
    }

    // A file or folder at `path` (for entry `name`) could not be made or written.
    Outcome FailOnSystemError(DWORD error, const std::string& path, const std::string& name) {
        if (IsDiskFull(error)) return Fail(Outcome::kFailed, ExtractFailure::kDiskFull, path);
        if (IsNameError(error) && !name.empty()) return Fail(Outcome::kFailed, ExtractFailure::kBadName, name);
        return Fail(Outcome::kFailed, ExtractFailure::kFileNotWritable, path);
    }

    ExtractionContext ctx_;
    OpenedArchive archive_;
    std::string archiveName_;
    std::string folder_;
    uint32_t directoryCount_ = 0;
    uint64_t bytesLeft_ = 0;  // uncompressed size of the entries not yet handled
};

const UnitTypeInfo kArchiveTypes[] = {
    {kZipUnitTypeNumber, "ZIP", "ZIP压缩", kTypeWindowUnit | kTypeFunctionsOnly | kTypeRaisesEvents | kTypeStartsHidden,
     &UnitQuery<ZipUnit>::Query},
};

}  // namespace

int32_t Extract(uint32_t windowId, uint32_t unitId, const char* archivePath, const char* targetFolder) {
    Extraction extraction(windowId, unitId);
    return UnitAnswer(extraction.RunOnPath(archivePath, targetFolder));
}

int32_t ExtractFromHandle(uint32_t windowId, uint32_t unitId, HANDLE archive, const std::string& archiveName,
                          const char* targetFolder) {
    Extraction extraction(windowId, unitId);
    return UnitAnswer(extraction.RunOnHandle(archive, archiveName, targetFolder));
}

ExtractFailureInfo LastExtractFailure() { return t_lastFailure; }

const SupportLibrary kArchiveLibrary = {"archive", kArchiveTypes, 1, &ArchiveFrame::Notify};

}  // namespace quill
