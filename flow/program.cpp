// The installer as a program of the runtime: its handler table, its program header and
// the process entry.
#include <windows.h>

#include <type_traits>

#include "archive/zip_unit.h"
#include "data/constants.h"
#include "flow/declared_functions.h"
#include "flow/flow_state.h"
#include "flow/handlers.h"
#include "runtime/frame.h"
#include "runtime/threads.h"
#include "shell/shell_library.h"
#include "ui/libraries.h"

extern "C" const uint8_t InstallerTemplateStart[];
extern "C" const uint8_t InstallerTemplateEnd[];

namespace quill {

namespace {

// Adapts a handler with its own parameter list to the table's uniform form.
template <auto F>
bool Invoke(const int32_t* a, int32_t* result) {
    (void)result;
    using Fn = decltype(F);
    if constexpr (std::is_invocable_v<Fn>) {
        F();
    } else if constexpr (std::is_invocable_v<Fn, int32_t>) {
        F(a[0]);
    } else {
        F(a[0], a[1], a[2]);
    }
    return false;
}

const HandlerSlot kHandlerTable[] = {
#define QUILL_HANDLER(name) {&Invoke<&name>},
#include "flow/handlers.def"
#undef QUILL_HANDLER
};

const SupportLibrary* const kLibraries[] = {&kCoreLibrary, &kExtLibrary, &kShellLibrary, &kArchiveLibrary,
                                            &kThreadLibrary};

}  // namespace

const char* const kDeclaredLibraries[kDeclaredFunctionCount] = {
    "shell32", "shell32", "shell32", "ole32", "", "", "kernel32", "", "ole32.dll", "ole32.dll", "kernel32.dll"};
const char* const kDeclaredNames[kDeclaredFunctionCount] = {
    "SHGetFolderLocation",      "SHBrowseForFolderW", "SHGetPathFromIDListW", "CoTaskMemFree",
    "CreateToolhelp32Snapshot", "Process32FirstW",    "CloseHandle",          "Process32NextW",
    "CoInitialize",             "CoUninitialize",     "GetDiskFreeSpaceExW"};

const ProgramHeader kProgramHeader = {
    3,        // build kind
    0,        // reserved
    0x148A8,  // image tag
    kHandlerTable,
    ConstantAreaStart,
    static_cast<uint32_t>(ConstantAreaEnd - ConstantAreaStart),
    InstallerTemplateStart,
    static_cast<uint32_t>(InstallerTemplateEnd - InstallerTemplateStart),
    sizeof(kLibraries) / sizeof(kLibraries[0]),
    kLibraries,
    kDeclaredFunctionCount,
    kDeclaredLibraries,
    kDeclaredNames,
    sizeof(kHandlerTable) / sizeof(kHandlerTable[0]),
};

}  // namespace quill

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return quill::RunApplication(quill::kProgramHeader, &quill::StartupRoutine);
}
