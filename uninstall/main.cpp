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
std::string Format(const std::string& pattern, const std::string& value) {
    const size_t at = pattern.find("%s");
    return at == std::string::npos ? pattern : pattern.substr(0, at) + value + pattern.substr(at + 2);
}

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

int Uninstall(bool silent) {
    std::string folder, selfName;
    LocateExecutable(&folder, &selfName);
    const std::string recordPath = folder + "\\" + kUninstallRecordFileName;

    const std::optional<UninstallRecord> record = folder.empty() ? std::nullopt : ReadUninstallRecord(recordPath);
    if (!record) {
        if (!silent)
            ShowMessage(Format(kUninstallRecordMissing, recordPath), kBoxWarning, std::string(kUninstallPlainCaption));
        return kExitRecordUnreadable;
    }
    const std::string& product = record->product;
    const std::string caption = product + kUninstallCaptionSuffix;

    if (!silent &&
        ShowMessage(UninstallQuestion(product), kBoxYesNoQuestion, caption) != kAnswerYes) {
        return kExitUserDeclined;
    }
    // Asked after the question, so that the answer cannot leave time to start it again.
    if (IsProcessRunning(product + ".exe")) {
        if (!silent) ShowMessage(UninstallRunningMessage(product), 0, product + kUninstallRunningCaptionSuffix);
        return kExitProductRunning;
    }

    RemovalReport report;
    {
        ComScope com;
        RemoveDesktopShortcut(product, folder);
    }
    RemoveRecordedItems(folder, *record, &report);

    // With something still in place the user can run the uninstaller again: it, its record
    // and the registry entry stay.
    const bool complete = report.failed.empty();
    bool removeSelf = false;
    if (complete) {
        RemoveRegistryRecord(product, folder);
        if (!RemoveFile(recordPath)) report.failed.push_back(recordPath);
        removeSelf = true;
        if (record->rootCreated && FolderHoldsOtherThan(folder, selfName)) report.leftFolders.push_back(folder);
    }

    int code = kExitOk;
    if (!report.failed.empty()) {
        code = kExitUninstallIncomplete;
    } else if (!report.refused.empty()) {
        code = kExitRecordRefused;
    }
    if (!silent) {
        std::string message = UninstallOutcome(product, complete);
        AppendList(&message, kUninstallLeftFoldersNote, report.leftFolders);
        AppendList(&message, kUninstallFailedNote, report.failed);
        AppendList(&message, kUninstallRefusedNote, report.refused);
        ShowMessage(message, code == kExitOk ? kBoxInformation : kBoxWarning, caption);
    }
    if (removeSelf && !StartCleanupCopy(record->rootCreated)) {
        // The last resort asks for the deletion at the next start of Windows; that works only
        // with administrator rights, and otherwise the uninstaller stays.
        const std::string self = folder + "\\" + selfName;
        if (!MoveFileExW(ToWide(self).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) return kExitUninstallIncomplete;
        if (record->rootCreated) MoveFileExW(ToWide(folder).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
    return code;
}

}  // namespace

}  // namespace quill

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    using namespace quill;
    const CommandLine line = ParseCommandLine();
    if (line.cleanup) return RunCleanup(line.cleanupArguments[0], line.cleanupArguments[1]);
    if (!line.unknown.empty()) {
        if (!line.silent)
            ShowMessage(Format(kUninstallUsage, line.unknown), kBoxWarning, std::string(kUninstallPlainCaption));
        return kExitBadCommandLine;
    }
    return Uninstall(line.silent);
}
