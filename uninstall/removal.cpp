#include "uninstall/removal.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <cwchar>
#include <vector>

#include "runtime/commands.h"
#include "shell/com_ptr.h"
#include "shell/shell_library.h"
#include "base/file_system.h"
#include "base/handles.h"
#include "base/safe_path.h"
#include "base/text.h"
#include "base/wide_text.h"

namespace quill {

namespace {

constexpr int32_t kDesktopFolder = 3;

// How one entry of the record ended.
enum class EntryOutcome { kRemoved, kGone, kRefused, kNotEmpty, kFailed };

// The parts of a relative path between its separators (a trail byte may look like one).
std::vector<std::string> PathParts(const std::string& relative) {
    std::vector<std::string> parts(1);
    for (const char* p = relative.c_str(); *p; p = NextChar(p)) {
        if (*p == '\\' || *p == '/') {
            parts.emplace_back();
        } else {
            parts.back().append(p, static_cast<size_t>(NextChar(p) - p));
        }
    }
    return parts;
}

bool IsLink(const FileIdentity& identity) { return (identity.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
bool IsFolder(const FileIdentity& identity) { return (identity.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }

// The path the system resolved the handle to, every link along it followed; empty on failure.
std::wstring FinalPath(HANDLE handle) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD n = GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()), 0);
        if (n == 0) return {};
        if (n < buffer.size()) return std::wstring(buffer.data(), n);
        buffer.resize(n + 1);
    }
    return {};
}

bool SameText(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

HANDLE OpenWithoutFollowing(const std::string& path, DWORD access, DWORD share) {
    return CreateFileW(ToWide(path).c_str(), access, share, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

// Removes one entry without following a link anywhere on its way: every folder above it is
// opened as itself, checked and held without delete sharing, so none can be renamed or swapped
// for a link until the entry is gone; the entry is then opened as itself, checked, and deleted
// through that very handle. A link as any part, the last included, refuses the entry and
// nothing is touched behind it. So does the record's or the uninstaller's own file, whatever
// name reaches it.
//
// Not every system marks a link as one (Wine shows a link to a file as the file itself), so
// the path the opened entry resolves to must also be the install folder's own followed by the
// entry's parts: a link anywhere on the way, or a short name, resolves elsewhere.
EntryOutcome RemoveEntry(const std::string& folder, const std::wstring& folderFinal, const std::string& relative,
                         bool isFolder, const std::vector<FileIdentity>& kept) {
    const std::vector<std::string> parts = PathParts(relative);
    std::vector<FileHandle> held;
    std::string path = folder;
    FileIdentity identity;
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        path += "\\" + parts[i];
        held.emplace_back(OpenWithoutFollowing(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE));
        if (!held.back().valid()) return GetLastError() == ERROR_SHARING_VIOLATION ? EntryOutcome::kFailed : EntryOutcome::kGone;
        if (!IdentityOfHandle(held.back().get(), &identity)) return EntryOutcome::kFailed;
        if (IsLink(identity)) return EntryOutcome::kRefused;
        if (!IsFolder(identity)) return EntryOutcome::kGone;
    }
    path += "\\" + parts.back();
    FileHandle entry(OpenWithoutFollowing(path, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE));
    if (!entry.valid()) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? EntryOutcome::kGone : EntryOutcome::kFailed;
    }
    if (!IdentityOfHandle(entry.get(), &identity)) return EntryOutcome::kFailed;
    if (IsLink(identity) || folderFinal.empty() || !SameText(FinalPath(entry.get()), folderFinal + L"\\" + ToWide(path.substr(folder.size() + 1))))
        return EntryOutcome::kRefused;
    for (const FileIdentity& own : kept) {
        if (own == identity) return EntryOutcome::kRefused;
    }
    // A folder where a file was recorded, or the other way round, is not the installation's.
    if (IsFolder(identity) != isFolder) return isFolder ? EntryOutcome::kGone : EntryOutcome::kFailed;
    // A read-only file is the product's all the same.
    if (identity.attributes & FILE_ATTRIBUTE_READONLY) {
        FILE_BASIC_INFO basic{};
        basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        SetFileInformationByHandle(entry.get(), FileBasicInfo, &basic, sizeof basic);
    }
    FILE_DISPOSITION_INFO disposition{TRUE};
    if (SetFileInformationByHandle(entry.get(), FileDispositionInfo, &disposition, sizeof disposition))
        return EntryOutcome::kRemoved;
    return GetLastError() == ERROR_DIR_NOT_EMPTY ? EntryOutcome::kNotEmpty : EntryOutcome::kFailed;
}

// The identities of the files no entry may remove: the record and the uninstaller.
std::vector<FileIdentity> KeptFiles(const std::string& folder, const std::string& selfName) {
    std::vector<FileIdentity> kept;
    for (const std::string& name : {std::string(kUninstallRecordFileName), std::string(kUninstallerFileName), selfName}) {
        FileIdentity identity;
        if (!name.empty() && IdentityOfPath(folder + "\\" + name, &identity)) kept.push_back(identity);
    }
    return kept;
}

}  // namespace

void RemoveRecordedItems(const std::string& folder, const std::string& selfName, const UninstallRecord& record,
                         RemovalReport* report) {
    report->refused.insert(report->refused.end(), record.refused.begin(), record.refused.end());
    const std::vector<FileIdentity> kept = KeptFiles(folder, selfName);
    FileHandle root(OpenWithoutFollowing(folder, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE));
    const std::wstring folderFinal = root.valid() ? FinalPath(root.get()) : std::wstring();
    std::vector<std::string> folders = record.folders;
    std::stable_sort(folders.begin(), folders.end(),
                     [](const std::string& a, const std::string& b) { return PathDepth(a) > PathDepth(b); });
    // Files first, then folders deepest first, each only when it is empty.
    std::vector<std::pair<std::string, bool>> entries;
    for (const std::string& file : record.files) entries.emplace_back(file, false);
    for (const std::string& relative : folders) entries.emplace_back(relative, true);
    for (const auto& [relative, isFolder] : entries) {
        const std::optional<std::string> path = SafePathInFolder(folder, relative);
        const EntryOutcome outcome = path ? RemoveEntry(folder, folderFinal, relative, isFolder, kept) : EntryOutcome::kRefused;
        switch (outcome) {
            case EntryOutcome::kRemoved:
            case EntryOutcome::kGone: break;
            case EntryOutcome::kRefused: report->refused.push_back(relative); break;
            case EntryOutcome::kNotEmpty: report->leftFolders.push_back(*path); break;
            case EntryOutcome::kFailed: report->failed.push_back(*path); break;
        }
    }
}

void RemoveDesktopShortcut(const std::string& product, const std::string& folder) {
    const std::string desktop = GetSpecialFolder(kDesktopFolder);
    if (desktop.empty()) return;
    const std::string linkFile = desktop + product + ".lnk";
    if (!PathExists(linkFile)) return;

    ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.out()))) return;
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.out()))) return;
    if (FAILED(file->Load(ToWide(linkFile).c_str(), STGM_READ))) return;
    wchar_t target[MAX_PATH] = {};
    if (FAILED(link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH))) target[0] = L'\0';
    // The shell resolves a link through its item list; the path stored beside it may be kept in
    // the ANSI code page only (Wine does so), which turns characters outside it into '?'.
    PIDLIST_ABSOLUTE item = nullptr;
    if (SUCCEEDED(link->GetIDList(&item)) && item) {
        wchar_t resolved[MAX_PATH] = {};
        if (SHGetPathFromIDListW(item, resolved) && resolved[0] != L'\0') std::wcscpy(target, resolved);
        CoTaskMemFree(item);
    }
    if (target[0] == L'\0') return;
    // A shortcut of the same name that the user points elsewhere is theirs.
    if (!IsPathInsideFolder(FromWide(target), folder)) return;
    RemoveFile(linkFile);
}

void RemoveRegistryRecord(const std::string& product, const std::string& folder) {
    const std::string keyPath = std::string(kUninstallKeyParent) + "\\" + product;
    {
        RegistryKey key;
        if (!key.Open(HKEY_CURRENT_USER, keyPath)) return;
        // A later installation of the product in another folder owns the record now.
        const std::string location = key.Text("InstallLocation");
        if (!location.empty() && !(IsPathInsideFolder(location, folder) && IsPathInsideFolder(folder, location)))
            return;
    }
    RegDeleteKeyW(HKEY_CURRENT_USER, ToWide(keyPath).c_str());
}

bool FolderHoldsOtherThan(const std::string& folder, const std::string& except) {
    WIN32_FIND_DATAW found{};
    FindHandle find(FindFirstFileW(ToWide(folder + "\\*").c_str(), &found));
    if (!find.valid()) return false;
    do {
        const std::string name = FromWide(found.cFileName);
        if (name == "." || name == "..") continue;
        if (!except.empty() && FoldAsciiCase(name) == FoldAsciiCase(except)) continue;
        return true;
    } while (FindNextFileW(find.get(), &found));
    return false;
}

}  // namespace quill
