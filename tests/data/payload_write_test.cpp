// What the flow writes to tool.zip: exactly the archive that was built, without the
// byte set's header and without anything after the archive comment.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "data/constants.h"
#include "runtime/commands.h"

namespace {

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

TEST(PayloadWrite, WritesExactlyTheArchiveBytes) {
    char temp[MAX_PATH];
    ASSERT_NE(0u, GetTempPathA(MAX_PATH, temp));
    const std::string path = std::string(temp) + "quill_data_test_tool.zip";

    const quill::ByteSetView payload = quill::StoredByteSet(ConstPayloadArchive);
    ASSERT_TRUE(quill::WriteBytesToFile(path, {payload}));
    const std::vector<uint8_t> written = ReadFile(path);
    DeleteFileA(path.c_str());

    ASSERT_EQ(4405512u, written.size());
    ASSERT_EQ(payload.size, written.size());
    EXPECT_EQ(0, std::memcmp(payload.data, written.data(), written.size()));

    // Starts with a local file header, not with the byte set's dimension count.
    const uint8_t localHeader[] = {0x50, 0x4B, 0x03, 0x04};
    EXPECT_EQ(0, std::memcmp(localHeader, written.data(), 4));

    // Ends on the last byte of the comment: the end record sits right before it.
    const size_t comment = 335;
    const uint8_t* end = written.data() + written.size() - comment - 22;
    EXPECT_EQ(0x06054B50u, Le32(end));
    EXPECT_EQ(comment, Le16(end + 20));

    // And it is the very file the build produced.
    std::string built = std::string("Z:") + QUILL_PAYLOAD_FILE;
    for (char& c : built)
        if (c == '/') c = '\\';
    EXPECT_TRUE(written == ReadFile(built)) << built;
}

}  // namespace
