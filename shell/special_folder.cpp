#include <windows.h>
#include <shlobj.h>

#include "base/wide_text.h"
#include "shell/shell_library.h"

namespace quill {

namespace {

// Folder ids 1..8 and their shell folder numbers.
const int kShellFolders[] = {CSIDL_PERSONAL, CSIDL_FAVORITES, CSIDL_DESKTOPDIRECTORY, CSIDL_FONTS,
                             CSIDL_STARTMENU, CSIDL_PROGRAMS, CSIDL_STARTUP, CSIDL_APPDATA};

}  // namespace

std::string GetSpecialFolder(int32_t id) {
    wchar_t buffer[MAX_PATH + 1] = {};
    bool ok = false;
    if (id >= 1 && id <= 8) {
        ok = SHGetSpecialFolderPathW(nullptr, buffer, kShellFolders[id - 1], FALSE) != FALSE;
    } else if (id == 9) {
        ok = GetWindowsDirectoryW(buffer, MAX_PATH) != 0;
    } else if (id == 10) {
        ok = GetSystemDirectoryW(buffer, MAX_PATH) != 0;
    } else if (id == 11) {
        ok = GetTempPathW(MAX_PATH + 1, buffer) != 0;
    }
    if (!ok) return {};
    // A profile folder may be named in any script ("Jörg", "한국어"): taken in exactly.
    std::string path = FromWide(buffer);
    // The test is on the last byte: a double-byte character ending in 0x5C counts as a
    // backslash here.
    if (!path.empty() && path.back() != '\\') path += '\\';
    return path;
}

}  // namespace quill
