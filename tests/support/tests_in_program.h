// Runs GoogleTest from the start-up routine of a program of the runtime, so every test
// sees an initialised frame on its main thread, as the program's handlers do.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "runtime/frame.h"
#include "ui/libraries.h"

namespace quill::test {

inline int& ProgramTestResult() {
    static int result = 1;
    return result;
}

inline int RunTestsStartup() {
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
