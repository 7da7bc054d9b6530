// The thread component: StartThread and the component's notification entry.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>

#include "runtime/unit.h"

namespace quill {

using ThreadRoutine = DWORD(WINAPI*)(LPVOID parameter);
// `handleOut` given: the open thread handle is stored there and the caller owns it;
// otherwise the handle is closed at once.
bool StartThread(ThreadRoutine routine, std::optional<int32_t> parameter = std::nullopt,
                 HANDLE* handleOut = nullptr);

// Waits until every thread started with StartThread, except the one with identifier
// `except`, has ended, or until `timeoutMs` has passed. A thread that waits on the user
// (UserWait) is not waited for: nobody may answer it. Messages sent to the calling thread
// are served meanwhile, so a thread that hands a request to it is not stuck. True when all
// of them have ended.
bool WaitForStartedThreads(DWORD timeoutMs, DWORD except);

// While one lives, the calling thread waits on the user (in a message box, say), and the end
// of the program does not wait for it.
class UserWait {
public:
    UserWait();
    ~UserWait();
    UserWait(const UserWait&) = delete;
    UserWait& operator=(const UserWait&) = delete;
};

// The component's synchronisation command: a new critical section that stays valid until
// the program ends, when the component's end notification deletes every one of them.
CRITICAL_SECTION* CreateSyncSection();
// Sections created and not yet released (for checks of the end notification).
size_t SyncSectionCount();

extern const SupportLibrary kThreadLibrary;

}  // namespace quill
