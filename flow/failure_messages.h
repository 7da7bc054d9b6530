// What a failed installation tells the user and the caller: one message and one exit code
// per cause, so a full disk, a file in use and a damaged installer read differently.
#pragma once

#include <string>

#include "archive/zip_unit.h"

namespace quill {

struct FailureReport {
    int exitCode;
    std::string message;
};

// The report of an extraction into `folder` that failed as `failure` says.
FailureReport ReportExtractFailure(const ExtractFailureInfo& failure, const std::string& folder);

}  // namespace quill
