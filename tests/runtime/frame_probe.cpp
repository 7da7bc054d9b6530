// A small program of the runtime for the GUI tests of the frame's process-level
// behaviour. The first argument picks what it does:
//   end-from-worker <code>  a worker thread calls EndProgram(code) once the window shows
//   unknown-type            the start window holds a unit type no library offers
//   window                  just shows its window (closed by the test)
//   self-unloading          the start window's created handler destroys the window
// The exit routine appends "exit routine main=<1|0>" to the file named by QUILL_EXIT_LOG.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/frame.h"
#include "runtime/threads.h"
#include "ui/libraries.h"
#include "runtime/template_format.h"
#include "tests/support/test_window.h"

namespace {

using namespace quill;

constexpr uint32_t kPlainWindow = 0x52010001;
constexpr uint32_t kBrokenWindow = 0x52010002;

int g_endCode = 0;
bool g_endFromWorker = false;
bool g_unloadOnCreated = false;

DWORD WINAPI EndingWorker(LPVOID) {
    Sleep(300);
    EndProgram(g_endCode);
}

bool Created(const int32_t*, int32_t*) {
    if (g_endFromWorker) StartThread(&EndingWorker);
    if (g_unloadOnCreated) DestroyWindow(GetUnitHandle(kPlainWindow, kWindowUnitId));
    return false;
}

const HandlerSlot kHandlers[] = {{&Created}};

void ExitRoutine() {
    char path[MAX_PATH];
    const DWORD n = GetEnvironmentVariableA("QUILL_EXIT_LOG", path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    if (FILE* f = std::fopen(path, "ab")) {
        std::fprintf(f, "exit routine main=%d\n", GetCurrentThreadId() == MainThreadId() ? 1 : 0);
        std::fclose(f);
    }
}

WindowEntry Window(uint32_t childType) {
    WindowEntry e;
    UnitRecord w = test::WindowRecord("探针", 100, 100, 200, 150);
    w.events = {{0, 0}};
    UnitRecord child;
    child.type = childType;
    child.name = "图片框";
    child.width = 40;
    child.height = 40;
    child.flags = kUnitVisible;
    w.children = {0x16010001};
    e.unitIds = {kWindowUnitId, 0x16010001};
    e.units = {w, child};
    return e;
}

std::string g_template;
uint32_t g_startWindow = kPlainWindow;

int Startup() {
    InitialiseRuntime();
    RegisterExitRoutine(&ExitRoutine);
    LoadStartWindow(g_startWindow);
    RunMessageLoop();
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const std::string mode = __argc > 1 ? __argv[1] : "window";
    if (mode == "end-from-worker") {
        g_endFromWorker = true;
        g_endCode = __argc > 2 ? std::atoi(__argv[2]) : 0;
    } else if (mode == "self-unloading") {
        g_unloadOnCreated = true;
    } else if (mode == "unknown-type") {
        g_startWindow = kBrokenWindow;
    }
    WindowTemplate t;
    t.windowIds = {kPlainWindow, kBrokenWindow};
    t.windows = {Window(kTypePicBox), Window(0x00090001)};
    g_template = WriteTemplate(t);
    static const SupportLibrary* const libraries[] = {&kCoreLibrary, &kExtLibrary, nullptr, nullptr, &kThreadLibrary};
    static const ProgramHeader header = {
        3, 0, 0, kHandlers, nullptr, 0, reinterpret_cast<const uint8_t*>(g_template.data()),
        static_cast<uint32_t>(g_template.size()), 5, libraries, 0, nullptr, nullptr, 1};
    return RunApplication(header, &Startup);
}
