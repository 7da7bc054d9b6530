// The installation in the window: the start press, the worker that runs the install
// sequence with the window's log line, progress bar and boxes, and the progress handler.
#include "flow/install_worker.h"

#include <windows.h>

#include <atomic>

#include "base/process_check.h"
#include "data/constants.h"
#include "flow/declared_functions.h"
#include "flow/flow_state.h"
#include "flow/handlers.h"
#include "flow/install_location.h"
#include "flow/install_sequence.h"
#include "flow/staged_install.h"
#include "runtime/commands.h"
#include "runtime/declared_call.h"
#include "runtime/frame.h"
#include "runtime/threads.h"
#include "flow/installer_window.h"
#include "ui/accessible.h"
#include "ui/label.h"
#include "ui/pic_btn.h"
#include "ui/process_bar.h"
#include "ui/props/window_props.h"

namespace quill {

namespace {

constexpr int kVisible = kPropVisible;
constexpr int kLabelCaption = OwnProperty(Label::kCaption);
constexpr int kBarMaximum = OwnProperty(ProcessBar::kMaximum);
constexpr int kBarPosition = OwnProperty(ProcessBar::kPosition);
constexpr int kButtonNormalPicture = OwnProperty(PicBtn::kNormal);
constexpr int kButtonHoverPicture = OwnProperty(PicBtn::kHover);
constexpr int kWindowEscCloses = OwnProperty(WindowIndex::kEscCloses);
constexpr int32_t kAnswerYes = 5;
constexpr int32_t kYesNoInformation = MB_YESNO | MB_ICONINFORMATION;

// The toolhelp functions as the installer calls them: bound by name at their first call.
HANDLE WINAPI DeclaredSnapshot(DWORD flags, DWORD processId) {
    return CallDeclared<HANDLE(DWORD, DWORD)>(kCreateToolhelp32Snapshot, flags, processId);
}
BOOL WINAPI DeclaredFirst(HANDLE snapshot, LPPROCESSENTRY32W entry) {
    return CallDeclared<BOOL(HANDLE, LPPROCESSENTRY32W)>(kProcess32FirstW, snapshot, entry);
}
BOOL WINAPI DeclaredNext(HANDLE snapshot, LPPROCESSENTRY32W entry) {
    return CallDeclared<BOOL(HANDLE, LPPROCESSENTRY32W)>(kProcess32NextW, snapshot, entry);
}
BOOL WINAPI DeclaredClose(HANDLE snapshot) { return CallDeclared<BOOL(HANDLE)>(kCloseHandle, snapshot); }

std::atomic<bool> g_installing{false};

class WindowReporter : public InstallReporter {
public:
    void Log(const char* text) override {
        SetProperty(kInstallerWindowId, kUnitLog, kLabelCaption, PropValue::OfText(text));
    }
    void ShowProgressBar(bool visible) override {
        SetProperty(kInstallerWindowId, kUnitProgress, kVisible, PropValue::Integer(visible ? 1 : 0));
    }
    void ShowFinishPicture() override {
        const std::string finish = StoredByteSet(ConstFinishPicture).str();
        SetProperty(kInstallerWindowId, kUnitStartButton, kButtonNormalPicture, PropValue::OfBytes(finish));
        SetProperty(kInstallerWindowId, kUnitStartButton, kButtonHoverPicture, PropValue::OfBytes(finish));
        SetReaderName(kInstallerWindowId, kUnitStartButton, ConstFinishName);
    }
    // The worker's boxes: a close meanwhile does not wait for their answer.
    void ShowFailure(const std::string& message) override {
        UserWait waiting;
        ShowMessage(message, 0);
    }
    void OfferLaunch(const std::string& executable) override {
        int32_t answer = 0;
        {
            UserWait waiting;
            answer = ShowMessage(ConstCompletionQuestion, kYesNoInformation, std::string(ConstCompletionCaption));
        }
        // Quoted, so a folder with spaces starts exactly the installed product. An answer
        // given once the end of the program began starts nothing.
        if (answer == kAnswerYes && !executable.empty() && !ProgramEnding()) RunProgram("\"" + executable + "\"", false);
    }
};

DWORD WINAPI InstallWorker(LPVOID) {
    CallDeclared<HRESULT(LPVOID)>(kCoInitialize, nullptr);
    WindowReporter reporter;
    const std::optional<int> exitCode = InstallProduct(reporter, InstallFolder());
    CallDeclared<void()>(kCoUninitialize);
    // Without an exit code the end of the program has begun on the main thread, which ends it.
    if (exitCode) EndProgram(*exitCode);
    return 0;
}

}  // namespace

bool InstallationRunning() { return g_installing; }

bool ProductRunning() {
    static const ProcessListing listing = {TH32CS_SNAPALL, &DeclaredSnapshot, &DeclaredFirst, &DeclaredNext, &DeclaredClose};
    return IsProcessRunning(Flow().productName + ConstExeSuffix, listing);
}

void OnStartClicked() {
    if (g_installing) return;
    if (ProductRunning()) {
        ShowMessage(ConstRunningMessage, 0, Flow().productName + ConstRunningCaptionSuffix);
        return;
    }
    g_installing = true;
    // From now on Esc is one of the ignored presses; the close glyph and Alt+F4 still end it.
    SetProperty(kInstallerWindowId, kWindowUnitId, kWindowEscCloses, PropValue::Integer(0));
    ShowMessage(ConstInstallAdvice, 0);
    StartThread(&InstallWorker);
}

void OnExtractProgress(int32_t percent) {
    CommitMoment("extracting");
    const int32_t maximum = GetProperty(kInstallerWindowId, kUnitProgress, kBarMaximum).i;
    const auto position = static_cast<int32_t>(maximum / ConstantNumber(ConstHundred) * percent);
    SetProperty(kInstallerWindowId, kUnitProgress, kBarPosition, PropValue::Integer(position));
}

}  // namespace quill
