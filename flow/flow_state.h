// The installer flow's process-wide state, created by the start-up routine and released
// by the exit routine it registers. Written only on the main thread before any worker
// exists; read afterwards.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quill {

struct FlowState {
    std::vector<std::string> productNames;  // 1-based in use: element i is productNames[i - 1]
    int32_t productIndex = 0;
    std::string productName;
    std::string productList;
    std::string commandLineFolder;  // /D= of the command line; empty for the default rule
};

FlowState& Flow();

// The process entry's start-up routine.
int StartupRoutine();

}  // namespace quill
