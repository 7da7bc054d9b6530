// The constant area as built: every item at the offset the sizes of the items before it
// imply, every text the GBK bytes of the pool's own, and pointers into it never freed.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "base/wide_text.h"
#include "data/brand_table.h"
#include "data/constants.h"
#include "runtime/frame.h"
#include "runtime/runtime_state.h"

namespace {

using quill::StoredByteSet;

// Host paths of the build inputs, seen through Wine's Z: drive.
std::string HostPath(const char* unixPath) {
    std::string path = std::string("Z:") + unixPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The pool's texts by symbol, read from the source list as UTF-8 with its one escape
// resolved, so the area can be checked against them through the project's own conversion.
std::map<std::string, std::string> PoolTexts() {
    std::map<std::string, std::string> texts;
    std::ifstream in(HostPath(QUILL_CONSTANT_POOL_FILE));
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string symbol, kind, value;
        if (!(fields >> symbol >> kind) || symbol[0] == '#' || kind != "text") continue;
        std::getline(fields, value);
        const size_t first = value.find_first_not_of(" \t");
        value = first == std::string::npos ? "" : value.substr(first, value.find_last_not_of(" \t\r") + 1 - first);
        for (size_t at = value.find("\\r\\n"); at != std::string::npos; at = value.find("\\r\\n", at + 2))
            value.replace(at, 4, "\r\n");
        texts[symbol] = value;
    }
    return texts;
}

enum class Kind { Text, Number, Bytes, Array, Brands };

struct Item {
    const char* name;
    const void* at;
    Kind kind;
};

const Item kItems[] = {
#define QUILL_ITEM(symbol, kind) {#symbol, symbol, Kind::kind},
    QUILL_CONSTANT_ITEMS(QUILL_ITEM)
#undef QUILL_ITEM
};

size_t BrandTextsSize() {
    size_t size = 0;
    for (size_t i = 0; i < quill::BrandRowCount(); ++i)
        size += std::strlen(quill::BrandRows()[i].folder) + 1 + std::strlen(quill::BrandRows()[i].products) + 1;
    return size;
}

size_t SizeOf(const Item& item) {
    switch (item.kind) {
    case Kind::Text: return std::strlen(static_cast<const char*>(item.at)) + 1;
    case Kind::Bytes: return 8 + StoredByteSet(static_cast<const uint8_t*>(item.at)).size;
    case Kind::Brands: return BrandTextsSize();
    default: return 8;
    }
}

TEST(ConstantArea, ItemsArePackedInOrderWithoutGaps) {
    const auto* expected = ConstantAreaStart;
    for (const Item& item : kItems) {
        EXPECT_EQ(static_cast<const void*>(expected), item.at) << item.name;
        expected = static_cast<const uint8_t*>(item.at) + SizeOf(item);
    }
    EXPECT_EQ(expected, ConstantAreaEnd);
    EXPECT_EQ(quill::ConstantAreaBegin(), ConstantAreaStart);
    EXPECT_EQ(quill::ConstantAreaSize(), static_cast<uint32_t>(ConstantAreaEnd - ConstantAreaStart));
}

TEST(ConstantArea, TextsHoldThePoolsTextsAsGbk) {
    const std::map<std::string, std::string> pool = PoolTexts();
    size_t texts = 0;
    for (const Item& item : kItems) {
        if (item.kind != Kind::Text) continue;
        ++texts;
        const auto found = pool.find(item.name);
        ASSERT_NE(found, pool.end()) << item.name;
        const std::optional<std::string> gbk = quill::TextFromUtf8(found->second);
        ASSERT_TRUE(gbk) << item.name;
        EXPECT_EQ(*gbk, static_cast<const char*>(item.at)) << item.name;
    }
    EXPECT_EQ(pool.size(), texts);

    // Anchors in the compiler's own GBK, apart from both conversions above: the escape rule
    // (CR LF, and every other backslash kept as it stands) and the byte counts.
    EXPECT_STREQ("", ConstEmpty);
    EXPECT_STREQ("\\", ConstBackslash);
    EXPECT_STREQ("\\\\", ConstDoubleBackslash);
    EXPECT_STREQ(":\\tool.zip", ConstDriveArchiveSuffix);
    EXPECT_STREQ("请选择安装位置", ConstSelectInstallTitle);
    EXPECT_STREQ("安装完成！\r\n点<是>将启动软件\r\n点<否>不启动,可以在桌面启动软件", ConstCompletionQuestion);
    // The long messages, counted in GBK bytes without the zero byte.
    EXPECT_EQ(61u, std::strlen(ConstCompletionQuestion));
    EXPECT_EQ(225u, std::strlen(ConstInstallAdvice));
    EXPECT_EQ(86u, std::strlen(ConstWriteFailedMessage));
    // "损" of "安装包已损坏" as GBK.
    EXPECT_EQ(0, std::memcmp(ConstDamagedMessage + 8, "\xcb\xf0", 2));
    // "完" of "安装完成" as GBK, so a wrong charset cannot pass by symmetry.
    EXPECT_EQ(0, std::memcmp(ConstCompletionQuestion + 4, "\xcd\xea", 2));
}

TEST(ConstantArea, NumbersAndArrayHeaders) {
    EXPECT_EQ(100.0, quill::ConstantNumber(ConstHundred));
    EXPECT_EQ(1048576.0, quill::ConstantNumber(ConstBytesPerMiB));
    const quill::ArrayHeader processes = quill::ConstantArrayHeader(ConstProcessArrayHeader);
    EXPECT_EQ(1, processes.dimensions);
    EXPECT_EQ(256, processes.count);
    const quill::ArrayHeader empty = quill::ConstantArrayHeader(ConstEmptyArrayHeader);
    EXPECT_EQ(1, empty.dimensions);
    EXPECT_EQ(0, empty.count);
}

TEST(ConstantArea, ByteSetsCarryTheirFilesWholly) {
    int32_t dimensions = 0;
    std::memcpy(&dimensions, ConstFinishPicture, 4);
    EXPECT_EQ(1, dimensions);
    std::memcpy(&dimensions, ConstPayloadArchive, 4);
    EXPECT_EQ(1, dimensions);

    const std::vector<uint8_t> picture = ReadFile(HostPath(QUILL_FINISH_PICTURE_FILE));
    ASSERT_FALSE(picture.empty());
    const quill::ByteSetView stored = StoredByteSet(ConstFinishPicture);
    ASSERT_EQ(picture.size(), stored.size);
    EXPECT_EQ(0, std::memcmp(picture.data(), stored.data, stored.size));

    EXPECT_EQ(4405512u, StoredByteSet(ConstPayloadArchive).size);
}

// The runtime learns the area from ProgramHeader fields 4 and 5; set them as it does.
class ConstantRelease : public ::testing::Test {
protected:
    void SetUp() override {
        quill::RuntimeState& s = quill::State();
        savedStart_ = s.constantStart;
        savedEnd_ = s.constantEnd;
        s.constantStart = quill::ConstantAreaBegin();
        s.constantEnd = quill::ConstantAreaBegin() + quill::ConstantAreaSize();
    }
    void TearDown() override {
        quill::State().constantStart = savedStart_;
        quill::State().constantEnd = savedEnd_;
    }

private:
    const uint8_t* savedStart_ = nullptr;
    const uint8_t* savedEnd_ = nullptr;
};

TEST_F(ConstantRelease, EveryItemIsInsideAndReleasingItIsIgnored) {
    for (const Item& item : kItems) {
        EXPECT_TRUE(quill::IsInConstantArea(item.at)) << item.name;
        quill::Release(const_cast<void*>(item.at));
    }
    const uint8_t* last = quill::ConstantAreaBegin() + quill::ConstantAreaSize() - 1;
    EXPECT_TRUE(quill::IsInConstantArea(last));
    EXPECT_FALSE(quill::IsInConstantArea(last + 1));
    // Still intact and still usable after the releases.
    EXPECT_STREQ("请选择安装位置", ConstSelectInstallTitle);
    EXPECT_EQ(4405512u, StoredByteSet(ConstPayloadArchive).size);

    void* block = quill::Allocate(32);
    EXPECT_FALSE(quill::IsInConstantArea(block));
    quill::Release(block);
}

}  // namespace
