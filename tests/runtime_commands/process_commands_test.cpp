// RunProgram: the show state the started program receives, waiting, and failure.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <sstream>

#include "runtime/commands.h"
#include "test_support.h"

using namespace quill;
using quilltest::ScratchFolder;

namespace {

struct StartedAs {
    int usesShowWindow = -1;
    int showState = -1;
};

std::string ProbeCommand(const std::string& outFile, int pauseMs = 0) {
    std::string line = "\"" + quilltest::ExeFolder() + "startup_probe.exe\" \"" + outFile + "\"";
    if (pauseMs) line += " " + std::to_string(pauseMs);
    return line;
}

bool ReadStartedAs(const std::string& file, StartedAs* out) {
    std::string text;
    if (!quilltest::ReadWholeFile(file, &text)) return false;
    std::istringstream in(text);
    in >> out->usesShowWindow >> out->showState;
    return !in.fail();
}

}  // namespace

TEST(RunProgram, ShowModeIsClampedAndMapped) {
    ScratchFolder dir;
    struct Case {
        std::optional<int32_t> mode;
        int expected;
    };
    const Case cases[] = {
        {std::nullopt, SW_SHOWNORMAL}, {0, SW_HIDE},           {-3, SW_HIDE},
        {1, SW_HIDE},                  {2, SW_SHOWNORMAL},     {3, SW_SHOWMINIMIZED},
        {4, SW_SHOWMAXIMIZED},         {5, SW_SHOWNOACTIVATE}, {6, SW_MINIMIZE},
        {9, SW_MINIMIZE},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string out = dir.File("mode" + std::to_string(n++) + ".txt");
        ASSERT_TRUE(RunProgram(ProbeCommand(out), true, c.mode));
        StartedAs seen;
        ASSERT_TRUE(ReadStartedAs(out, &seen));
        EXPECT_EQ(seen.usesShowWindow, 1);
        EXPECT_EQ(seen.showState, c.expected) << "mode " << (c.mode ? std::to_string(*c.mode) : "omitted");
    }
}

TEST(RunProgram, WaitsForTheEndOnlyWhenAsked) {
    using Clock = std::chrono::steady_clock;
    ScratchFolder dir;
    const std::string waited = dir.File("waited.txt");
    ASSERT_TRUE(RunProgram(ProbeCommand(waited, 700), true));
    EXPECT_TRUE(quilltest::FileExists(waited)) << "returned before the program ended";

    // Without wait the command gives the program at most a second to become idle.
    const std::string notWaited = dir.File("later.txt");
    auto start = Clock::now();
    ASSERT_TRUE(RunProgram(ProbeCommand(notWaited, 4000), false));
    auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    EXPECT_LT(took, 3000);
    EXPECT_FALSE(quilltest::FileExists(notWaited));
    // Let it finish before the scratch folder goes.
    for (int i = 0; i < 200 && !quilltest::FileExists(notWaited); ++i) Sleep(50);
    EXPECT_TRUE(quilltest::FileExists(notWaited));
    Sleep(100);
}

TEST(RunProgram, FalseWhenNothingStarts) {
    EXPECT_FALSE(RunProgram("\"" + quilltest::ExeFolder() + "no-such-program.exe\"", true));
    EXPECT_FALSE(RunProgram("", false));
}
