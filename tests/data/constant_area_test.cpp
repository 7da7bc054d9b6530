// The constant area as built: every item at the offset the sizes of the items before it
// imply, with the exact GBK bytes the flow shows, and pointers into it never freed.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

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

struct Item {
    const char* name;
    const void* at;
    size_t size;
};

Item Text(const char* name, const char* at) { return {name, at, std::strlen(at) + 1}; }
Item Fixed(const char* name, const uint8_t* at, size_t size) { return {name, at, size}; }
Item Bytes(const char* name, const uint8_t* at) { return {name, at, 8 + StoredByteSet(at).size}; }

size_t BrandTextsSize() {
    size_t size = 0;
    for (size_t i = 0; i < quill::BrandRowCount(); ++i)
        size += std::strlen(quill::BrandRows()[i].folder) + 1 + std::strlen(quill::BrandRows()[i].products) + 1;
    return size;
}

std::vector<Item> ItemsInOrder() {
    return {
        Text("1", ConstSelectInstallTitle),
        Text("2", ConstEmpty),
        Text("3", ConstBackslash),
        Text("4", ConstSelectFolderTitle),
        Text("5", ConstQuestionMark),
        Text("6", ConstDoubleBackslash),
        Fixed("7", ConstHundred, 8),
        Bytes("8", ConstFinishPicture),
        Text("9", ConstExeSuffix),
        Text("10", ConstLogShortcutOk),
        Text("11", ConstLogShortcutFailed),
        Text("12", ConstCompletionCaption),
        Text("13", ConstCompletionQuestion),
        Text("14", ConstDriveArchiveSuffix),
        Text("15", ConstTempArchiveSuffix),
        Text("16", ConstRunningCaptionSuffix),
        Text("17", ConstRunningMessage),
        Text("18", ConstInstallAdvice),
        Fixed("19", ConstProcessArrayHeader, 8),
        Text("20", ConstLogReleasing),
        Bytes("21", ConstPayloadArchive),
        Text("22", ConstLogExtracting),
        Text("23", ConstWriteFailedMessage),
        Text("24", ConstDriveDLower),
        Text("25", ConstRootC),
        Text("26", ConstRootD),
        {"27", ConstBrandTexts, BrandTextsSize()},
        Text("28", ConstVerticalBar),
        Fixed("29", ConstBytesPerMiB, 8),
        Fixed("30", ConstEmptyArrayHeader, 8),
        Text("31", ConstExtractFailedMessage),
        Text("32", ConstDiskFullMessage),
        Text("33", ConstFileNotWritableMessage),
        Text("34", ConstDamagedMessage),
        Text("35", ConstBadNameMessage),
        Text("36", ConstUsageText),
        Text("37", ConstStartName),
        Text("38", ConstFinishName),
        Text("39", ConstCloseName),
    };
}

TEST(ConstantArea, ItemsArePackedInOrderWithoutGaps) {
    const auto* expected = ConstantAreaStart;
    for (const Item& item : ItemsInOrder()) {
        EXPECT_EQ(static_cast<const void*>(expected), item.at) << "item " << item.name;
        expected = static_cast<const uint8_t*>(item.at) + item.size;
    }
    EXPECT_EQ(expected, ConstantAreaEnd);
    EXPECT_EQ(quill::ConstantAreaBegin(), ConstantAreaStart);
    EXPECT_EQ(quill::ConstantAreaSize(), static_cast<uint32_t>(ConstantAreaEnd - ConstantAreaStart));
}

TEST(ConstantArea, TextsHoldTheirExactBytes) {
    struct Expected {
        const char* stored;
        const char* text;
    };
    const Expected texts[] = {
        {ConstSelectInstallTitle, "请选择安装位置"},
        {ConstEmpty, ""},
        {ConstBackslash, "\\"},
        {ConstSelectFolderTitle, "请选择文件夹路径"},
        {ConstQuestionMark, "?"},
        {ConstDoubleBackslash, "\\\\"},
        {ConstExeSuffix, ".exe"},
        {ConstLogShortcutOk, "3.创建快捷方式..成功"},
        {ConstLogShortcutFailed, "3.创建快捷方式..失败"},
        {ConstCompletionCaption, "温馨提示："},
        {ConstCompletionQuestion, "安装完成！\r\n点<是>将启动软件\r\n点<否>不启动,可以在桌面启动软件"},
        {ConstDriveArchiveSuffix, ":\\tool.zip"},
        {ConstTempArchiveSuffix, "\\tool.zip"},
        {ConstRunningCaptionSuffix, "<没有关闭>"},
        {ConstRunningMessage, "请先关闭原来的软件再开始安装，否则无法安装！"},
        {ConstInstallAdvice,
         "由于系列正版软件都作了加壳加密处理\r\n如果部分杀毒软件提示警告，请允许即可！\r\n\r\n"
         "软件干净无毒无木马~~支持正版 谢谢大家\r\n"
         "软件安装好后，建议把安装的软件目录加入杀毒软件信任，再运行软件，以免影响部分功能使用。\r\n"
         "可以阅读软件安装说明"},
        {ConstLogReleasing, "1.释放压缩包.."},
        {ConstLogExtracting, "2.开始解压.."},
        {ConstWriteFailedMessage,
         "写入失败！Windows7请以管理员身份运行，建议关闭杀毒，再重试\r\n《确定》后将关闭本安装程序"},
        {ConstDriveDLower, "d:"},
        {ConstRootC, "C:\\"},
        {ConstRootD, "D:\\"},
        {ConstVerticalBar, "|"},
        {ConstExtractFailedMessage,
         "解压失败！部分文件无法写入安装目录：\r\n%s\r\n请关闭正在运行的相关软件，并确认对该目录有写入权限，再重试\r\n"
         "《确定》后将关闭本安装程序"},
        {ConstDiskFullMessage,
         "磁盘空间不足！无法安装到：\r\n%s\r\n还需要约 %s MB 可用空间\r\n请清理磁盘或另选安装目录，再重试\r\n"
         "《确定》后将关闭本安装程序"},
        {ConstFileNotWritableMessage,
         "文件写入失败！以下文件正被使用或为只读：\r\n%s\r\n请关闭正在运行的相关软件，再重试\r\n"
         "《确定》后将关闭本安装程序"},
        {ConstDamagedMessage, "安装包已损坏，请重新下载\r\n《确定》后将关闭本安装程序"},
        {ConstBadNameMessage,
         "文件名无法创建！安装目录中不能使用以下名称：\r\n%s\r\n请另选安装目录，或联系软件提供者\r\n"
         "《确定》后将关闭本安装程序"},
        {ConstUsageText,
         "用法：安装程序 [/S] [/D=安装目录]\r\n\r\n/S  静默安装，不显示窗口和任何提示\r\n"
         "/D= 安装目录：完整路径，放在最后，不加引号\r\n/?  显示本说明\r\n\r\n"
         "返回值：0 安装成功，1 命令行有误，2 软件正在运行，3 无法释放压缩包，4 磁盘空间不足，5 文件无法写入，"
         "6 安装包已损坏，7 文件名无法创建，8 解压失败"},
        {ConstStartName, "安装"},
        {ConstFinishName, "完成"},
        {ConstCloseName, "关闭"},
    };
    for (const Expected& e : texts) EXPECT_STREQ(e.text, e.stored);
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
    for (const Item& item : ItemsInOrder()) {
        EXPECT_TRUE(quill::IsInConstantArea(item.at)) << "item " << item.name;
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
