// Runs GoogleTest from the start-up routine of a program of the runtime, so every test
// sees an initialised frame on its main thread, as the program's handlers do.
#pragma once

#include <gtest/gtest.h>

#include "runtime/frame.h"

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

}  // namespace quill::test
