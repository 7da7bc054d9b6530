// The thread component: StartThread and the component's notification entry.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

#include "runtime/unit.h"

namespace quill {

using ThreadRoutine = DWORD(WINAPI*)(LPVOID parameter);
// `handleOut` given: the open thread handle is stored there and the caller owns it;
// otherwise the handle is closed at once.
bool StartThread(ThreadRoutine routine, std::optional<int32_t> parameter = std::nullopt,
                 HANDLE* handleOut = nullptr);

extern const SupportLibrary kThreadLibrary;

}  // namespace quill
