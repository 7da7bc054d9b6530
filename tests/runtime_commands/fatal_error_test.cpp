// Fatal runtime errors, seen from outside: a program of the runtime raises one, and the
// test reads the single box it shows (exact bytes), its exit code and whether its exit
// routine ran.
#include <gtest/gtest.h>

#include <windows.h>

#include "test_support.h"

namespace {

struct FatalRun {
    DWORD exitCode = 0;
    bool boxShown = false;
    std::string caption, thread, icon, text;
    bool secondBox = false;
    bool exitRoutineRan = false;
    std::string ownHandleClass;  // unloaded-window: class of the loaded window's handle
};

FatalRun RunProbe(const std::string& mode) {
    quilltest::ScratchFolder dir;
    FatalRun run;
    std::string folder = dir.path();
    folder.pop_back();  // a backslash before the closing quote would escape it
    std::string line = "\"" + quilltest::ExeFolder() + "fatal_probe.exe\" " + mode + " \"" + folder + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        ADD_FAILURE() << "fatal_probe did not start";
        return run;
    }
    if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "fatal_probe did not end";
        TerminateProcess(process.hProcess, 99);
        WaitForSingleObject(process.hProcess, 5000);
    }
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);

    std::string box;
    if (quilltest::ReadWholeFile(dir.File("box.txt"), &box)) {
        run.boxShown = true;
        // caption \n thread \n icon \n text (the text itself may hold line breaks)
        size_t a = box.find('\n'), b = box.find('\n', a + 1), c = box.find('\n', b + 1);
        run.caption = box.substr(0, a);
        run.thread = box.substr(a + 1, b - a - 1);
        run.icon = box.substr(b + 1, c - b - 1);
        run.text = box.substr(c + 1);
    }
    run.secondBox = quilltest::FileExists(dir.File("second-box.txt"));
    run.exitRoutineRan = quilltest::FileExists(dir.File("exit-routine-ran.txt"));
    quilltest::ReadWholeFile(dir.File("own-handle.txt"), &run.ownHandleClass);
    return run;
}

// Every fatal end looks alike apart from the text.
void ExpectFatalEnd(const FatalRun& run, const char* thread) {
    EXPECT_EQ(run.exitCode, 0xFFFFFFFFu);
    ASSERT_TRUE(run.boxShown);
    EXPECT_EQ(run.caption, "错误");
    EXPECT_EQ(run.icon, "error-icon");
    EXPECT_EQ(run.thread, thread) << "the box belongs on the raising thread";
    EXPECT_FALSE(run.secondBox);
    EXPECT_FALSE(run.exitRoutineRan);
}

}  // namespace

TEST(FatalError, CodeSixOnAWorkerThread) {
    FatalRun run = RunProbe("worker-code6");
    ExpectFatalEnd(run, "worker");
    EXPECT_EQ(run.text, "运行时出错!\r\n\r\n错误代码：6\r\n\r\n错误信息：调用DLL命令后发现堆栈错误\r\n");
}

TEST(FatalError, WorkerEndWithoutErrorIsTheControlCase) {
    // Same program, same thread, no error: the exit routine runs and the code is 0, so the
    // fatal runs above are told apart by the error path and not by the set-up.
    FatalRun run = RunProbe("clean-worker-end");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_FALSE(run.boxShown);
    EXPECT_TRUE(run.exitRoutineRan);
}

TEST(FatalError, DeclaredFunctionNotFound) {
    FatalRun run = RunProbe("missing-library");
    ExpectFatalEnd(run, "main");
    EXPECT_EQ(run.text, "运行时出错!\r\n\r\n错误信息：无法找到指定DLL库文件“quill_no_such_library”中的输出命令“QuillMissing”\r\n");

    run = RunProbe("missing-export");
    ExpectFatalEnd(run, "main");
    EXPECT_EQ(run.text, "运行时出错!\r\n\r\n错误信息：无法找到指定DLL库文件中的输出命令“QuillNoSuchExport”\r\n");
}

TEST(FatalError, WindowHandleOfAWindowNotLoaded) {
    FatalRun run = RunProbe("unloaded-window");
    EXPECT_FALSE(run.ownHandleClass.empty());
    EXPECT_NE(run.ownHandleClass, "not a window");
    ExpectFatalEnd(run, "main");
    EXPECT_EQ(run.text, "运行时出错!\r\n\r\n错误信息：指定窗口或窗口组件不存在或尚未载入\r\n");
}

#if defined(__i386__)
// Only i686 has a second calling convention and so a stack to check after the call.
TEST(FatalError, StackCheckAfterADeclaredCall) {
    FatalRun run = RunProbe("stack-mismatch");
    ExpectFatalEnd(run, "main");
    EXPECT_EQ(run.text, "运行时出错!\r\n\r\n错误代码：6\r\n\r\n错误信息：调用DLL命令后发现堆栈错误\r\n");
}
#endif

TEST(FatalError, IndexChecks) {
    FatalRun run = RunProbe("index-low");
    ExpectFatalEnd(run, "main");
    EXPECT_EQ(run.text, "运行时出错!\r\n\r\n错误代码：4\r\n\r\n错误信息：数组成员引用下标必须大于等于1\r\n");

    run = RunProbe("index-high");
    ExpectFatalEnd(run, "main");
    EXPECT_EQ(run.text, "运行时出错!\r\n\r\n错误代码：1\r\n\r\n错误信息：数组成员引用下标超出定义范围\r\n");
}

TEST(FatalError, AllocationFailureHasNoCodeLine) {
    FatalRun run = RunProbe("allocation");
    ExpectFatalEnd(run, "main");
    // The size as requested, unsigned, whatever the build's word size.
    const char* size = sizeof(size_t) == 8 ? "4611686022722351104" : "4294963200";
    EXPECT_EQ(run.text, std::string("运行时出错!\r\n\r\n错误信息：分配 ") + size + " 字节内存失败!\r\n");
}
