// The application object: start-up, runtime initialisation and the end of the program.
#include <windows.h>
#include <ole2.h>

#include "base/wide_text.h"
#include "runtime/declared_api.h"
#include "runtime/frame.h"
#include "runtime/library_loading.h"
#include "runtime/runtime_state.h"
#include "runtime/threads.h"

namespace quill {

namespace {

// Sent by a thread other than the main one to hand over an end request.
constexpr UINT kMsgEndProgram = 0x83E7;
// Carries a routine to run on the main thread (RunOnMainThread).
constexpr UINT kMsgRunOnMain = WM_APP + 0x3A1;

[[noreturn]] void EndProgramOnMainThread(int exitCode, DWORD requester);

struct MainThreadCall {
    void (*fn)(void*);
    void* context;
};

// How long the end of the program gives the program's own threads to notice it and let go
// of what they hold; one blocked for good (in a message box, say) is left to the process end.
constexpr DWORD kThreadGraceMs = 3000;

LRESULT CALLBACK MessageWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case kMsgEndProgram:
        // While the main thread already runs the end (and waits for the sender meanwhile),
        // the request has nothing left to do: the sender ends only itself.
        if (State().shutdownStarted) return 0;
        EndProgramOnMainThread(static_cast<int>(wp), static_cast<DWORD>(lp));
        return 0;
    case kMsgRunOnMain: {
        auto* call = reinterpret_cast<MainThreadCall*>(lp);
        // Checked here, on the main thread: the end may have begun after the request left.
        if (ProgramEnding()) return 0;
        call->fn(call->context);
        return 1;
    }
    case WM_ENDSESSION:
        // The session ends and the process with it: end the program properly first.
        if (wp) EndProgram(0);
        return 0;
    default:
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

void CreateMessageWindow() {
    RuntimeState& s = State();
    static const wchar_t kClass[] = L"QuillRuntimeMessageWindow";
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &MessageWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = nullptr;
    wc.lpszClassName = kClass;
    RegisterClassExW(&wc);
    s.messageWindow = CreateWindowExW(WS_EX_TOOLWINDOW, kClass, L"", 0, 0, 0, 0, 0, nullptr, nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
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

// `requester`: the thread that asked for the end and waits for it (0 for none).
void RunShutdownSequence(DWORD requester) {
    RuntimeState& s = State();
    s.idleCallbacks.clear();
    DestroyAllWindows();
    // The program's own threads see the end (no event, no property access from now on) and
    // let go of what they hold, such as an archive being unpacked, before the exit routine
    // cleans up after them.
    const bool threadsEnded = WaitForStartedThreads(kThreadGraceMs, requester);
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
    // A thread still running may yet call a declared function: the table and its modules
    // then stay until the process ends.
    if (threadsEnded) FreeDeclaredModules();
    if (s.messageWindow) {
        DestroyWindow(s.messageWindow);
        s.messageWindow = nullptr;
    }
    if (s.oleInitialised) {
        s.oleInitialised = false;
        OleUninitialize();
    }
}

[[noreturn]] void EndProgramOnMainThread(int exitCode, DWORD requester) {
    RuntimeState& s = State();
    BeginProgramEnd();
    if (!s.shutdownStarted.exchange(true)) RunShutdownSequence(requester);
    ExitProcess(static_cast<UINT>(exitCode));
}

}  // namespace

RuntimeState& State() {
    static RuntimeState state;
    return state;
}

int RunApplication(const ProgramHeader& header, StartupRoutineFn startup) {
    RuntimeState& s = State();
    s.header = &header;
    s.startup = startup;
    LocateExecutable(&s.exeFolder, &s.exeName);
    s.exeFolderSlash = s.exeFolder + "\\";
    // The start-up routine returns 0 after its own loop, so the framework's loop never runs;
    // the exit step then shuts down and the process ends with the quit message's code.
    startup();
    BeginProgramEnd();
    if (!s.shutdownStarted.exchange(true)) RunShutdownSequence(0);
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
    SetCurrentDirectoryW(ToWide(s.exeFolder.empty() ? std::string("\\") : s.exeFolderSlash).c_str());
    if (withWindows) CreateMessageWindow();
    s.mainThreadId = GetCurrentThreadId();
    s.constantStart = h.constantStart;
    s.constantEnd = h.constantStart ? h.constantStart + h.constantSize : nullptr;
    InitialiseDeclaredApi(h);
    for (uint32_t i = 0; i < h.libraryCount; ++i) {
        const SupportLibrary* lib = h.libraries[i];
        if (lib && lib->notify) lib->notify(kNotifyStart, reinterpret_cast<intptr_t>(&FrameNotify), withWindows ? 1 : 0, 0);
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

void BeginProgramEnd() {
    if (!State().ending.exchange(true)) BlockEvents();
}

[[noreturn]] void EndProgram(int exitCode) {
    RuntimeState& s = State();
    BeginProgramEnd();
    if (GetCurrentThreadId() == s.mainThreadId) EndProgramOnMainThread(exitCode, 0);
    // The shutdown always runs on the main thread; it ends the process from there.
    if (s.messageWindow && !s.shutdownStarted)
        SendMessageW(s.messageWindow, kMsgEndProgram, static_cast<WPARAM>(exitCode),
                     static_cast<LPARAM>(GetCurrentThreadId()));
    // The main thread's end was already under way: it decides how the process ends.
    if (s.shutdownStarted) ExitThread(0);
    ExitProcess(static_cast<UINT>(exitCode));
}

bool ProgramEnding() { return State().ending; }

void RunOnMainThread(void (*fn)(void*), void* context) {
    RuntimeState& s = State();
    if (GetCurrentThreadId() == s.mainThreadId || !s.messageWindow) {
        fn(context);
        return;
    }
    MainThreadCall call{fn, context};
    SendMessageW(s.messageWindow, kMsgRunOnMain, 0, reinterpret_cast<LPARAM>(&call));
}

const ProgramHeader& Header() { return *State().header; }
const std::string& ExeFolder() { return State().exeFolderSlash; }
const std::string& ExeName() { return State().exeName; }
HWND RuntimeMessageWindow() { return State().messageWindow; }
DWORD MainThreadId() { return State().mainThreadId; }

}  // namespace quill
