// Extract on a volume that runs out of space: drive R: is a 256 KiB tmpfs made by
// with_small_drive.sh, which runs this program.
#include <gtest/gtest.h>

#include <cstdlib>

#include "archive/zip_unit.h"
#include "tests/archive/fake_frame.h"
#include "tests/archive/test_files.h"
#include "tests/archive/zip_builder.h"

using namespace quill;
using namespace ziptest;

TEST(ExtractDiskFull, ReportsTheFileAndTheSpaceStillNeeded) {
    const char* drive = std::getenv("QUILL_SMALL_DRIVE");
    ASSERT_NE(drive, nullptr) << "run through tests/archive/with_small_drive.sh";
    ScratchFolder scratch;
    UnitHost host;
    const std::string archive = scratch / "tool.zip";
    const std::string target = std::string(drive) + "\\inst";
    ASSERT_TRUE(WriteBytes(archive, Build({File("small.txt", std::string(1000, 's')), Folder("sub/"),
                                           File("sub/big.bin", std::string(600000, 'b')), File("after.txt", "after")})));

    EXPECT_EQ(Extract(kWindowId, kUnitId, archive.c_str(), target.c_str()), 0);
    const ExtractFailureInfo failure = LastExtractFailure();
    EXPECT_EQ(failure.cause, ExtractFailure::kDiskFull);
    EXPECT_EQ(failure.detail, target + "\\sub\\big.bin");
    EXPECT_EQ(failure.bytesNeeded, 600000u + 5u);
    EXPECT_EQ(ReadOrEmpty(target + "\\small.txt"), std::string(1000, 's'));
    EXPECT_EQ(FakeFrame::events.back(), 100);
    RemoveTree(target);
}
