// The thread component: StartThread, and the critical sections of its synchronisation
// commands, which live until the program ends.
#include "runtime/threads.h"

namespace quill {

namespace {

struct SectionRecord {
    CRITICAL_SECTION section;
    SectionRecord* next;
};

// Stored when the frame introduces itself; the component needs nothing from it yet.
NotifyFn g_frameNotify = nullptr;
SectionRecord* g_sections = nullptr;
CRITICAL_SECTION g_listLock;
INIT_ONCE g_listLockOnce = INIT_ONCE_STATIC_INIT;

BOOL CALLBACK InitListLock(PINIT_ONCE, PVOID, PVOID*) {
    InitializeCriticalSection(&g_listLock);
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
    if (handleOut) {
        *handleOut = thread;  // the caller owns it now
    } else if (thread) {
        CloseHandle(thread);  // the thread runs on and ends by itself
    }
    return thread != nullptr;
}

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
