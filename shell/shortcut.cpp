#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstring>
#include <vector>

#include "shell/com_ptr.h"
#include "shell/shell_library.h"

namespace quill {

bool CreateShortcut(const std::string& linkFile, const std::string& targetFile,
                    std::optional<std::string> description, std::optional<std::string> arguments,
                    std::optional<std::string> workingFolder, bool fiveArguments) {
    ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.out())))
        return false;
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.out()))) return false;

    // Only the save decides the result; the setters are not checked.
    link->SetPath(targetFile.c_str());
    link->SetShowCmd(SW_SHOW);
    if (description) link->SetDescription(description->c_str());
    if (fiveArguments) {
        if (arguments) link->SetArguments(arguments->c_str());
        if (workingFolder) link->SetWorkingDirectory(workingFolder->c_str());
    }

    // Any "." in the name, even in a folder part, counts as an extension already given.
    std::string name = linkFile;
    if (name.find('.') == std::string::npos) name += ".lnk";

    const int wideCount = MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, nullptr, 0);
    if (wideCount <= 0) return false;
    std::vector<wchar_t> wide(static_cast<size_t>(wideCount));
    MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, wide.data(), wideCount);
    return SUCCEEDED(file->Save(wide.data(), TRUE));
}

}  // namespace quill
