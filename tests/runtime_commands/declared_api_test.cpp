// Binding declared functions: where libraries are looked for, caching, ordinals, the
// release at the end, and that a planted system-library name beside the program is
// never loaded.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <vector>

#include "runtime/declared_api.h"
#include "runtime/declared_call.h"
#include "runtime/library_loading.h"
#include "runtime/program_header.h"
#include "test_support.h"

using namespace quill;

namespace {

const char kTestLibrary[] = "quill_test_export.dll";

// A declared table of the test's own, released again at the end of each test.
class DeclaredTable {
public:
    DeclaredTable(std::vector<std::string> libraries, std::vector<std::string> functions)
        : libraries_(std::move(libraries)), functions_(std::move(functions)) {
        for (const std::string& s : libraries_) libraryPtrs_.push_back(s.c_str());
        for (const std::string& s : functions_) functionPtrs_.push_back(s.c_str());
        ProgramHeader header{};
        header.declaredCount = static_cast<uint32_t>(libraries_.size());
        header.declaredLibraries = libraryPtrs_.data();
        header.declaredFunctions = functionPtrs_.data();
        InitialiseDeclaredApi(header);
    }
    ~DeclaredTable() { FreeDeclaredModules(); }

private:
    std::vector<std::string> libraries_, functions_;
    std::vector<const char*> libraryPtrs_, functionPtrs_;
};

}  // namespace

TEST(DeclaredApi, EmptyLibraryNameResolvesFromKernel32First) {
    DeclaredTable table({"", "", ""}, {"CreateToolhelp32Snapshot", "GetStockObject", "Process32FirstW"});
    void* expected = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "CreateToolhelp32Snapshot"));
    ASSERT_NE(expected, nullptr);
    EXPECT_EQ(ResolveDeclared(0), expected);
    // Further down the list: Gdi32.
    EXPECT_EQ(ResolveDeclared(1), reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("gdi32.dll"), "GetStockObject")));

    HANDLE snapshot = CallDeclared<HANDLE(DWORD, DWORD)>(0, TH32CS_SNAPPROCESS, 0);
    ASSERT_NE(snapshot, INVALID_HANDLE_VALUE);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    EXPECT_TRUE((CallDeclared<BOOL(HANDLE, LPPROCESSENTRY32W)>(2, snapshot, &entry)));
    CloseHandle(snapshot);
}

TEST(DeclaredApi, LibraryIsLoadedOnFirstCallOnlyAndOnce) {
    DeclaredTable table({"quill_test_export"}, {"QuillTestAdd"});
    EXPECT_EQ(GetModuleHandleA(kTestLibrary), nullptr) << "loaded before the first call";
    void* first = ResolveDeclared(0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(ResolveDeclared(0), first);
    EXPECT_EQ((CallDeclared<int(int, int)>(0, 2, 40)), 42);
    EXPECT_NE(GetModuleHandleA(kTestLibrary), nullptr);
    // One reference taken, one released: the library is gone after the end's release.
    FreeDeclaredModules();
    EXPECT_EQ(GetModuleHandleA(kTestLibrary), nullptr) << "loaded more than once, or not released";
}

TEST(DeclaredApi, OrdinalsAndAbsoluteNames) {
    const std::string absolute = quilltest::ExeFolder() + kTestLibrary;
    DeclaredTable table({"quill_test_export", "quill_test_export", "quill_test_export.dll", absolute},
                        {"QuillTestAdd", "#7", "#65543", "QuillTestAdd"});
    void* byName = ResolveDeclared(0);
    ASSERT_NE(byName, nullptr);
    EXPECT_EQ(ResolveDeclared(1), byName);
    EXPECT_EQ(ResolveDeclared(2), byName) << "only the low 16 bits of an ordinal count";
    EXPECT_EQ(ResolveDeclared(3), byName);
    FreeDeclaredModules();
    EXPECT_EQ(GetModuleHandleA(kTestLibrary), nullptr);
}

TEST(DeclaredApi, InstallerLibraryNamesResolveFromTheSystem) {
    const char* const modules[] = {"shell32.dll", "ole32.dll", "kernel32.dll", "ole32.dll", "kernel32.dll"};
    const char* const names[] = {"SHGetPathFromIDListW", "CoTaskMemFree", "CloseHandle", "CoInitialize",
                                 "GetDiskFreeSpaceExW"};
    DeclaredTable table({"shell32", "ole32", "kernel32", "ole32.dll", "kernel32.dll"},
                        {names[0], names[1], names[2], names[3], names[4]});
    // The function the named system library exports, not just some address.
    for (uint32_t i = 0; i < 5; ++i) {
        void* resolved = ResolveDeclared(i);
        EXPECT_EQ(resolved, reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(modules[i]), names[i])))
            << names[i];
    }
    ULARGE_INTEGER freeBytes{};
    EXPECT_TRUE((CallDeclared<BOOL(LPCWSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER)>(
        4, L"C:\\", &freeBytes, nullptr, nullptr)));
}

// Wine prefers its own shell32 to any shell32.dll on disk unless told otherwise for the
// program, so the probe is set to take native libraries first (a per-program setting in
// Wine's registry, inert on Windows). Its "unguarded" mode shows the plant is then loaded
// by a plain load from the program's folder; "resolve" is the program's own binding.
class PreferNative {
public:
    PreferNative(const std::string& exeName, const char* library)
        : key_("Software\\Wine\\AppDefaults\\" + exeName) {
        HKEY overrides = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, (key_ + "\\DllOverrides").c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                            nullptr, &overrides, nullptr) == ERROR_SUCCESS) {
            const char value[] = "native,builtin";
            RegSetValueExA(overrides, library, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), sizeof value);
            RegCloseKey(overrides);
        }
    }
    ~PreferNative() {
        RegDeleteKeyA(HKEY_CURRENT_USER, (key_ + "\\DllOverrides").c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, key_.c_str());
    }

private:
    std::string key_;
};

DWORD RunProbe(const std::string& exe, const std::string& arguments, const std::string& folder) {
    std::string line = "\"" + exe + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup, &process))
        return 1000;
    WaitForSingleObject(process.hProcess, 30000);
    DWORD code = 1001;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

TEST(DllPlanting, PlantedShell32BesideTheProgramIsNeverLoaded) {
    quilltest::ScratchFolder dir;
    const std::string source = quilltest::ExeFolder();
    ASSERT_TRUE(CopyFileA((source + "planting_probe.exe").c_str(), dir.File("planting_probe.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA((source + "planted\\shell32.dll").c_str(), dir.File("shell32.dll").c_str(), FALSE));
    const std::string marker = dir.File("planted-dll-loaded.txt");
    PreferNative preferNative("planting_probe.exe", "shell32");
    auto run = [&](const char* mode) { return RunProbe(dir.File("planting_probe.exe"), mode, dir.path()); };

    EXPECT_EQ(run("unguarded"), 0u);
    ASSERT_TRUE(quilltest::FileExists(marker)) << "the planted library is not loadable here; the test proves nothing";
    ASSERT_TRUE(DeleteFileA(marker.c_str()));

    EXPECT_EQ(run("resolve"), 0u) << "shell32 was not bound from the system folder";
    EXPECT_FALSE(quilltest::FileExists(marker)) << "the planted shell32.dll was loaded";
}

// The process-wide search order, set as the program starts: any later load by bare name
// (ours, or one a system library makes for itself) finds the system copy or nothing, never
// the copy beside the program or in the current folder.
TEST(DllPlanting, ABareNameLoadAfterStartUpNeverFindsAPlant) {
    quilltest::ScratchFolder dir;
    const std::string source = quilltest::ExeFolder();
    // Not one Wine's own system libraries import, so only the probe's load can find it.
    const std::string plant = source + "..\\security\\planted\\dwmapi.dll";
    const std::string current = dir.File("current\\");
    ASSERT_TRUE(CreateDirectoryA(current.c_str(), nullptr));
    ASSERT_TRUE(CopyFileA((source + "planting_probe.exe").c_str(), dir.File("planting_probe.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(plant.c_str(), dir.File("dwmapi.dll").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(plant.c_str(), (current + "dwmapi.dll").c_str(), FALSE));
    PreferNative preferNative("planting_probe.exe", "dwmapi");
    const std::string markers[] = {dir.File("dwmapi.loaded"), current + "dwmapi.loaded"};

    EXPECT_EQ(RunProbe(dir.File("planting_probe.exe"), "bare \"" + current + "dwmapi.dll\"", current), 1u);
    ASSERT_TRUE(quilltest::FileExists(markers[1])) << "the planted library is not loadable here; the test proves nothing";
    ASSERT_TRUE(DeleteFileA(markers[1].c_str()));

    EXPECT_EQ(RunProbe(dir.File("planting_probe.exe"), "bare dwmapi.dll", current), 0u);
    for (const std::string& marker : markers) EXPECT_FALSE(quilltest::FileExists(marker)) << marker;
}

TEST(DllPlanting, ShellLinksStillWorkWithTheHardenedSearchPath) {
    HardenDllSearchPath();
    quilltest::ScratchFolder dir;
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    IShellLinkA* link = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  reinterpret_cast<void**>(&link));
    ASSERT_TRUE(SUCCEEDED(hr)) << std::hex << hr;
    const std::string target = quilltest::ExeFolder() + "startup_probe.exe";
    wchar_t linkName[MAX_PATH];
    ASSERT_GT(MultiByteToWideChar(CP_ACP, 0, dir.File("hardened.lnk").c_str(), -1, linkName, MAX_PATH), 0);
    link->SetPath(target.c_str());
    IPersistFile* file = nullptr;
    ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))));
    EXPECT_TRUE(SUCCEEDED(file->Save(linkName, TRUE)));
    file->Release();
    link->Release();

    IShellLinkA* loaded = nullptr;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                           reinterpret_cast<void**>(&loaded))));
    IPersistFile* loadFile = nullptr;
    ASSERT_TRUE(SUCCEEDED(loaded->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&loadFile))));
    EXPECT_TRUE(SUCCEEDED(loadFile->Load(linkName, STGM_READ)));
    char path[MAX_PATH] = {};
    loaded->GetPath(path, MAX_PATH, nullptr, 0);
    EXPECT_EQ(_stricmp(path, target.c_str()), 0) << path;
    loadFile->Release();
    loaded->Release();
    CoUninitialize();
}
