#include "flow/uninstall_registration.h"

#include <windows.h>

#include <set>
#include <vector>

#include "archive/archive_reader.h"
#include "data/brand_table.h"
#include "flow/flow_state.h"
#include "runtime/commands.h"
#include "base/file_system.h"
#include "base/text.h"
#include "base/safe_path.h"
#include "base/handles.h"
#include "base/wide_text.h"
#include "uninstall/uninstall_record.h"
#include "version/product_version.h"

namespace quill {

namespace {

std::string Join(const std::string& folder, const std::string& relative) {
    return relative.empty() ? folder : folder + "\\" + relative;
}

bool Exists(const std::string& path, bool folder) {
    const DWORD attributes = GetFileAttributesW(ToWide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == folder;
}

// The archive's files and folders as relative paths below the install folder; a file's
// folders count even where the archive has no entry of their own. Names that the
// extraction refuses are left out.
bool ListArchive(HANDLE archiveFile, std::vector<std::string>* files, std::vector<std::string>* folders) {
    OpenedArchive archive(OpenArchiveOnHandle(archiveFile));
    if (!archive.valid()) return false;
    ArchiveEntry entry;
    if (GetArchiveEntry(archive.get(), -1, &entry) != ArchiveOk) return false;
    const int32_t count = entry.index;
    std::set<std::string> seen;
    auto addFolder = [&](std::string relative) {
        while (!relative.empty() && seen.insert(FoldAsciiCase(relative)).second) {
            folders->push_back(relative);
            relative = ParentFolder(relative);
        }
    };
    for (int32_t i = 0; i < count; ++i) {
        if (GetArchiveEntry(archive.get(), i, &entry) != ArchiveOk) return false;
        std::string relative;
        for (const char* p = entry.name; *p; ++p) relative += *p == '/' ? '\\' : *p;
        while (!relative.empty() && relative.back() == '\\') relative.pop_back();
        if (!SafePathInFolder("C:\\x", relative)) continue;
        if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) {
            addFolder(relative);
        } else {
            files->push_back(relative);
            addFolder(ParentFolder(relative));
        }
    }
    return true;
}

// Folders that held, right after the extraction, something the archive did not put there,
// and every folder above them: those existed before this installation. "" is the install
// folder itself.
std::set<std::string> FoldersThatExistedBefore(const std::string& installFolder, const std::vector<std::string>& files,
                                               const std::vector<std::string>& folders) {
    std::set<std::string> known;
    for (const std::string& f : files) known.insert(FoldAsciiCase(f));
    for (const std::string& f : folders) known.insert(FoldAsciiCase(f));
    known.insert(FoldAsciiCase(kUninstallerFileName));
    known.insert(FoldAsciiCase(kUninstallRecordFileName));

    std::vector<std::string> candidates = folders;
    candidates.push_back(std::string());
    std::set<std::string> before;
    for (const std::string& folder : candidates) {
        WIN32_FIND_DATAW found{};
        FindHandle find(FindFirstFileW(ToWide(Join(installFolder, folder) + "\\*").c_str(), &found));
        if (!find.valid()) continue;
        bool foreign = false;
        do {
            const std::string name = FromWide(found.cFileName);
            if (name == "." || name == "..") continue;
            const std::string relative = folder.empty() ? name : folder + "\\" + name;
            if (known.count(FoldAsciiCase(relative)) == 0) foreign = true;
        } while (!foreign && FindNextFileW(find.get(), &found));
        if (!foreign) continue;
        for (std::string f = folder;; f = ParentFolder(f)) {
            before.insert(FoldAsciiCase(f));
            if (f.empty()) break;
        }
    }
    return before;
}

std::string Publisher() {
    const BrandRow* row = FindBrand(InstalledBrandKey());
    std::string folder = row ? row->folder : "";
    // The brand folder ends in one backslash, which is no part of the name.
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    return folder;
}

uint64_t FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(ToWide(path).c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool WriteUninstaller(const std::string& path) {
    const ByteSetView program = UninstallerProgram();
    return program.size != 0 && WriteBytesToFile(path, {program});
}

}  // namespace

ByteSetView UninstallerProgram() {
    // RT_RCDATA is a number in the form of a name; the W call takes it as such.
    HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(kUninstallerResource), reinterpret_cast<LPCWSTR>(RT_RCDATA));
    HGLOBAL loaded = resource ? LoadResource(nullptr, resource) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return {};
    return ByteSetView{static_cast<const uint8_t*>(bytes), SizeofResource(nullptr, resource)};
}

bool StageUninstall(const std::string& installFolder, const std::string& stagingFolder, HANDLE archiveFile) {
    const std::string product = Flow().productName;
    if (!IsUsableProductName(product) || installFolder.empty()) return false;
    std::vector<std::string> archiveFiles, archiveFolders;
    if (!ListArchive(archiveFile, &archiveFiles, &archiveFolders)) return false;

    const std::string recordPath = installFolder + "\\" + kUninstallRecordFileName;
    // What an earlier installation of the product created stays created by it: a folder it
    // made and the user has filled since is still to go once empty.
    UninstallRecord previous;
    if (std::optional<UninstallRecord> old = ReadUninstallRecord(recordPath); old && old->product == product) {
        previous = *old;
    }
    // Staged or not, what the archive puts there is no sign of a folder that was there before.
    const std::set<std::string> before = FoldersThatExistedBefore(installFolder, archiveFiles, archiveFolders);

    UninstallRecord record;
    record.product = product;
    record.rootCreated = previous.rootCreated || before.count(std::string()) == 0;
    std::set<std::string> seen;
    // An entry counts when it is in place or about to be, staged.
    auto add = [&](std::vector<std::string>* list, const std::string& relative, bool folder) {
        const bool present = Exists(Join(installFolder, relative), folder) || Exists(Join(stagingFolder, relative), folder);
        if (present && seen.insert(FoldAsciiCase(relative)).second) list->push_back(relative);
    };
    for (const std::string& f : previous.folders) add(&record.folders, f, true);
    for (const std::string& f : archiveFolders) {
        if (before.count(FoldAsciiCase(f)) == 0) add(&record.folders, f, true);
    }
    for (const std::string& f : previous.files) add(&record.files, f, false);
    for (const std::string& f : archiveFiles) {
        // The archive cannot claim the uninstaller's own two files.
        if (FoldAsciiCase(f) != FoldAsciiCase(kUninstallerFileName) && FoldAsciiCase(f) != FoldAsciiCase(kUninstallRecordFileName))
            add(&record.files, f, false);
    }

    if (!WriteUninstaller(stagingFolder + "\\" + kUninstallerFileName)) return false;
    return WriteUninstallRecordFile(stagingFolder + "\\" + kUninstallRecordFileName, record);
}

bool WriteUninstallEntry(const std::string& installFolder) {
    const std::string product = Flow().productName;
    if (!IsUsableProductName(product) || installFolder.empty()) return false;
    const std::string recordPath = installFolder + "\\" + kUninstallRecordFileName;
    const std::optional<UninstallRecord> record = ReadUninstallRecord(recordPath);
    if (!record || record->product != product) return false;
    const std::string uninstaller = installFolder + "\\" + kUninstallerFileName;
    uint64_t bytes = FileSize(uninstaller) + FileSize(recordPath);
    for (const std::string& f : record->files) bytes += FileSize(Join(installFolder, f));

    RegistryKey key;
    if (!key.Create(HKEY_CURRENT_USER, std::string(kUninstallKeyParent) + "\\" + product)) return false;
    const std::string quoted = "\"" + uninstaller + "\"";
    bool ok = key.SetText("DisplayName", product);
    ok = key.SetText("DisplayIcon", installFolder + "\\" + product + ".exe") && ok;
    ok = key.SetText("InstallLocation", installFolder) && ok;
    ok = key.SetText("Publisher", Publisher()) && ok;
    ok = key.SetText("DisplayVersion", kProductVersion) && ok;
    ok = key.SetNumber("EstimatedSize", static_cast<DWORD>((bytes + 1023) / 1024)) && ok;
    ok = key.SetText("UninstallString", quoted) && ok;
    ok = key.SetText("QuietUninstallString", quoted + " /S") && ok;
    ok = key.SetNumber("NoModify", 1) && ok;
    ok = key.SetNumber("NoRepair", 1) && ok;
    return ok;
}

std::string RegisteredInstallFolder() {
    const std::string product = Flow().productName;
    RegistryKey key;
    if (!IsUsableProductName(product) || !key.Open(HKEY_CURRENT_USER, std::string(kUninstallKeyParent) + "\\" + product))
        return {};
    return key.Text("InstallLocation");
}

bool RegisterUninstall(const std::string& installFolder, HANDLE archiveFile) {
    return StageUninstall(installFolder, installFolder, archiveFile) && WriteUninstallEntry(installFolder);
}

}  // namespace quill
