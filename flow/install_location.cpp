// The install folder: shown and held as the caption of 标签_安装目录. Its default is a
// brand folder on drive D (or C when D has less than 1000 MiB free) plus the product
// name; a press on the label lets the user pick another parent folder.
#include "flow/install_location.h"

#include <shlobj.h>

#include "base/wide_text.h"
#include "data/brand_table.h"
#include "data/constants.h"
#include "flow/declared_functions.h"
#include "flow/flow_state.h"
#include "flow/handlers.h"
#include "flow/install_worker.h"
#include "runtime/commands.h"
#include "runtime/declared_call.h"
#include "runtime/frame.h"
#include "flow/installer_window.h"
#include "ui/accessible.h"
#include "ui/label.h"

namespace quill {

namespace {

constexpr int64_t kDriveDThresholdMiB = 1000;
constexpr int kLabelCaption = OwnProperty(Label::kCaption);

// The folder as the label shows it, and as a reader announces the label: after the caption
// beside it ("安装目录："), which says what the folder is.
void ShowInstallFolder(const std::string& folder) {
    SetProperty(kInstallerWindowId, kUnitInstallFolder, kLabelCaption, PropValue::OfText(folder));
    const std::string what = GetProperty(kInstallerWindowId, kUnitFolderCaption, kLabelCaption).s;
    SetReaderName(kInstallerWindowId, kUnitInstallFolder, what + folder);
}

}  // namespace

bool GetDiskSpaceMB(const std::string& path, int64_t* freeMiB) {
    ULARGE_INTEGER available{}, total{}, totalFree{};
    const BOOL ok = CallDeclared<BOOL(LPCWSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER)>(
        kGetDiskFreeSpaceExW, ToWide(path).c_str(), &available, &total, &totalFree);
    *freeMiB = static_cast<int64_t>(static_cast<double>(totalFree.QuadPart) / ConstantNumber(ConstBytesPerMiB));
    return ok != FALSE;
}

std::string BrowseForFolder(HWND owner, std::optional<std::string> title) {
    const std::wstring dialogTitle = ToWide(title ? *title : ConstSelectFolderTitle);
    PIDLIST_ABSOLUTE root = nullptr;
    CallDeclared<HRESULT(HWND, int, HANDLE, DWORD, PIDLIST_ABSOLUTE*)>(kSHGetFolderLocation, owner, 0, nullptr, 0,
                                                                       &root);
    // The dialog writes the chosen item's display name over the blanks.
    std::wstring displayName = ToWide(BlankText(MAX_PATH));

    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.pidlRoot = root;
    info.pszDisplayName = &displayName[0];
    info.lpszTitle = dialogTitle.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN | BIF_STATUSTEXT | BIF_EDITBOX | BIF_VALIDATE |
                   BIF_NEWDIALOGSTYLE;
    PIDLIST_ABSOLUTE item = CallDeclared<PIDLIST_ABSOLUTE(LPBROWSEINFOW)>(kSHBrowseForFolderW, &info);

    std::string result;
    const std::string name = TrimBlanks(FromWide(displayName.c_str()));
    // Every character of a name comes through the wide form; a "?" is what stands for a
    // broken one (half of a surrogate pair), and such an item is refused.
    if (FindText(name, ConstQuestionMark, 1, 0) == -1) {
        if (item) {
            std::wstring buffer = ToWide(BlankText(MAX_PATH));
            if (CallDeclared<BOOL(PCIDLIST_ABSOLUTE, LPWSTR)>(kSHGetPathFromIDListW, item, &buffer[0])) {
                result = FromWide(buffer.c_str());
                // A drive root comes back as "D:\"; callers append "\" + name themselves.
                if (TextLength(result) == 3) result = LeftText(result, 2);
            }
        } else if (!name.empty()) {
            result = std::string(ConstDoubleBackslash) + name;
        }
    }
    CallDeclared<void(LPVOID)>(kCoTaskMemFree, item);
    CallDeclared<void(LPVOID)>(kCoTaskMemFree, root);
    return result;
}

std::string DefaultInstallFolder() {
    int64_t freeMiB = 0;
    GetDiskSpaceMB(ConstDriveDLower, &freeMiB);
    const char* driveRoot = freeMiB < kDriveDThresholdMiB ? ConstRootC : ConstRootD;

    FlowState& f = Flow();
    f.productIndex = InstalledProductPosition();
    const BrandRow* row = FindBrand(InstalledBrandKey());
    const std::string brandFolder = row ? row->folder : ConstEmpty;
    f.productList = row ? row->products : ConstEmpty;
    f.productNames = SplitText(f.productList, std::string(ConstVerticalBar));
    CheckIndex(f.productIndex, static_cast<int32_t>(f.productNames.size()));
    f.productName = f.productNames[static_cast<size_t>(f.productIndex - 1)];
    return driveRoot + brandFolder + f.productName;
}

void ShowDefaultInstallFolder() {
    const std::string folder = DefaultInstallFolder();
    const std::string& given = Flow().commandLineFolder;
    ShowInstallFolder(given.empty() ? folder : given);
}

std::string InstallFolder() { return GetProperty(kInstallerWindowId, kUnitInstallFolder, kLabelCaption).s; }

void OnInstallFolderPressed(int32_t, int32_t, int32_t) {
    // Every stage of a running installation reads the folder it extracts into; it must not
    // change under it.
    if (InstallationRunning()) return;
    HWND owner = reinterpret_cast<HWND>(GetWindowHandle(kInstallerWindowId, kWindowUnitId));
    const std::string path = BrowseForFolder(owner, std::string(ConstSelectInstallTitle));
    if (path.empty()) return;
    FlowState& f = Flow();
    CheckIndex(f.productIndex, static_cast<int32_t>(f.productNames.size()));
    ShowInstallFolder(path + ConstBackslash + f.productNames[static_cast<size_t>(f.productIndex - 1)]);
}

}  // namespace quill
