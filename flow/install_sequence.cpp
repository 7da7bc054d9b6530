#include "flow/install_sequence.h"

#include <windows.h>

#include <atomic>

#include "archive/archive_reader.h"
#include "archive/zip_unit.h"
#include "base/file_system.h"
#include "base/handles.h"
#include "base/text.h"
#include "base/wide_text.h"
#include "data/constants.h"
#include "flow/absolute_path.h"
#include "base/exit_codes.h"
#include "flow/failure_messages.h"
#include "flow/flow_state.h"
#include "runtime/commands.h"
#include "runtime/frame.h"
#include "shell/shell_library.h"
#include "flow/installer_window.h"
#include "flow/staged_install.h"
#include "flow/uninstall_registration.h"
#include "uninstall/uninstall_record.h"

namespace quill {

namespace {

constexpr int32_t kDesktopFolder = 3;
constexpr int32_t kTempFolder = 11;

// The archive copies this run wrote (or began to write), for the end of the program: each
// path is stored before the count that publishes it, so the main thread never reads a
// half-made one.
std::string g_writtenArchives[2];
std::atomic<int> g_writtenCount{0};

// tool.zip as this run holds it: created new, open from its first byte to the end of the
// installation and shared for reading only, so no one else can change, rename or delete it
// while it is read. Every read goes through this handle.
struct ReleasedArchive {
    FileHandle file;
    std::string path;
};

// The long, absolute form of `path`, without the prefix GetFinalPathNameByHandleW gives.
std::wstring ComparablePath(std::wstring path) {
    if (path.compare(0, 4, L"\\\\?\\") == 0) path = path.substr(4);
    wchar_t longer[MAX_PATH * 2];
    const DWORD n = GetLongPathNameW(path.c_str(), longer, MAX_PATH * 2);
    if (n > 0 && n < MAX_PATH * 2) path.assign(longer, n);
    CharUpperBuffW(&path[0], static_cast<DWORD>(path.size()));
    return path;
}

// What sits at `path` goes when it is a file of that name itself or a link (the link, never
// what it points at), so the archive is made new there. A real folder stays, and so does
// anything the system resolves to another place without calling it a link: then the other
// place is used.
void ClearPlace(const std::string& path) {
    const std::wstring wide = ToWide(FullPath(path));
    if (wide.empty() || GetFileAttributesW(wide.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    FileHandle place(CreateFileW(wide.c_str(), DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!place.valid() || !GetFileInformationByHandle(place.get(), &info)) return;
    const bool link = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (!link) {
        if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return;
        wchar_t final[MAX_PATH * 2];
        const DWORD n = GetFinalPathNameByHandleW(place.get(), final, MAX_PATH * 2, 0);
        if (n == 0 || n >= MAX_PATH * 2 || ComparablePath(std::wstring(final, n)) != ComparablePath(wide)) return;
        FILE_BASIC_INFO basic{};
        basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        SetFileInformationByHandle(place.get(), FileBasicInfo, &basic, sizeof basic);
    }
    FILE_DISPOSITION_INFO gone{TRUE};
    SetFileInformationByHandle(place.get(), FileDispositionInfo, &gone, sizeof gone);
}

bool WriteAll(HANDLE file, const ByteSetView& bytes) {
    const uint8_t* data = bytes.data;
    size_t size = bytes.size;
    while (size > 0) {
        const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(file, data, chunk, &written, nullptr) || written != chunk) return false;
        data += chunk;
        size -= chunk;
    }
    return true;
}

bool WritePayload(const std::string& path, ReleasedArchive* out) {
    if (path.empty()) return false;
    const int slot = g_writtenCount.load();
    if (slot < 2) {
        g_writtenArchives[slot] = path;
        g_writtenCount.store(slot + 1);
    }
    ClearPlace(path);
    // CREATE_NEW fails on anything that came back meanwhile, a dangling link included.
    FileHandle file(CreateFileW(ToWide(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;
    if (WriteAll(file.get(), StoredByteSet(ConstPayloadArchive))) {
        out->file = std::move(file);
        out->path = path;
        return true;
    }
    // A write cut short (a full temporary drive) leaves no partial archive behind.
    file.Close();
    RemoveFile(path);
    return false;
}

// Writes tool.zip; false when neither place took it.
bool ReleaseArchive(const std::string& folder, ReleasedArchive* out) {
    return WritePayload(TempArchivePath(), out) || WritePayload(DriveArchivePath(folder), out);
}

// What the installation needs on the install folder's volume: every entry staged beside
// the old files, which leave only after the commit, and the uninstaller.
uint64_t BytesNeeded(HANDLE archive) {
    OpenedArchive reader(OpenArchiveOnHandle(archive));
    uint64_t bytes = 0;
    ArchiveEntry entry;
    if (!reader.valid() || GetArchiveEntry(reader.get(), -1, &entry) != ArchiveOk) return 0;
    const int32_t count = entry.index;
    for (int32_t i = 0; i < count; ++i)
        if (GetArchiveEntry(reader.get(), i, &entry) == ArchiveOk) bytes += entry.uncompressedSize;
    return bytes + UninstallerProgram().size;
}

// A write at `path` that failed with the system's `error`; `bytes` is what it still needed.
ExtractFailureInfo WriteFailure(DWORD error, const std::string& path, uint64_t bytes) {
    ExtractFailureInfo failure;
    const bool full = error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
    failure.cause = full ? ExtractFailure::kDiskFull : ExtractFailure::kFileNotWritable;
    failure.detail = path;
    failure.bytesNeeded = bytes;
    return failure;
}

// A failure's detail names the place in the install folder, not the staging folder.
ExtractFailureInfo AsInstallFailure(ExtractFailureInfo failure, const std::string& staging, const std::string& folder) {
    if (failure.detail.compare(0, staging.size(), staging) == 0) failure.detail = folder + failure.detail.substr(staging.size());
    return failure;
}

std::string ProductExecutable(const std::string& folder) {
    return JoinUnder(folder, ConstBackslash + Flow().productName + ConstExeSuffix);
}

bool CreateDesktopShortcut(const std::string& folder) {
    const std::string link = JoinUnder(GetSpecialFolder(kDesktopFolder), Flow().productName);
    const std::string target = ProductExecutable(folder);
    return !link.empty() && !target.empty() && CreateShortcut(link, target);
}

void RegisterInstalled(const std::string& folder) { WriteUninstallEntry(folder); }

std::optional<int> Fail(InstallReporter& reporter, const std::string& folder, const FailureReport& report) {
    RemoveArchives(folder);
    reporter.ShowFailure(report.message);
    return report.exitCode;
}

// Unpacks into the staging folder and commits; the failure to report, or nothing once it
// is in place or the end of the program began (`ended`).
std::optional<FailureReport> StageAndCommit(const std::string& folder, const ReleasedArchive& archive,
                                            bool* ended) {
    const std::string staging = StagingFolder(folder);
    const int32_t result = ExtractFromHandle(kInstallerWindowId, kUnitZip, archive.file.get(), archive.path, staging.c_str());
    CommitMoment("extracted");
    // Closed meanwhile: the staged files go, nothing else was touched.
    if (ProgramEnding()) {
        RemoveTree(staging);
        *ended = true;
        return std::nullopt;
    }
    if (result != 1) {
        const ExtractFailureInfo failure = AsInstallFailure(LastExtractFailure(), staging, folder);
        RemoveTree(staging);
        return ReportExtractFailure(failure, folder);
    }
    // Without its uninstaller and record an installation could never be removed: it fails
    // as a write into the folder does, before anything in the folder has changed.
    if (!StageUninstall(folder, staging, archive.file.get())) {
        const DWORD error = GetLastError();
        RemoveTree(staging);
        return ReportExtractFailure(WriteFailure(error, JoinUnder(folder, "\\" + std::string(kUninstallerFileName)),
                                                 UninstallerProgram().size),
                                    folder);
    }
    CommitMoment("staged");
    uint32_t error = 0;
    if (const std::optional<std::string> failed = CommitStaged(folder, [&] { RegisterInstalled(folder); }, &error))
        return ReportExtractFailure(WriteFailure(error, *failed, 0), folder);
    return std::nullopt;
}

std::optional<int> ReleaseAndExtract(InstallReporter& reporter, const std::string& folder) {
    reporter.Log(ConstLogReleasing);
    // A relative folder would unpack wherever the current folder is.
    const bool absolute = IsAbsolutePath(folder);
    // What an earlier run left half-moved is finished or undone before anything else: in
    // this folder, and in the one the product's entry names, where it may have been cut off
    // before the user chose another.
    if (absolute) {
        RecoverInterruptedCommit(folder, [&] { RegisterInstalled(folder); });
        const std::string registered = RegisteredInstallFolder();
        if (IsAbsolutePath(registered) && FoldAsciiCase(registered) != FoldAsciiCase(folder))
            RecoverInterruptedCommit(registered, [&] { RegisterInstalled(registered); });
    }
    ReleasedArchive archive;
    const bool released = ReleaseArchive(folder, &archive);
    CommitMoment("released");
    // Closed while the archive was written: nothing more is started, the end cleans up.
    if (ProgramEnding()) return std::nullopt;
    if (!released) {
        reporter.ShowFailure(ConstWriteFailedMessage);
        return kExitReleaseFailed;
    }
    reporter.ShowProgressBar(true);
    reporter.Log(ConstLogExtracting);
    if (!absolute) {
        archive.file.Close();
        return FinishInstallation(reporter, folder, archive.path, -1);
    }
    // Refused while nothing in the install folder's volume has changed.
    const uint64_t needed = BytesNeeded(archive.file.get());
    const std::optional<uint64_t> free = FreeBytesAt(folder);
    if (free && *free < needed) {
        ExtractFailureInfo full;
        full.cause = ExtractFailure::kDiskFull;
        full.bytesNeeded = needed - *free;
        archive.file.Close();
        return Fail(reporter, folder, ReportExtractFailure(full, folder));
    }
    const std::vector<std::string> made = MakeMissingParents(StagingFolder(folder));
    bool ended = false;
    const std::optional<FailureReport> failure = StageAndCommit(folder, archive, &ended);
    archive.file.Close();
    if (ended || failure) RemoveMadeFolders(made);
    if (ended) return std::nullopt;
    if (failure) return Fail(reporter, folder, *failure);
    return FinishInstallation(reporter, folder, std::string(), 1);
}

}  // namespace

std::string TempArchivePath() { return JoinUnder(GetSpecialFolder(kTempFolder), ConstTempArchiveSuffix); }

std::string DriveArchivePath(const std::string& folder) {
    // Only a drive letter names a drive root; a network folder has none.
    if (!IsAbsolutePath(folder) || folder[1] != ':') return {};
    return LeftText(folder, 1) + ConstDriveArchiveSuffix;
}

void RemoveWrittenArchives() {
    const int count = g_writtenCount.load();
    for (int i = 0; i < count; ++i) ClearPlace(g_writtenArchives[i]);
}

void RemoveArchives(const std::string& folder) {
    for (const std::string& path : {DriveArchivePath(folder), TempArchivePath()})
        if (!path.empty()) ClearPlace(path);
}

void OnProductInstalled(const std::string& folder, const std::string& archive) {
    // A failed registration leaves the product installed; only its removal entry is missing.
    FileHandle file(CreateFileW(ToWide(archive).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (file.valid()) RegisterUninstall(folder, file.get());
}

std::optional<int> FinishInstallation(InstallReporter& reporter, const std::string& folder, const std::string& archive,
                                      int32_t extractResult) {
    // A close during the extraction has begun the end of the program, and from then on no
    // progress event paced the extraction: it may have run to its end meanwhile. Neither a
    // shortcut and prompt nor a failure report may follow the close.
    if (ProgramEnding()) return std::nullopt;
    if (extractResult != 1) return Fail(reporter, folder, ReportExtractFailure(LastExtractFailure(), folder));
    // Staged installations were registered by their commit.
    if (!archive.empty()) OnProductInstalled(folder, archive);
    reporter.ShowFinishPicture();
    reporter.Log(CreateDesktopShortcut(folder) ? ConstLogShortcutOk : ConstLogShortcutFailed);
    CommitMoment("prompt");
    reporter.OfferLaunch(ProductExecutable(folder));
    reporter.ShowProgressBar(false);
    RemoveArchives(folder);
    return kExitOk;
}

std::optional<int> InstallProduct(InstallReporter& reporter, const std::string& folder) {
    return ReleaseAndExtract(reporter, folder);
}

}  // namespace quill
