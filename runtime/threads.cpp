// The thread component: StartThread, and the critical sections of its synchronisation
// commands, which live until the program ends.
#include "runtime/threads.h"

#include <vector>

namespace quill {

namespace {

struct SectionRecord {
    CRITICAL_SECTION section;
    SectionRecord* next;
};

// Stored when the frame introduces itself; the component needs nothing from it yet.
NotifyFn g_frameNotify = nullptr;
SectionRecord* g_sections = nullptr;
// One handle of its own for every thread StartThread started, so the end of the program
// can tell whether they are still running. Closed once seen ended.
struct StartedThread {
    HANDLE handle;
    DWORD id;
    bool waitingOnUser;
};
std::vector<StartedThread> g_started;
CRITICAL_SECTION g_listLock;
INIT_ONCE g_listLockOnce = INIT_ONCE_STATIC_INIT;
// Set when a thread begins to wait on the user, so a wait for the started threads looks again.
HANDLE g_userWaitBegan = nullptr;

BOOL CALLBACK InitListLock(PINIT_ONCE, PVOID, PVOID*) {
    InitializeCriticalSection(&g_listLock);
    g_userWaitBegan = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    return TRUE;
}

CRITICAL_SECTION& ListLock() {
    InitOnceExecuteOnce(&g_listLockOnce, InitListLock, nullptr, nullptr);
    return g_listLock;
}

void ReleaseSections() {
    EnterCriticalSection(&ListLock());
    SectionRecord* record = g_sections;
    g_sections = nullptr;
    LeaveCriticalSection(&ListLock());
    while (record) {
        SectionRecord* next = record->next;
        DeleteCriticalSection(&record->section);
        delete record;
        record = next;
    }
}

intptr_t ThreadLibraryNotify(int code, intptr_t a, intptr_t, intptr_t) {
    switch (code) {
    case kNotifyStart:
        g_frameNotify = reinterpret_cast<NotifyFn>(a);
        return 0;
    case kNotifyEnd:
        ReleaseSections();
        return 0;
    default:
        return -1;
    }
}

}  // namespace

bool StartThread(ThreadRoutine routine, std::optional<int32_t> parameter, HANDLE* handleOut) {
    // The parameter travels as the thread's pointer-sized argument; only its 32 bits count.
    LPVOID argument = reinterpret_cast<LPVOID>(static_cast<intptr_t>(parameter ? *parameter : 0));
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, routine, argument, 0, &threadId);
    HANDLE watch = nullptr;
    if (thread && DuplicateHandle(GetCurrentProcess(), thread, GetCurrentProcess(), &watch, SYNCHRONIZE, FALSE, 0)) {
        EnterCriticalSection(&ListLock());
        g_started.push_back({watch, threadId, false});
        LeaveCriticalSection(&ListLock());
    }
    if (handleOut) {
        *handleOut = thread;  // the caller owns it now
    } else if (thread) {
        CloseHandle(thread);  // the thread runs on and ends by itself
    }
    return thread != nullptr;
}

bool WaitForStartedThreads(DWORD timeoutMs, DWORD except) {
    const DWORD start = GetTickCount();
    for (;;) {
        std::vector<HANDLE> running;
        bool leftWaitingOnUser = false;
        EnterCriticalSection(&ListLock());
        for (size_t i = 0; i < g_started.size();) {
            const StartedThread t = g_started[i];
            if (WaitForSingleObject(t.handle, 0) == WAIT_OBJECT_0) {
                CloseHandle(t.handle);
                g_started.erase(g_started.begin() + static_cast<std::ptrdiff_t>(i));
                continue;
            }
            if (t.waitingOnUser) {
                leftWaitingOnUser = true;
            } else if (t.id != except) {
                running.push_back(t.handle);
            }
            ++i;
        }
        LeaveCriticalSection(&ListLock());
        if (running.empty()) return !leftWaitingOnUser;
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs) return false;
        const DWORD count = static_cast<DWORD>(running.size() < MAXIMUM_WAIT_OBJECTS - 2 ? running.size()
                                                                                          : MAXIMUM_WAIT_OBJECTS - 2);
        running.resize(count);
        if (g_userWaitBegan) running.push_back(g_userWaitBegan);
        const DWORD handles = static_cast<DWORD>(running.size());
        const DWORD woke = MsgWaitForMultipleObjects(handles, running.data(), FALSE, timeoutMs - elapsed, QS_SENDMESSAGE);
        if (woke == WAIT_OBJECT_0 + handles) {
            // Only sent messages are served: a posted quit or input stays where it is.
            MSG msg;
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }
}

namespace {

void MarkWaitingOnUser(bool waiting) {
    const DWORD self = GetCurrentThreadId();
    EnterCriticalSection(&ListLock());
    for (StartedThread& t : g_started)
        if (t.id == self) t.waitingOnUser = waiting;
    LeaveCriticalSection(&ListLock());
}

}  // namespace

UserWait::UserWait() {
    MarkWaitingOnUser(true);
    if (g_userWaitBegan) SetEvent(g_userWaitBegan);
}
UserWait::~UserWait() { MarkWaitingOnUser(false); }

CRITICAL_SECTION* CreateSyncSection() {
    auto* record = new SectionRecord;
    InitializeCriticalSection(&record->section);
    EnterCriticalSection(&ListLock());
    record->next = g_sections;
    g_sections = record;
    LeaveCriticalSection(&ListLock());
    return &record->section;
}

size_t SyncSectionCount() {
    EnterCriticalSection(&ListLock());
    size_t count = 0;
    for (SectionRecord* r = g_sections; r; r = r->next) ++count;
    LeaveCriticalSection(&ListLock());
    return count;
}

const SupportLibrary kThreadLibrary = {"thread", nullptr, 0, &ThreadLibraryNotify};

}  // namespace quill
