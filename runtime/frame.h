// The runtime frame as the rest of the program sees it: start-up, the loop, event
// dispatch, property access, memory, fatal errors and the end of the program.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "runtime/event_record.h"
#include "runtime/program_header.h"
#include "runtime/unit.h"

namespace quill {

using StartupRoutineFn = int (*)();

// Process entry: constructs the application object from `header`, records the
// executable's folder and calls `startup`. Returns the process exit code.
int RunApplication(const ProgramHeader& header, StartupRoutineFn startup);

// Runtime initialisation, asked for by the program's start-up routine.
void InitialiseRuntime();
// The same for a run that shows nothing: no OLE, no message window, no window template,
// so it starts quicker. No window can be loaded afterwards; EndProgram works on the
// main thread only.
void InitialiseRuntimeWithoutWindows();

// Loads a window of the template. Returns true when the window exists afterwards.
bool LoadWindow(uint32_t windowId, HWND owner, bool forced);
// Loads the start window; failure is the fatal error "载入启动窗口失败".
void LoadStartWindow(uint32_t windowId);
// Runs while at least one window is loaded; returns after WM_QUIT.
void RunMessageLoop();

// The key state input events pass: bit 0 Ctrl, bit 1 Shift, bit 2 Alt, each while held.
int32_t InputKeyState();

// Routes an event to its bound handler on the calling thread. True when a handler ran.
bool FireEvent(EventRecord& record);
// EventBlockCount: while it is 1 or more no event reaches a handler.
void BlockEvents();
void UnblockEvents();

using IdleCallback = void (*)(void* argument);
void RegisterIdleCallback(HWND window, IdleCallback routine, void* argument);
using ExitRoutine = void (*)();
void RegisterExitRoutine(ExitRoutine routine);
// Forgets the registered exit routine (the fatal-error path).
void ForgetExitRoutine();

// Begins the end of the program, from any thread: no event reaches a handler from now on
// and ProgramEnding() answers true, so no property request is carried out any more. Every
// way the program ends passes through here first: EndProgram (the close glyph, a worker's
// end), the last window destroyed (Alt+F4, WM_CLOSE from elsewhere, the session's end), a
// fatal error.
void BeginProgramEnd();
// Ends the program from any thread; the shutdown always runs on the main thread. Called
// on another thread while the main thread already runs the shutdown, it ends that thread
// only.
[[noreturn]] void EndProgram(int exitCode);
// True once the end of the program has begun. A worker asks before it starts anything the
// user would still see or keep.
bool ProgramEnding();

// Memory from the process heap. Blocks inside the constant area are never freed.
void* Allocate(size_t size);
void Release(void* block);
void* Resize(void* block, size_t size);
bool IsInConstantArea(const void* p);

// Fatal runtime error: one box, then the end with exit code -1. Code 0 = no code line,
// empty message = no message line.
[[noreturn]] void RaiseRuntimeError(const char* message, int code);
// Raises error `code` (1..11) with the text of the runtime's error table.
[[noreturn]] void RaiseRuntimeErrorCode(int code);
// 1-based index check before an array element access: i < 1 raises 4, i > n raises 1.
void CheckIndex(int32_t index, int32_t count);

// Property access by window identifier, unit identifier and property index
// (0..7 common, 8 + k own property k). A write made on another thread is carried
// out on the window's thread and has taken effect when the call returns.
PropValue GetProperty(uint32_t windowId, uint32_t unitId, int index);
void SetProperty(uint32_t windowId, uint32_t unitId, int index, const PropValue& value);
// Native handle of a loaded window (unitId 0 / the window unit id) or control;
// fatal "指定窗口或窗口组件不存在或尚未载入" otherwise.
HWND GetUnitHandle(uint32_t windowId, uint32_t unitId);
// The created unit object, or null.
Unit* LookupUnit(uint32_t windowId, uint32_t unitId);

// The frame's notification entry handed to every support library.
intptr_t FrameNotify(int code, intptr_t a, intptr_t b, intptr_t c);

const ProgramHeader& Header();
// The executable's folder with a trailing backslash, and its file name.
const std::string& ExeFolder();
const std::string& ExeName();
HWND RuntimeMessageWindow();
DWORD MainThreadId();
// Runs `fn` on the main (window) thread and waits for it; runs it directly there.
void RunOnMainThread(void (*fn)(void*), void* context);

}  // namespace quill
