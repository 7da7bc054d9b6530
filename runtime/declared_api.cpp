// The DeclaredApiTable: functions the program names by library and export, bound the
// first time they are called. Resolution takes no lock: the program never resolves the
// same entry from two threads at once, and a resolved entry is only read afterwards.
#include "runtime/declared_api.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "runtime/frame.h"
#include "runtime/library_loading.h"
#include "runtime/program_header.h"

namespace quill {

namespace {

// Where a declared function with no library name is looked for, in this order.
const char* const kSystemLibraries[] = {"Kernel32.dll", "Gdi32.dll",   "User32.dll",
                                        "Advapi32.dll", "Mpr.dll",     "Shell32.dll"};

struct DeclaredApiTable {
    std::vector<std::string> libraries;
    std::vector<std::string> functions;
    std::vector<void*> addresses;
    std::vector<HMODULE> modules;
};

DeclaredApiTable& Table() {
    static DeclaredApiTable table;
    return table;
}

// "#n" names an export by ordinal: the low 16 bits of the decimal n.
LPCSTR ExportName(const std::string& function) {
    if (!function.empty() && function[0] == '#') {
        unsigned long ordinal = std::strtoul(function.c_str() + 1, nullptr, 10);
        return MAKEINTRESOURCEA(ordinal & 0xFFFF);
    }
    return function.c_str();
}

void* LookUp(HMODULE module, const std::string& function) {
    return reinterpret_cast<void*>(GetProcAddress(module, ExportName(function)));
}

[[noreturn]] void RaiseNotFound(const std::string& library, const std::string& function) {
    std::string message;
    if (library.empty()) {
        message = "无法找到指定DLL库文件中的输出命令“" + function + "”";
    } else {
        message = "无法找到指定DLL库文件“" + library + "”中的输出命令“" + function + "”";
    }
    RaiseRuntimeError(message.c_str(), 0);
}

}  // namespace

void InitialiseDeclaredApi(const ProgramHeader& header) {
    DeclaredApiTable& table = Table();
    const size_t count = header.declaredCount;
    table.libraries.assign(count, std::string());
    table.functions.assign(count, std::string());
    table.addresses.assign(count, nullptr);
    table.modules.assign(count, nullptr);
    for (size_t i = 0; i < count; ++i) {
        const char* library = header.declaredLibraries ? header.declaredLibraries[i] : nullptr;
        const char* function = header.declaredFunctions ? header.declaredFunctions[i] : nullptr;
        if (library) table.libraries[i] = library;
        if (function) table.functions[i] = function;
    }
}

void* ResolveDeclared(uint32_t index) {
    DeclaredApiTable& table = Table();
    if (index >= table.addresses.size()) RaiseRuntimeErrorCode(1);
    if (table.addresses[index]) return table.addresses[index];

    const std::string& library = table.libraries[index];
    const std::string& function = table.functions[index];
    HMODULE module = nullptr;
    void* address = nullptr;
    if (library.empty()) {
        for (const char* candidate : kSystemLibraries) {
            module = LoadProgramLibrary(candidate);
            if (!module) continue;
            address = LookUp(module, function);
            if (address) break;
            FreeLibrary(module);
            module = nullptr;
        }
    } else {
        module = LoadProgramLibrary(library);
        if (module) address = LookUp(module, function);
    }
    if (!address) {
        if (module) FreeLibrary(module);
        RaiseNotFound(library, function);
    }
    // The module stays loaded until the end of the program, one reference per entry.
    table.modules[index] = module;
    table.addresses[index] = address;
    return address;
}

void FreeDeclaredModules() {
    DeclaredApiTable& table = Table();
    for (HMODULE module : table.modules) {
        if (module) FreeLibrary(module);
    }
    table = DeclaredApiTable();
}

}  // namespace quill
