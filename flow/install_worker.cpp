#include "flow/install_worker.h"

#include <windows.h>
#include <tlhelp32.h>

#include <atomic>
#include <cstdio>

#include "archive/zip_unit.h"
#include "data/constants.h"
#include "flow/declared_functions.h"
#include "flow/flow_state.h"
#include "flow/handlers.h"
#include "flow/install_location.h"
#include "runtime/commands.h"
#include "runtime/declared_call.h"
#include "runtime/frame.h"
#include "runtime/threads.h"
#include "shell/shell_library.h"
#include "ui/installer_window.h"
#include "ui/label.h"
#include "ui/pic_btn.h"
#include "ui/process_bar.h"

namespace quill {

namespace {

constexpr int kVisible = kPropVisible;
constexpr int kLabelCaption = OwnProperty(Label::kCaption);
constexpr int kBarMaximum = OwnProperty(ProcessBar::kMaximum);
constexpr int kBarPosition = OwnProperty(ProcessBar::kPosition);
constexpr int kButtonNormalPicture = OwnProperty(PicBtn::kNormal);
constexpr int kButtonHoverPicture = OwnProperty(PicBtn::kHover);
constexpr int32_t kAnswerYes = 5;
constexpr int32_t kYesNoInformation = 0x44;
constexpr int32_t kSnapshotAll = 0xF;
constexpr int32_t kDesktopFolder = 3;
constexpr int32_t kTempFolder = 11;

// Shown when extraction did not complete, instead of reporting success.
const char kExtractFailedMessage[] =
    "解压失败！部分文件无法写入安装目录：\r\n%s\r\n请关闭正在运行的相关软件，"
    "并确认对该目录有写入权限，再重试\r\n《确定》后将关闭本安装程序";

std::atomic<bool> g_installing{false};

void SetLog(const char* text) {
    SetProperty(kInstallerWindowId, kUnitLog, kLabelCaption, PropValue::OfText(text));
}

std::string ProductExecutable() { return Flow().productName + ConstExeSuffix; }

std::string TempArchivePath() { return GetSpecialFolder(kTempFolder) + ConstTempArchiveSuffix; }

std::string DriveArchivePath() { return LeftText(InstallFolder(), 1) + ConstDriveArchiveSuffix; }

bool WritePayload(const std::string& path) {
    return WriteBytesToFile(path, {StoredByteSet(ConstPayloadArchive)});
}

[[noreturn]] void Finish() {
    CallDeclared<void()>(kCoUninitialize);
    EndProgram(0);
}

// Shortcut, final prompt, optional launch, clean-up and the end of the program.
[[noreturn]] void Complete() {
    const std::string finish = StoredByteSet(ConstFinishPicture).str();
    SetProperty(kInstallerWindowId, kUnitStartButton, kButtonNormalPicture, PropValue::OfBytes(finish));
    SetProperty(kInstallerWindowId, kUnitStartButton, kButtonHoverPicture, PropValue::OfBytes(finish));

    const std::string link = GetSpecialFolder(kDesktopFolder) + Flow().productName;
    const std::string target = InstallFolder() + ConstBackslash + ProductExecutable();
    SetLog(CreateShortcut(link, target) ? ConstLogShortcutOk : ConstLogShortcutFailed);

    const int32_t answer = ShowMessage(ConstCompletionQuestion, kYesNoInformation, std::string(ConstCompletionCaption));
    if (answer == kAnswerYes) {
        // Quoted, so a folder with spaces starts exactly the installed product.
        RunProgram("\"" + InstallFolder() + ConstBackslash + ProductExecutable() + "\"", false);
    }
    SetProperty(kInstallerWindowId, kUnitProgress, kVisible, PropValue::Integer(0));
    RemoveFile(DriveArchivePath());
    RemoveFile(TempArchivePath());
    Finish();
}

DWORD WINAPI InstallWorker(LPVOID) {
    CallDeclared<HRESULT(LPVOID)>(kCoInitialize, nullptr);
    SetLog(ConstLogReleasing);
    bool inTemp = WritePayload(TempArchivePath());
    if (!inTemp && !WritePayload(DriveArchivePath())) {
        ShowMessage(ConstWriteFailedMessage, 0);
        Finish();
    }
    SetProperty(kInstallerWindowId, kUnitProgress, kVisible, PropValue::Integer(1));
    SetLog(ConstLogExtracting);
    const std::string archive = inTemp ? TempArchivePath() : DriveArchivePath();
    const std::string folder = InstallFolder();
    const int32_t result = Extract(kInstallerWindowId, kUnitZip, archive.c_str(), folder.c_str());
    // A close press during the extraction has begun the end of the program, and from then on
    // no progress event paced the extraction: it may have run to its end meanwhile. Neither a
    // shortcut and prompt nor a failure report may follow the close; the main thread ends
    // the process.
    if (ProgramEnding()) {
        CallDeclared<void()>(kCoUninitialize);
        return 0;
    }
    if (result == 1) Complete();

    char message[sizeof(kExtractFailedMessage) + MAX_PATH * 2];
    std::snprintf(message, sizeof(message), kExtractFailedMessage, folder.c_str());
    ShowMessage(message, 0);
    Finish();
    return 0;
}

}  // namespace

bool InstallationRunning() { return g_installing; }

bool IsProcessRunning(const std::string& exeName) {
    HANDLE snapshot = CallDeclared<HANDLE(DWORD, DWORD)>(kCreateToolhelp32Snapshot, kSnapshotAll, 0);
    if (!snapshot) return false;
    const std::string wanted = ToLower(exeName);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    BOOL ok = CallDeclared<BOOL(HANDLE, LPPROCESSENTRY32)>(kProcess32First, snapshot, &entry);
    while (ok) {
        const std::string candidate =
            ToLower(ToText(reinterpret_cast<const uint8_t*>(entry.szExeFile), sizeof(entry.szExeFile)));
        if (candidate == wanted) {
            CallDeclared<BOOL(HANDLE)>(kCloseHandle, snapshot);
            return true;
        }
        ok = CallDeclared<BOOL(HANDLE, LPPROCESSENTRY32)>(kProcess32Next, snapshot, &entry);
    }
    CallDeclared<BOOL(HANDLE)>(kCloseHandle, snapshot);
    return false;
}

void OnStartClicked() {
    if (g_installing) return;
    const std::string product = Flow().productName;
    if (IsProcessRunning(product + ConstExeSuffix)) {
        ShowMessage(ConstRunningMessage, 0, product + ConstRunningCaptionSuffix);
        return;
    }
    g_installing = true;
    ShowMessage(ConstInstallAdvice, 0);
    StartThread(&InstallWorker);
}

void OnExtractProgress(int32_t percent) {
    const int32_t maximum = GetProperty(kInstallerWindowId, kUnitProgress, kBarMaximum).i;
    const auto position = static_cast<int32_t>(maximum / ConstantNumber(ConstHundred) * percent);
    SetProperty(kInstallerWindowId, kUnitProgress, kBarPosition, PropValue::Integer(position));
}

}  // namespace quill
