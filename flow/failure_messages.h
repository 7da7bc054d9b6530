// What a failed installation tells the user and the caller: one message and one exit code
// per cause, so a full disk, a file in use and a damaged installer read differently.
#pragma once

#include <initializer_list>
#include <string>

#include "archive/zip_unit.h"

namespace quill {

// `text` with each "%s" replaced by the next of `values`, in order.
std::string FillIn(const char* text, std::initializer_list<std::string> values);

struct FailureReport {
    int exitCode;
    std::string message;
};

// The report of an extraction into `folder` that failed as `failure` says.
FailureReport ReportExtractFailure(const ExtractFailureInfo& failure, const std::string& folder);

}  // namespace quill
