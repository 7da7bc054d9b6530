#include "flow/failure_messages.h"

#include "data/constants.h"
#include "base/exit_codes.h"
#include "base/text.h"

namespace quill {

namespace {

constexpr uint64_t kBytesPerMiB = 1024 * 1024;

// Whole MiB, rounded up, so a need of a few bytes does not read "0 MB".
std::string MiBText(uint64_t bytes) {
    const uint64_t mib = bytes == 0 ? 1 : (bytes + kBytesPerMiB - 1) / kBytesPerMiB;
    return std::to_string(mib);
}

}  // namespace

FailureReport ReportExtractFailure(const ExtractFailureInfo& failure, const std::string& folder) {
    switch (failure.cause) {
    case ExtractFailure::kDiskFull:
        return {kExitDiskFull, FillIn(ConstDiskFullMessage, {folder, MiBText(failure.bytesNeeded)})};
    case ExtractFailure::kFileNotWritable:
        return {kExitFileNotWritable, FillIn(ConstFileNotWritableMessage, {failure.detail})};
    case ExtractFailure::kDamaged:
        return {kExitDamaged, ConstDamagedMessage};
    case ExtractFailure::kBadName:
        return {kExitBadName, FillIn(ConstBadNameMessage, {failure.detail})};
    case ExtractFailure::kNone:
    case ExtractFailure::kNoArchive:
        break;
    }
    return {kExitExtractFailed, FillIn(ConstExtractFailedMessage, {folder})};
}

}  // namespace quill
