#include "flow/staged_install.h"

#include <windows.h>

#include <set>
#include <vector>

#include "base/file_system.h"
#include "base/handles.h"
#include "base/text.h"
#include "base/wide_text.h"
#include "runtime/commands.h"

namespace quill {

namespace {

constexpr char kJournalHeader[] = "quill commit 1";
constexpr char kJournalEnd[] = "end";
constexpr char kFileLine[] = "F ";
constexpr char kFolderLine[] = "D ";
// The install folder was missing or empty: the staging folder itself becomes it.
constexpr char kWholeLine[] = "W";

CommitMomentHook g_momentHook = nullptr;

std::string WithoutTrailingSeparators(std::string folder) {
    while (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
    return folder;
}

std::string Under(const std::string& folder, const std::string& relative) {
    return relative.empty() ? folder : folder + "\\" + relative;
}

DWORD Attributes(const std::string& path) { return GetFileAttributesW(ToWide(path).c_str()); }
bool Exists(const std::string& path) { return Attributes(path) != INVALID_FILE_ATTRIBUTES; }

bool Move(const std::string& from, const std::string& to) {
    return MoveFileExW(ToWide(from).c_str(), ToWide(to).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

// What a commit moves: the staged files and the folders it makes in the install folder
// ("" is the install folder itself), outermost first; or, `whole`, the staging folder
// renamed into the install folder's place in one step.
struct CommitPlan {
    std::vector<std::string> files;
    std::vector<std::string> newFolders;
    bool whole = false;
};

// Every file and folder below `folder`, as relative paths, folders before what they hold.
// A link is listed as what it is and never entered.
void ListTree(const std::string& folder, const std::string& relative, std::vector<std::string>* files,
              std::vector<std::string>* folders) {
    WIN32_FIND_DATAW found{};
    FindHandle find(FindFirstFileW(ToWide(Under(folder, relative) + "\\*").c_str(), &found));
    if (!find.valid()) return;
    do {
        const std::string name = FromWide(found.cFileName);
        if (name == "." || name == "..") continue;
        const std::string path = relative.empty() ? name : relative + "\\" + name;
        const bool folderEntry = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                                 !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
        if (folderEntry) {
            folders->push_back(path);
            ListTree(folder, path, files, folders);
        } else {
            files->push_back(path);
        }
    } while (FindNextFileW(find.get(), &found));
}

std::string FormatJournal(const CommitPlan& plan) {
    std::string text = std::string(kJournalHeader) + "\r\n";
    if (plan.whole) text += std::string(kWholeLine) + "\r\n";
    for (const std::string& f : plan.newFolders) text += kFolderLine + f + "\r\n";
    for (const std::string& f : plan.files) text += kFileLine + f + "\r\n";
    return text + kJournalEnd + "\r\n";
}

// A journal is only ever put in place whole (written beside, then renamed), so one without
// its first and last line was never the journal of a commit that moved anything.
std::optional<CommitPlan> ReadJournal(const std::string& path) {
    FileHandle file(CreateFileW(ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.valid()) return std::nullopt;
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
        const size_t end = text.find("\r\n", start);
        if (end == std::string::npos) return std::nullopt;
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    if (lines.size() < 2 || lines.front() != kJournalHeader || lines.back() != kJournalEnd) return std::nullopt;
    CommitPlan plan;
    for (size_t i = 1; i + 1 < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.compare(0, 2, kFileLine) == 0) plan.files.push_back(line.substr(2));
        else if (line.compare(0, 2, kFolderLine) == 0) plan.newFolders.push_back(line.substr(2));
        else if (line == kWholeLine) plan.whole = true;
        else return std::nullopt;
    }
    return plan;
}

bool WriteJournal(const std::string& path, const CommitPlan& plan) {
    const std::string beside = path + ".tmp";
    const std::string text = FormatJournal(plan);
    if (!WriteBytesToFile(beside, {ViewOf(text)})) {
        RemoveFile(beside);
        return false;
    }
    if (MoveFileExW(ToWide(beside).c_str(), ToWide(path).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    RemoveFile(beside);
    return false;
}

// Moves the file at `target` to `setAside`; true as well when there is none. The folders of
// the set-aside tree are made when a move first needs them, once per commit.
bool MoveAside(const std::string& target, const std::string& setAside, std::set<std::string>* asideFolders,
               DWORD* error) {
    for (;;) {
        if (Move(target, setAside)) return true;
        *error = GetLastError();
        if (*error == ERROR_FILE_NOT_FOUND) return true;
        const std::string folder = setAside.substr(0, setAside.find_last_of('\\'));
        if (*error != ERROR_PATH_NOT_FOUND || !asideFolders->insert(folder).second) break;
        MakeFolderPath(folder);
    }
    // A missing folder of the target is no old file either.
    return *error == ERROR_PATH_NOT_FOUND && !Exists(target);
}

// Puts the new file of `relative` in place, the old one aside first. Safe to run again
// after it was cut off anywhere (`again`): a file no longer staged is in place already.
bool MoveIn(const std::string& install, const std::string& staging, const std::string& aside,
            const std::string& relative, bool again, std::set<std::string>* asideFolders, std::string* failed,
            DWORD* error) {
    const std::string target = Under(install, relative);
    const std::string staged = Under(staging, relative);
    if (again && !Exists(staged)) return true;
    if (!MoveAside(target, Under(aside, relative), asideFolders, error)) {
        *failed = target;
        return false;
    }
    if (!Move(staged, target)) {
        *failed = target;
        *error = GetLastError();
        return false;
    }
    return true;
}

// Brings back the old file of `relative`, and the new one back to staging, from wherever a
// commit or its repetition left them.
bool MoveBack(const std::string& install, const std::string& staging, const std::string& aside,
              const std::string& relative) {
    const std::string target = Under(install, relative);
    const std::string staged = Under(staging, relative);
    const std::string setAside = Under(aside, relative);
    const bool old = Exists(setAside);
    if (Exists(target) && !Exists(staged)) {
        // A file in place that is no longer staged is the new one.
        MakeFolderPath(staged.substr(0, staged.find_last_of('\\')));
        if (!Move(target, staged)) return false;
    }
    return !old || Move(setAside, target);
}

void MakeNewFolders(const std::string& install, const CommitPlan& plan) {
    for (const std::string& f : plan.newFolders) CreateDirectoryW(ToWide(Under(install, f)).c_str(), nullptr);
}

void RemoveLeftovers(const std::string& install) {
    RemoveFile(CommitJournal(install));
    RemoveFile(CommitJournal(install) + ".tmp");
    RemoveTree(StagingFolder(install));
    RemoveTree(SetAsideFolder(install));
}

bool IsMissingOrEmpty(const std::string& folder) {
    const DWORD attributes = Attributes(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
    std::vector<std::string> files, folders;
    ListTree(folder, "", &files, &folders);
    return files.empty() && folders.empty();
}

// Undoes a commit: every old file back, the new ones out, the folders it made gone. False
// when a file could not be moved back; the journal then stays for the next run.
bool RollBack(const std::string& install, const CommitPlan& plan) {
    const std::string staging = StagingFolder(install), aside = SetAsideFolder(install);
    if (plan.whole) {
        // A folder in place while none is staged is the new one.
        if (Exists(install) && !Exists(staging) && !Move(install, staging)) return false;
        RemoveLeftovers(install);
        return true;
    }
    bool whole = true;
    for (auto f = plan.files.rbegin(); f != plan.files.rend(); ++f) whole = MoveBack(install, staging, aside, *f) && whole;
    if (!whole) return false;
    for (auto f = plan.newFolders.rbegin(); f != plan.newFolders.rend(); ++f)
        RemoveDirectoryW(ToWide(Under(install, *f)).c_str());
    RemoveLeftovers(install);
    return true;
}

// `again`: an earlier run may have done any part of it already.
bool RollForward(const std::string& install, const CommitPlan& plan, bool again, std::string* failed, DWORD* error) {
    const std::string staging = StagingFolder(install), aside = SetAsideFolder(install);
    if (plan.whole) {
        if (Exists(staging)) {
            // The empty folder that was there goes; one someone filled meanwhile stays and
            // the rename fails.
            RemoveDirectoryW(ToWide(install).c_str());
            if (!MoveFileExW(ToWide(staging).c_str(), ToWide(install).c_str(), 0)) {
                *failed = install;
                *error = GetLastError();
                return false;
            }
        }
        CommitMoment("all-moved");
        return true;
    }
    MakeNewFolders(install, plan);
    std::set<std::string> asideFolders;
    for (size_t i = 0; i < plan.files.size(); ++i) {
        if (!MoveIn(install, staging, aside, plan.files[i], again, &asideFolders, failed, error)) return false;
        if (i == 0) CommitMoment("first-moved");
        if (i == plan.files.size() / 2) CommitMoment("half-moved");
    }
    CommitMoment("all-moved");
    return true;
}

}  // namespace

std::string StagingFolder(const std::string& installFolder) {
    return WithoutTrailingSeparators(installFolder) + ".quill-staging";
}
std::string SetAsideFolder(const std::string& installFolder) {
    return WithoutTrailingSeparators(installFolder) + ".quill-previous";
}
std::string CommitJournal(const std::string& installFolder) {
    return WithoutTrailingSeparators(installFolder) + ".quill-journal";
}

std::vector<std::string> MakeMissingParents(const std::string& path) {
    std::vector<std::string> missing;
    for (std::string level = path.substr(0, path.find_last_of('\\'));
         level.size() > 3 && level.find('\\') != std::string::npos && !Exists(level);
         level = level.substr(0, level.find_last_of('\\')))
        missing.push_back(level);
    std::vector<std::string> made;
    for (auto level = missing.rbegin(); level != missing.rend(); ++level) {
        if (!CreateDirectoryW(ToWide(*level).c_str(), nullptr)) break;
        made.push_back(*level);
    }
    return made;
}

void RemoveMadeFolders(const std::vector<std::string>& made) {
    for (auto level = made.rbegin(); level != made.rend(); ++level) RemoveDirectoryW(ToWide(*level).c_str());
}

void RemoveTree(const std::string& folder) {
    const DWORD attributes = Attributes(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    // A link is removed itself, never what it points at.
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        SetFileAttributesW(ToWide(folder).c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!DeleteFileW(ToWide(folder).c_str())) RemoveDirectoryW(ToWide(folder).c_str());
        return;
    }
    std::vector<std::string> files, folders;
    ListTree(folder, "", &files, &folders);
    for (const std::string& f : files) {
        SetFileAttributesW(ToWide(Under(folder, f)).c_str(), FILE_ATTRIBUTE_NORMAL);
        const std::wstring wide = ToWide(Under(folder, f));
        if (!DeleteFileW(wide.c_str())) RemoveDirectoryW(wide.c_str());
    }
    for (auto f = folders.rbegin(); f != folders.rend(); ++f) RemoveDirectoryW(ToWide(Under(folder, *f)).c_str());
    RemoveDirectoryW(ToWide(folder).c_str());
}

void RecoverInterruptedCommit(const std::string& installFolder, const std::function<void()>& register_) {
    const std::string install = WithoutTrailingSeparators(installFolder);
    if (const std::optional<CommitPlan> plan = ReadJournal(CommitJournal(install))) {
        std::string failed;
        DWORD error = 0;
        if (RollForward(install, *plan, true, &failed, &error)) {
            register_();
            RemoveLeftovers(install);
        } else if (!RollBack(install, *plan)) {
            return;  // neither way through now: the journal stays for the next run
        }
        return;
    }
    // No whole journal: whatever staging or set-aside folder is left was never committed.
    RemoveLeftovers(install);
}

std::optional<std::string> CommitStaged(const std::string& installFolder, const std::function<void()>& register_,
                                        uint32_t* error) {
    const std::string install = WithoutTrailingSeparators(installFolder);
    CommitPlan plan;
    plan.whole = IsMissingOrEmpty(install);
    if (!plan.whole) {
        std::vector<std::string> folders;
        ListTree(StagingFolder(install), "", &plan.files, &folders);
        for (const std::string& f : folders)
            if (!Exists(Under(install, f))) plan.newFolders.push_back(f);
    }

    if (!WriteJournal(CommitJournal(install), plan)) {
        *error = GetLastError();
        RemoveLeftovers(install);
        return CommitJournal(install);
    }
    CommitMoment("journal-written");
    std::string failed;
    DWORD systemError = 0;
    if (!RollForward(install, plan, false, &failed, &systemError)) {
        RollBack(install, plan);
        *error = systemError;
        return failed;
    }
    register_();
    CommitMoment("registered");
    RemoveLeftovers(install);
    return std::nullopt;
}

std::optional<uint64_t> FreeBytesAt(const std::string& folder) {
    std::string level = WithoutTrailingSeparators(folder);
    while (!Exists(level) && level.find('\\') != std::string::npos) level = level.substr(0, level.find_last_of('\\'));
    ULARGE_INTEGER available{};
    if (!GetDiskFreeSpaceExW(ToWide(WithTrailingBackslash(level)).c_str(), &available, nullptr, nullptr))
        return std::nullopt;
    return available.QuadPart;
}

void SetCommitMomentHook(CommitMomentHook hook) { g_momentHook = hook; }

void CommitMoment(const char* moment) {
    if (g_momentHook) g_momentHook(moment);
}

}  // namespace quill
