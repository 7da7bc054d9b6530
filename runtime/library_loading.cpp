#include "runtime/library_loading.h"

#include "runtime/gbk_text.h"

namespace quill {

namespace {

// Folder part of a path including its last backslash; the backslash search moves by
// whole characters because 0x5C can be the second byte of a GBK character.
std::string FolderOf(const std::string& path) {
    size_t cut = 0;
    for (size_t i = 0; i < path.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(path[i]);
        if (IsLeadByte(c) && i + 1 < path.size()) {
            ++i;
        } else if (c == '\\') {
            cut = i + 1;
        }
    }
    return path.substr(0, cut);
}

std::string SystemFolder() {
    char buffer[MAX_PATH];
    UINT n = GetSystemDirectoryA(buffer, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    std::string folder(buffer, n);
    if (folder.back() != '\\') folder += '\\';
    return folder;
}

HMODULE LoadFrom(const std::string& folder, const std::string& name) {
    if (folder.empty()) return nullptr;
    // A full path: the loader looks nowhere else. The altered search path lets a library
    // of the executable's folder find its own dependencies beside it.
    return LoadLibraryExA((folder + name).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace

void HardenDllSearchPath() {
    SetDllDirectoryA("");
    // Not present on Windows 7 without its loader update; SetDllDirectoryA alone then.
    using SetDefaultDirsFn = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto setDefault = reinterpret_cast<SetDefaultDirsFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

std::string ExecutableFolder() {
    char buffer[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    return FolderOf(std::string(buffer, n));
}

HMODULE LoadProgramLibrary(const std::string& name) {
    if (name.find(':') != std::string::npos) return LoadLibraryA(name.c_str());
    if (HMODULE m = LoadFrom(SystemFolder(), name)) return m;
    return LoadFrom(ExecutableFolder(), name);
}

}  // namespace quill
