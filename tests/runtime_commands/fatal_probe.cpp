// A small program of the runtime for the fatal-error tests: one window, the thread
// library, a few declared functions, and an exit routine that leaves a marker.
//
//   fatal_probe <mode> <output folder>
//
// Modes: worker-code6 (runtime error 6 raised on a worker thread), missing-library,
// missing-export, unloaded-window, stack-mismatch, index-low, index-high, allocation (all raised on the main thread once
// the window is loaded), clean-worker-end (EndProgram 0 from a worker, the control case).
//
// A watcher thread reads the error box as the user would see it, writes its caption,
// text and raising thread to <output>\box.txt, and presses OK. The exit routine writes
// <output>\exit-routine-ran.txt.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>

#include "runtime/commands.h"
#include "runtime/declared_api.h"
#include "runtime/declared_call.h"
#include "runtime/frame.h"
#include "runtime/threads.h"
#include "test_support.h"
#include "ui/libraries.h"
#include "runtime/template_format.h"
#include "tests/support/test_window.h"

namespace {

using namespace quill;

constexpr uint32_t kProbeWindow = 0x52010001;

std::string g_mode;
std::string g_output;
std::string g_template;
std::atomic<DWORD> g_workerThread{0};

void WriteFile(const std::string& name, const std::string& bytes) { quilltest::WriteWholeFile(g_output + name, bytes); }

void ExitRoutineMarker() { WriteFile("exit-routine-ran.txt", "ran"); }

DWORD WINAPI Watcher(LPVOID) {
    for (int i = 0; i < 1000; ++i) {
        if (HWND box = quilltest::FindMessageBox(GetCurrentProcessId())) {
            Sleep(100);
            std::string caption, text;
            quilltest::ReadMessageBox(box, &caption, &text);
            DWORD boxThread = GetWindowThreadProcessId(box, nullptr);
            std::string thread = boxThread == g_workerThread ? "worker"
                                 : boxThread == MainThreadId() ? "main"
                                                               : "other";
            // The icon of an error box is the system's shared error icon.
            HICON icon = reinterpret_cast<HICON>(SendDlgItemMessageA(box, 0x0440, STM_GETICON, 0, 0));
            bool errorIcon = icon && icon == LoadIconA(nullptr, IDI_ERROR);
            WriteFile("box.txt", caption + "\n" + thread + "\n" + (errorIcon ? "error-icon" : "other-icon") + "\n" + text);
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            // A second box before the process ends would be recorded too.
            for (int j = 0; j < 100; ++j) {
                Sleep(20);
                HWND next = quilltest::FindMessageBox(GetCurrentProcessId());
                if (next && next != box) {
                    WriteFile("second-box.txt", "yes");
                    PostMessageA(next, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                    box = next;
                }
            }
            return 0;
        }
        Sleep(20);
    }
    return 0;
}

DWORD WINAPI Worker(LPVOID) {
    g_workerThread = GetCurrentThreadId();
    if (g_mode == "worker-code6") RaiseRuntimeErrorCode(6);
    if (g_mode == "clean-worker-end") EndProgram(0);
    return 0;
}

void RaiseOnMainThread() {
    if (g_mode == "missing-library") ResolveDeclared(0);
    if (g_mode == "missing-export") ResolveDeclared(1);
    if (g_mode == "unloaded-window") {
        // The loaded window answers with its own handle; a window that was never loaded is fatal.
        HWND own = reinterpret_cast<HWND>(GetWindowHandle(kProbeWindow, kWindowUnitId));
        char cls[64] = {};
        GetClassNameA(own, cls, sizeof cls);
        WriteFile("own-handle.txt", IsWindow(own) ? cls : "not a window");
        GetWindowHandle(kProbeWindow + 1, kWindowUnitId);
    }
    if (g_mode == "stack-mismatch") WriteFile("labs.txt", std::to_string(CallDeclared<long(long)>(3, -5L)));
    if (g_mode == "index-low") CheckIndex(0, 3);
    if (g_mode == "index-high") CheckIndex(4, 3);
    if (g_mode == "allocation") {
        // Far beyond what any heap grants; 0xFFFFF000 would read as -4096 if taken signed.
        const uint64_t huge = (sizeof(size_t) == 8) ? ((uint64_t(1) << 62) + 0xFFFFF000u) : 0xFFFFF000u;
        Allocate(static_cast<size_t>(huge));
    }
}

int Startup() {
    InitialiseRuntime();
    RegisterExitRoutine(&ExitRoutineMarker);
    LoadStartWindow(kProbeWindow);
    CreateThread(nullptr, 0, Watcher, nullptr, 0, nullptr);
    if (g_mode == "worker-code6" || g_mode == "clean-worker-end") {
        StartThread(Worker);
    } else {
        RaiseOnMainThread();
        EndProgram(3);  // the error did not end the program: say so instead of waiting
    }
    RunMessageLoop();
    return 0;
}

std::string BuildTemplate() {
    const UnitRecord window = test::WindowRecord("探针", 20, 20, 200, 120);
    WindowTemplate t;
    t.windowIds.push_back(kProbeWindow);
    WindowEntry entry;
    entry.unitIds.push_back(kWindowUnitId);
    entry.units.push_back(window);
    t.windows.push_back(entry);
    return WriteTemplate(t);
}

bool NoHandler(const int32_t*, int32_t*) { return false; }
const HandlerSlot kHandlers[] = {{&NoHandler}};
const uint8_t kConstants[8] = {};

// Entry 3 is a C-library function, which leaves its argument on the stack: declared as a
// Win32 function it trips the i686 stack check.
const char* const kLibraries[] = {"quill_no_such_library", "", "kernel32", "msvcrt"};
const char* const kFunctions[] = {"QuillMissing", "QuillNoSuchExport", "GetTickCount", "labs"};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    g_mode = argv[1];
    g_output = argv[2];
    if (!g_output.empty() && g_output.back() != '\\') g_output += '\\';
    g_template = BuildTemplate();
    static const SupportLibrary* const libraries[] = {&kCoreLibrary, &kThreadLibrary};
    static const ProgramHeader header = {3, 0, 0, kHandlers, kConstants, sizeof kConstants,
                                         reinterpret_cast<const uint8_t*>(g_template.data()),
                                         static_cast<uint32_t>(g_template.size()), 2, libraries, 4, kLibraries,
                                         kFunctions, 1};
    return RunApplication(header, &Startup);
}
