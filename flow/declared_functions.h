// The operating-system functions the installer binds by name, in table order.
#pragma once

#include <cstdint>

namespace quill {

enum DeclaredFunction : uint32_t {
    kSHGetFolderLocation = 0,
    kSHBrowseForFolderW = 1,
    kSHGetPathFromIDListW = 2,
    kCoTaskMemFree = 3,
    kCreateToolhelp32Snapshot = 4,
    kProcess32FirstW = 5,
    kCloseHandle = 6,
    kProcess32NextW = 7,
    kCoInitialize = 8,
    kCoUninitialize = 9,
    kGetDiskFreeSpaceExW = 10,
    kDeclaredFunctionCount = 11,
};

extern const char* const kDeclaredLibraries[kDeclaredFunctionCount];
extern const char* const kDeclaredNames[kDeclaredFunctionCount];

}  // namespace quill
