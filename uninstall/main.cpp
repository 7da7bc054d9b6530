// The uninstaller: removes what the installation recorded in its install folder, the
// desktop shortcut and the registry record, then itself. It lives in the install folder
// and takes that folder from its own path, never from the record or the registry.
//
//   uninstall.exe        asks first, shows what was left at the end
//   uninstall.exe /S     no question and no box; the exit code tells the outcome
#include <windows.h>
#include <objbase.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "base/exit_codes.h"
#include "base/process_check.h"
#include "base/text.h"
#include "base/wide_text.h"
#include "runtime/commands.h"
#include "runtime/library_loading.h"
#include "uninstall/removal.h"
#include "uninstall/self_removal.h"
#include "uninstall/uninstall_record.h"
#include "uninstall/uninstall_texts.h"

namespace quill {

namespace {

constexpr int32_t kBoxYesNoQuestion = MB_YESNO | MB_ICONQUESTION;
constexpr int32_t kBoxInformation = MB_ICONINFORMATION;
constexpr int32_t kBoxWarning = MB_ICONWARNING;
constexpr int32_t kAnswerYes = 5;
// A long list would make a box taller than the screen.
constexpr size_t kListedAtMost = 10;

struct CommandLine {
    bool silent = false;
    bool cleanup = false;
    std::vector<std::string> cleanupArguments;
    std::string unknown;  // the first argument not understood
};

// Arguments split at blanks; double quotes group.
std::vector<std::string> Arguments(const std::string& line) {
    std::vector<std::string> arguments;
    std::string current;
    bool quoted = false, any = false;
    for (const char* p = line.c_str(); *p; ++p) {
        if (*p == '"') {
            quoted = !quoted;
            any = true;
        } else if ((*p == ' ' || *p == '\t') && !quoted) {
            if (any) arguments.push_back(current);
            current.clear();
            any = false;
        } else {
            current += *p;
            any = true;
        }
    }
    if (any) arguments.push_back(current);
    return arguments;
}

CommandLine ParseCommandLine() {
    CommandLine parsed;
    std::vector<std::string> arguments = Arguments(FromWide(GetCommandLineW()));
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (FoldAsciiCase(a) == "/s") {
            parsed.silent = true;
        } else if (i == 1 && a == kCleanupSwitch && arguments.size() == 4) {
            parsed.cleanup = true;
            parsed.cleanupArguments.assign(arguments.begin() + 2, arguments.end());
            break;
        } else if (parsed.unknown.empty()) {
            parsed.unknown = a;
        }
    }
    return parsed;
}

// `pattern` with its one "%s" replaced by `value`.
void AppendList(std::string* text, const char* note, const std::vector<std::string>& items) {
    if (items.empty()) return;
    *text += note;
    for (size_t i = 0; i < items.size() && i < kListedAtMost; ++i) *text += "\r\n" + items[i];
    if (items.size() > kListedAtMost) *text += kUninstallMore;
}

class ComScope {
public:
    ComScope() : ok_(SUCCEEDED(CoInitialize(nullptr))) {}
    ~ComScope() {
        if (ok_) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool ok_;
};

// Where the uninstaller stands: its folder, its own file name, and the record's path there.
struct Location {
    std::string folder;
    std::string selfName;
    std::string recordPath;
};

// Asks the user, then checks that the product is not running; true when removal may go on,
// `code` telling otherwise why not.
bool MayRemove(const std::string& product, bool silent, int* code) {
    const std::string caption = product + kUninstallCaptionSuffix;
    if (!silent && ShowMessage(UninstallQuestion(product), kBoxYesNoQuestion, caption) != kAnswerYes) {
        *code = kExitUserDeclined;
        return false;
    }
    // Asked after the question, so that the answer cannot leave time to start it again.
    if (IsProcessRunning(product + ".exe")) {
        if (!silent) ShowMessage(UninstallRunningMessage(product), 0, product + kUninstallRunningCaptionSuffix);
        *code = kExitProductRunning;
        return false;
    }
    return true;
}

// Removes what the record names, the shortcut and, once nothing failed, the registry entry
// and the record. With something still in place the user can run the uninstaller again:
// it, its record and the registry entry stay.
RemovalReport RemoveInstallation(const Location& at, const UninstallRecord& record) {
    RemovalReport report;
    {
        ComScope com;
        RemoveDesktopShortcut(record.product, at.folder);
    }
    RemoveRecordedItems(at.folder, at.selfName, record, &report);
    if (report.failed.empty()) {
        RemoveRegistryRecord(record.product, at.folder);
        if (!RemoveFile(at.recordPath)) report.failed.push_back(at.recordPath);
        if (record.rootCreated && FolderHoldsOtherThan(at.folder, at.selfName)) report.leftFolders.push_back(at.folder);
    }
    return report;
}

void ShowOutcome(const std::string& product, const RemovalReport& report, int code) {
    std::string message = UninstallOutcome(product, report.failed.empty());
    AppendList(&message, kUninstallLeftFoldersNote, report.leftFolders);
    AppendList(&message, kUninstallFailedNote, report.failed);
    AppendList(&message, kUninstallRefusedNote, report.refused);
    ShowMessage(message, code == kExitOk ? kBoxInformation : kBoxWarning, product + kUninstallCaptionSuffix);
}

// False when the uninstaller's file cannot go, now or at the next start of Windows.
bool RemoveSelf(const Location& at, bool removeFolder) {
    if (StartCleanupCopy(removeFolder ? FolderRemoval::kRemoveWhenEmpty : FolderRemoval::kKeep)) return true;
    // The last resort asks for the deletion at the next start of Windows; that works only
    // with administrator rights, and otherwise the uninstaller stays.
    const std::string self = at.folder + "\\" + at.selfName;
    if (!MoveFileExW(ToWide(self).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) return false;
    if (removeFolder) MoveFileExW(ToWide(at.folder).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    return true;
}

int Uninstall(bool silent) {
    Location at;
    LocateExecutable(&at.folder, &at.selfName);
    at.recordPath = at.folder + "\\" + kUninstallRecordFileName;

    // Any part unreadable and nothing is touched: the files, the record and the registry
    // entry stay as they are.
    const std::optional<UninstallRecord> record = at.folder.empty() ? std::nullopt : ReadUninstallRecord(at.recordPath);
    if (!record) {
        if (!silent)
            ShowMessage(FillIn(kUninstallRecordMissing, {at.recordPath}), kBoxWarning, std::string(kUninstallPlainCaption));
        return kExitRecordUnreadable;
    }
    int code = kExitOk;
    if (!MayRemove(record->product, silent, &code)) return code;

    const RemovalReport report = RemoveInstallation(at, *record);
    const bool complete = report.failed.empty();
    code = !complete ? kExitUninstallIncomplete : !report.refused.empty() ? kExitRecordRefused : kExitOk;
    if (!silent) ShowOutcome(record->product, report, code);
    if (complete && !RemoveSelf(at, record->rootCreated)) return kExitUninstallIncomplete;
    return code;
}

}  // namespace

}  // namespace quill

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    using namespace quill;
    const CommandLine line = ParseCommandLine();
    if (line.cleanup) return static_cast<int>(RunCleanup(line.cleanupArguments[0], line.cleanupArguments[1]));
    if (!line.unknown.empty()) {
        if (!line.silent)
            ShowMessage(FillIn(kUninstallUsage, {line.unknown}), kBoxWarning, std::string(kUninstallPlainCaption));
        return kExitBadCommandLine;
    }
    return Uninstall(line.silent);
}
