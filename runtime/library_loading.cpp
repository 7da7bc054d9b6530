#include "runtime/library_loading.h"

#include "base/text.h"
#include "base/wide_text.h"

namespace quill {

namespace {

std::wstring SystemFolder() {
    wchar_t buffer[MAX_PATH];
    UINT n = GetSystemDirectoryW(buffer, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    std::wstring folder(buffer, n);
    if (folder.back() != L'\\') folder += L'\\';
    return folder;
}

HMODULE LoadFrom(const std::wstring& folder, const std::string& name) {
    if (folder.empty()) return nullptr;
    // A full path: the loader looks nowhere else. The altered search path lets a library
    // of the executable's folder find its own dependencies beside it.
    return LoadLibraryExW((folder + ToWide(name)).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// Called by the loader for the executable before its entry point: after the libraries it
// imports (all of them protected system libraries) and before the C runtime's start-up,
// static constructors or anything else of ours, so even a library that a system library
// loads for itself later comes from the system folder.
void NTAPI HardenAtProcessStart(PVOID, DWORD reason, PVOID) {
    if (reason == DLL_PROCESS_ATTACH) HardenDllSearchPath();
}

}  // namespace

extern "C" {
// The TLS callback list of the image (the C runtime brackets it with .CRT$XLA/.CRT$XLZ).
__attribute__((section(".CRT$XLB"), used)) PIMAGE_TLS_CALLBACK quill_harden_at_start = &HardenAtProcessStart;
}

void HardenDllSearchPath() {
    SetDllDirectoryW(L"");
    // Not present on Windows 7 without its loader update; SetDllDirectoryW alone then.
    using SetDefaultDirsFn = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto setDefault = reinterpret_cast<SetDefaultDirsFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

HMODULE LoadSystemLibrary(const std::string& name) {
    // Where the system knows the flag, it also confines the library's own imports to the
    // system folder; the full path alone leaves those to the default search.
    if (HMODULE m = LoadLibraryExW(ToWide(name).c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return m;
    if (GetLastError() != ERROR_INVALID_PARAMETER) return nullptr;
    return LoadFrom(SystemFolder(), name);
}

void LocateExecutable(std::string* folder, std::string* file) {
    folder->clear();
    file->clear();
    wchar_t buffer[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    const std::string path = FromWide(std::wstring_view(buffer, n));
    size_t cut = std::string::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(path[i]);
        if (IsLeadByte(c) && i + 1 < path.size()) {
            ++i;
        } else if (c == '\\') {
            cut = i;
        }
    }
    if (cut == std::string::npos) {
        *file = path;
        return;
    }
    *folder = path.substr(0, cut);
    *file = path.substr(cut + 1);
}

std::string ExecutableFolder() {
    std::string folder, file;
    LocateExecutable(&folder, &file);
    return folder.empty() ? folder : folder + "\\";
}

HMODULE LoadProgramLibrary(const std::string& name) {
    if (name.find(':') != std::string::npos) return LoadLibraryW(ToWide(name).c_str());
    if (HMODULE m = LoadSystemLibrary(name)) return m;
    return LoadFrom(ToWide(ExecutableFolder()), name);
}

}  // namespace quill
