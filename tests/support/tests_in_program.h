// Runs GoogleTest from the start-up routine of a program of the runtime, so every test
// sees an initialised frame on its main thread, as the program's handlers do.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "runtime/frame.h"
#include "ui/libraries.h"

namespace quill::test {

inline int& ProgramTestResult() {
    static int result = 1;
    return result;
}

// A fatal runtime error shows its box and waits for a user a test run does not have. The
// box is answered at once and its text reported, so the program ends with -1 and the test
// fails straight away instead of running into the ctest timeout.
inline DWORD WINAPI AnswerFatalBoxes(LPVOID) {
    for (;;) {
        for (HWND box = nullptr; (box = FindWindowExA(nullptr, box, "#32770", "错误")) != nullptr;) {
            DWORD pid = 0;
            GetWindowThreadProcessId(box, &pid);
            if (pid != GetCurrentProcessId()) continue;
            wchar_t text[512] = {};
            GetDlgItemTextW(box, 0xFFFF, text, 512);
            char utf8[1536] = {};
            WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
            std::fprintf(stderr, "fatal runtime error, the program ends: %s\n", utf8);
            std::fflush(stderr);
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
        Sleep(100);
    }
}

inline int RunTestsStartup() {
    if (HANDLE watcher = CreateThread(nullptr, 0, &AnswerFatalBoxes, nullptr, 0, nullptr)) CloseHandle(watcher);
    InitialiseRuntime();
    ProgramTestResult() = RUN_ALL_TESTS();
    return 0;
}

// Call from main after testing::InitGoogleTest; answers the tests' result.
inline int RunTestsInProgram(const ProgramHeader& header) {
    RunApplication(header, &RunTestsStartup);
    return ProgramTestResult();
}

// The same for a program of the two window-unit libraries over a test's own template,
// handler table and constant area (all of which must outlive the call).
template <size_t Handlers, size_t Constants>
int RunTestsInProgram(const std::string& templateBytes, const HandlerSlot (&handlers)[Handlers],
                      const uint8_t (&constants)[Constants]) {
    static const SupportLibrary* const libraries[] = {&kCoreLibrary, &kExtLibrary};
    const ProgramHeader header = {
        3, 0, 0, handlers, constants, Constants,
        reinterpret_cast<const uint8_t*>(templateBytes.data()), static_cast<uint32_t>(templateBytes.size()),
        2, libraries, 0, nullptr, nullptr, Handlers};
    return RunTestsInProgram(header);
}

}  // namespace quill::test
