// The application object: start-up, runtime initialisation and the end of the program.
#include <windows.h>
#include <ole2.h>

#include "runtime/declared_api.h"
#include "runtime/frame.h"
#include "runtime/library_loading.h"
#include "runtime/runtime_state.h"

namespace quill {

namespace {

// Sent by a thread other than the main one to hand over an end request.
constexpr UINT kMsgEndProgram = 0x83E7;
// Carries a routine to run on the main thread (RunOnMainThread).
constexpr UINT kMsgRunOnMain = WM_APP + 0x3A1;

struct MainThreadCall {
    void (*fn)(void*);
    void* context;
};

LRESULT CALLBACK MessageWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case kMsgEndProgram:
        EndProgram(static_cast<int>(wp));
        return 0;  // not reached: EndProgram ends the process
    case kMsgRunOnMain: {
        auto* call = reinterpret_cast<MainThreadCall*>(lp);
        call->fn(call->context);
        return 1;
    }
    default:
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
}

// Splits a module path at its last backslash; a trail byte of a double-byte character
// is never taken for one.
void SplitModulePath(const char* path, std::string* folder, std::string* file) {
    const char* lastSlash = nullptr;
    for (const char* p = path; *p;) {
        if (*p == '\\') lastSlash = p;
        if (static_cast<unsigned char>(*p) >= 0x80 && p[1]) {
            p += 2;
        } else {
            ++p;
        }
    }
    if (!lastSlash) {
        folder->clear();
        *file = path;
        return;
    }
    folder->assign(path, static_cast<size_t>(lastSlash - path));
    *file = lastSlash + 1;
}

void CreateMessageWindow() {
    RuntimeState& s = State();
    static const char kClass[] = "QuillRuntimeMessageWindow";
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &MessageWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = nullptr;
    wc.lpszClassName = kClass;
    RegisterClassExA(&wc);
    s.messageWindow = CreateWindowExA(WS_EX_TOOLWINDOW, kClass, "", 0, 0, 0, 0, 0, nullptr, nullptr,
                                      GetModuleHandleA(nullptr), nullptr);
}

// Every handler offset becomes a handler; -1, or an offset outside the program's handler
// table, means none.
void ResolveHandlers() {
    RuntimeState& s = State();
    const ProgramHeader& h = *s.header;
    s.windows.clear();
    s.windows.resize(s.tpl.windows.size());
    for (size_t w = 0; w < s.tpl.windows.size(); ++w) {
        LoadedWindow& lw = s.windows[w];
        lw.windowId = s.tpl.windowIds[w];
        lw.entry = &s.tpl.windows[w];
        lw.units.resize(lw.entry->units.size());
        for (size_t u = 0; u < lw.entry->units.size(); ++u) {
            LoadedUnit& lu = lw.units[u];
            lu.record = &lw.entry->units[u];
            lu.type = FindUnitType(lu.record->type);
            for (const EventBinding& e : lu.record->events) {
                HandlerFn fn = nullptr;
                const auto offset = static_cast<uint32_t>(e.handlerOffset);
                if (e.handlerOffset != kNoHandler && h.handlerBase && offset % sizeof(HandlerSlot) == 0 &&
                    offset / sizeof(HandlerSlot) < h.handlerCount)
                    fn = h.handlerBase[offset / sizeof(HandlerSlot)].fn;
                lu.handlers.push_back({e.event, fn});
            }
        }
    }
}

void RunShutdownSequence() {
    RuntimeState& s = State();
    s.idleCallbacks.clear();
    DestroyAllWindows();
    if (ExitRoutine routine = s.exitRoutine) {
        s.exitRoutine = nullptr;
        routine();
    }
    if (s.header) {
        for (uint32_t i = 0; i < s.header->libraryCount; ++i) {
            const SupportLibrary* lib = s.header->libraries[i];
            if (lib && lib->notify) lib->notify(kNotifyEnd, 0, 0, 0);
        }
    }
    FreeDeclaredModules();
    if (s.messageWindow) {
        DestroyWindow(s.messageWindow);
        s.messageWindow = nullptr;
    }
    if (s.oleInitialised) {
        s.oleInitialised = false;
        OleUninitialize();
    }
}

}  // namespace

RuntimeState& State() {
    static RuntimeState state;
    return state;
}

int RunApplication(const ProgramHeader& header, StartupRoutineFn startup) {
    // Before anything loads a library: never from the current folder.
    HardenDllSearchPath();
    RuntimeState& s = State();
    s.header = &header;
    s.startup = startup;
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    SplitModulePath(path, &s.exeFolder, &s.exeName);
    s.exeFolderSlash = s.exeFolder + "\\";
    // The start-up routine returns 0 after its own loop, so the framework's loop never runs;
    // the exit step then shuts down and the process ends with the quit message's code.
    startup();
    s.shutdownStarted = true;
    RunShutdownSequence();
    return s.quitCode;
}

namespace {

// Everything but OLE, the message window and the window template.
void InitialiseCore(bool withWindows) {
    RuntimeState& s = State();
    const ProgramHeader& h = *s.header;
    s.heap = GetProcessHeap();
    s.buildKind = h.buildKind;
    s.imageTag = h.imageTag + 1;
    if (withWindows && !s.oleInitialised) s.oleInitialised = SUCCEEDED(OleInitialize(nullptr));
    SetCurrentDirectoryA(s.exeFolder.empty() ? "\\" : s.exeFolderSlash.c_str());
    if (withWindows) CreateMessageWindow();
    s.mainThreadId = GetCurrentThreadId();
    s.constantStart = h.constantStart;
    s.constantEnd = h.constantStart ? h.constantStart + h.constantSize : nullptr;
    InitialiseDeclaredApi(h);
    for (uint32_t i = 0; i < h.libraryCount; ++i) {
        const SupportLibrary* lib = h.libraries[i];
        if (lib && lib->notify) lib->notify(kNotifyStart, reinterpret_cast<intptr_t>(&FrameNotify), 0, 0);
    }
}

}  // namespace

void InitialiseRuntime() {
    InitialiseCore(true);
    RuntimeState& s = State();
    const ProgramHeader& h = *s.header;
    if (!ReadTemplate(h.templateData, h.templateSize, &s.tpl)) RaiseRuntimeError("载入窗口模板数据段出错!", 0);
    ResolveHandlers();
}

void InitialiseRuntimeWithoutWindows() { InitialiseCore(false); }

void RegisterExitRoutine(ExitRoutine routine) { State().exitRoutine = routine; }
void ForgetExitRoutine() { State().exitRoutine = nullptr; }

void RegisterIdleCallback(HWND window, IdleCallback routine, void* argument) {
    RuntimeState& s = State();
    for (const IdleEntry& e : s.idleCallbacks)
        if (e.window == window) return;
    s.idleCallbacks.push_back({window, routine, argument});
}

[[noreturn]] void EndProgram(int exitCode) {
    RuntimeState& s = State();
    BlockEvents();
    if (GetCurrentThreadId() != s.mainThreadId) {
        // The shutdown always runs on the main thread; it ends the process from there.
        if (s.messageWindow) SendMessageA(s.messageWindow, kMsgEndProgram, static_cast<WPARAM>(exitCode), 0);
        ExitProcess(static_cast<UINT>(exitCode));
    }
    if (!s.shutdownStarted.exchange(true)) RunShutdownSequence();
    ExitProcess(static_cast<UINT>(exitCode));
}

bool ProgramEnding() { return State().shutdownStarted; }

void RunOnMainThread(void (*fn)(void*), void* context) {
    RuntimeState& s = State();
    if (GetCurrentThreadId() == s.mainThreadId || !s.messageWindow) {
        fn(context);
        return;
    }
    MainThreadCall call{fn, context};
    SendMessageA(s.messageWindow, kMsgRunOnMain, 0, reinterpret_cast<LPARAM>(&call));
}

const ProgramHeader& Header() { return *State().header; }
const std::string& ExeFolder() { return State().exeFolderSlash; }
const std::string& ExeName() { return State().exeName; }
HWND RuntimeMessageWindow() { return State().messageWindow; }
DWORD MainThreadId() { return State().mainThreadId; }

}  // namespace quill
