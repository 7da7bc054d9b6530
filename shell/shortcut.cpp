#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "base/wide_text.h"
#include "shell/com_ptr.h"
#include "shell/shell_library.h"

namespace quill {

bool CreateShortcut(const std::string& linkFile, const std::string& targetFile,
                    std::optional<std::string> description, std::optional<std::string> arguments,
                    std::optional<std::string> workingFolder, bool fiveArguments) {
    ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.out())))
        return false;
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.out()))) return false;

    // Only the save decides the result; the setters are not checked.
    link->SetPath(ToWide(targetFile).c_str());
    link->SetShowCmd(SW_SHOW);
    if (description) link->SetDescription(ToWide(*description).c_str());
    if (fiveArguments) {
        if (arguments) link->SetArguments(ToWide(*arguments).c_str());
        if (workingFolder) link->SetWorkingDirectory(ToWide(*workingFolder).c_str());
    }

    // Any "." in the name, even in a folder part, counts as an extension already given.
    std::string name = linkFile;
    if (name.find('.') == std::string::npos) name += ".lnk";

    return SUCCEEDED(file->Save(ToWide(name).c_str(), TRUE));
}

}  // namespace quill
