// Run by the DLL planting test from a folder that also holds a planted "shell32.dll".
//   planting_probe resolve    binds shell32's SHGetFolderLocation as the installer does;
//                             exit 0 when it came from the system folder, 1 otherwise
//   planting_probe unguarded  loads "<own folder>\shell32" directly (proves the plant works)
//   planting_probe bare NAME  loads NAME by its bare name, as code that trusts the search
//                             order would; exit 0 when it came from the system folder or
//                             was not found, 1 otherwise
#include <windows.h>

#include <cstring>
#include <string>

#include "runtime/declared_api.h"
#include "runtime/library_loading.h"
#include "runtime/program_header.h"

namespace {

std::string ModuleFolderOf(const void* address) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCSTR>(address), &module)) {
        return {};
    }
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(module, path, MAX_PATH);
    std::string folder(path, n);
    return folder.substr(0, folder.find_last_of('\\'));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    if (std::strcmp(argv[1], "unguarded") == 0) {
        return LoadLibraryA((quill::ExecutableFolder() + "shell32").c_str()) ? 0 : 3;
    }
    char system[MAX_PATH];
    UINT n = GetSystemDirectoryA(system, MAX_PATH);
    if (std::strcmp(argv[1], "bare") == 0 && argc > 2) {
        HMODULE module = LoadLibraryA(argv[2]);
        return !module || _stricmp(ModuleFolderOf(module).c_str(), std::string(system, n).c_str()) == 0 ? 0 : 1;
    }
    const char* libraries[] = {"shell32"};
    const char* functions[] = {"SHGetFolderLocation"};
    quill::ProgramHeader header{};
    header.declaredCount = 1;
    header.declaredLibraries = libraries;
    header.declaredFunctions = functions;
    quill::InitialiseDeclaredApi(header);
    void* address = quill::ResolveDeclared(0);
    return _stricmp(ModuleFolderOf(address).c_str(), std::string(system, n).c_str()) == 0 ? 0 : 1;
}
