#include <windows.h>
#include <shlobj.h>

#include "shell/shell_library.h"

namespace quill {

namespace {

// Folder ids 1..8 and their shell folder numbers.
const int kShellFolders[] = {CSIDL_PERSONAL, CSIDL_FAVORITES, CSIDL_DESKTOPDIRECTORY, CSIDL_FONTS,
                             CSIDL_STARTMENU, CSIDL_PROGRAMS, CSIDL_STARTUP, CSIDL_APPDATA};

}  // namespace

std::string GetSpecialFolder(int32_t id) {
    char buffer[MAX_PATH] = {};
    bool ok = false;
    if (id >= 1 && id <= 8) {
        ok = SHGetSpecialFolderPathA(nullptr, buffer, kShellFolders[id - 1], FALSE) != FALSE;
    } else if (id == 9) {
        ok = GetWindowsDirectoryA(buffer, MAX_PATH) != 0;
    } else if (id == 10) {
        ok = GetSystemDirectoryA(buffer, MAX_PATH) != 0;
    } else if (id == 11) {
        ok = GetTempPathA(MAX_PATH, buffer) != 0;
    }
    if (!ok) return {};
    std::string path = buffer;
    // The test is on the last byte: a double-byte character ending in 0x5C counts as a
    // backslash here.
    if (!path.empty() && path.back() != '\\') path += '\\';
    return path;
}

}  // namespace quill
