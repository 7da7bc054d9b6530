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

// True when some folder between `folder` and the last component of `relative` is a link
// (junction or symbolic link): what lies behind it may be anywhere.
bool PassesThroughLink(const std::string& folder, const std::string& relative) {
    for (size_t i = 0; i < relative.size(); ++i) {
        if (static_cast<unsigned char>(relative[i]) >= 0x80) {
            ++i;
            continue;
        }
        if (relative[i] != '\\') continue;
        const DWORD attributes = GetFileAttributesW(ToWide(folder + "\\" + relative.substr(0, i)).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return true;
    }
    return false;
}

}  // namespace

void RemoveRecordedItems(const std::string& folder, const UninstallRecord& record, RemovalReport* report) {
    report->refused.insert(report->refused.end(), record.refused.begin(), record.refused.end());
    for (const std::string& file : record.files) {
        const std::optional<std::string> path = SafePathInFolder(folder, file);
        if (!path || PassesThroughLink(folder, file)) {
            report->refused.push_back(file);
            continue;
        }
        const DWORD attributes = GetFileAttributesW(ToWide(*path).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) continue;  // already gone
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            report->failed.push_back(*path);
            continue;
        }
        // A read-only file is the product's all the same.
        if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(ToWide(*path).c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!RemoveFile(*path)) report->failed.push_back(*path);
    }

    std::vector<std::string> folders = record.folders;
    std::stable_sort(folders.begin(), folders.end(),
                     [](const std::string& a, const std::string& b) { return PathDepth(a) > PathDepth(b); });
    for (const std::string& relative : folders) {
        const std::optional<std::string> path = SafePathInFolder(folder, relative);
        if (!path || PassesThroughLink(folder, relative)) {
            report->refused.push_back(relative);
            continue;
        }
        const DWORD attributes = GetFileAttributesW(ToWide(*path).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        if (RemoveDirectoryW(ToWide(*path).c_str())) continue;
        if (FolderHoldsOtherThan(*path, std::string())) {
            report->leftFolders.push_back(*path);
        } else {
            report->failed.push_back(*path);
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
