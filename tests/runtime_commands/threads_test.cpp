// StartThread and the thread component's notification entry.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>

#include "runtime/threads.h"

using namespace quill;

namespace {

std::atomic<intptr_t> g_seenParameter{-1};
HANDLE g_ran = nullptr;

DWORD WINAPI RecordParameter(LPVOID parameter) {
    g_seenParameter = reinterpret_cast<intptr_t>(parameter);
    SetEvent(g_ran);
    return 77;
}

struct RanEvent {
    RanEvent() { g_ran = CreateEventA(nullptr, TRUE, FALSE, nullptr); }
    ~RanEvent() { CloseHandle(g_ran); }
};

}  // namespace

TEST(StartThread, RoutineOnlyRunsWithParameterZero) {
    RanEvent ran;
    g_seenParameter = -1;
    EXPECT_TRUE(StartThread(RecordParameter));
    ASSERT_EQ(WaitForSingleObject(g_ran, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(g_seenParameter, 0);
}

TEST(StartThread, ParameterAndKeptHandle) {
    RanEvent ran;
    HANDLE thread = nullptr;
    EXPECT_TRUE(StartThread(RecordParameter, -5, &thread));
    ASSERT_NE(thread, nullptr);
    // The handle stays open for the caller: it can wait on it and read the exit code.
    ASSERT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 77u);
    EXPECT_EQ(static_cast<int32_t>(g_seenParameter), -5);
    EXPECT_TRUE(CloseHandle(thread));
}

TEST(ThreadLibrary, NotificationsStartEndAndOthers) {
    ASSERT_NE(kThreadLibrary.notify, nullptr);
    CRITICAL_SECTION* a = CreateSyncSection();
    CRITICAL_SECTION* b = CreateSyncSection();
    EnterCriticalSection(a);
    LeaveCriticalSection(a);
    EXPECT_NE(a, b);
    EXPECT_EQ(SyncSectionCount(), 2u);
    EXPECT_EQ(kThreadLibrary.notify(kNotifyStart, 0x1234, 0, 0), 0);
    EXPECT_EQ(kThreadLibrary.notify(2, 0, 0, 0), -1);
    EXPECT_EQ(kThreadLibrary.notify(2008, 0, 0, 0), -1);
    EXPECT_EQ(SyncSectionCount(), 2u);
    EXPECT_EQ(kThreadLibrary.notify(kNotifyEnd, 0, 0, 0), 0);
    EXPECT_EQ(SyncSectionCount(), 0u);
}
