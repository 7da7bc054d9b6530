#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "uninstall/uninstall_record.h"
#include "uninstall/uninstall_texts.h"

namespace quill {
namespace {

TEST(UninstallRecord, ReadsBackWhatItWrites) {
    UninstallRecord record;
    record.product = "Orvenline";
    record.rootCreated = true;
    record.folders = {"share", "提取数据\\好友数据"};
    record.files = {"Orvenline.exe", "share\\OrvenlineDefaultSettings.ini"};
    const std::string text = FormatUninstallRecord(record);
    EXPECT_EQ(text.substr(0, 45), "Quill uninstall record 1\r\nproduct\tOrvenline\r\n");
    const auto back = ParseUninstallRecord(text);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->product, record.product);
    EXPECT_TRUE(back->rootCreated);
    EXPECT_EQ(back->folders, record.folders);
    EXPECT_EQ(back->files, record.files);
    EXPECT_TRUE(back->refused.empty());
}

TEST(UninstallRecord, RefusesBadEntriesOneByOneAndBadRecordsWhole) {
    const auto record = ParseUninstallRecord(
        "Quill uninstall record 1\nproduct\tOrvenline\n"
        "file\ta.txt\nfile\t..\\..\\b.txt\nfolder\tC:\\Windows\nfile\tA.TXT\nfile\tcon.txt\nfile\tb:s\n"
        "delete\tc.txt\nroot\tx\n\nfolder\tshare\n");
    ASSERT_TRUE(record);
    EXPECT_FALSE(record->rootCreated);
    EXPECT_EQ(record->files, std::vector<std::string>{"a.txt"});
    EXPECT_EQ(record->folders, std::vector<std::string>{"share"});
    EXPECT_EQ(record->refused,
              (std::vector<std::string>{"file\t..\\..\\b.txt", "folder\tC:\\Windows", "file\tcon.txt", "file\tb:s",
                                        "delete\tc.txt", "root\tx"}));

    const char* const unusable[] = {
        "",
        "Quill uninstall record 2\r\nproduct\tOrvenline\r\n",
        "Quill uninstall record 1\r\nfile\ta.txt\r\n",
        "Quill uninstall record 1\r\nproduct\t..\\..\\Run\r\n",
        "Quill uninstall record 1\r\nproduct\t\r\n",
        "Quill uninstall record 1\r\nproduct\tNUL\r\n",
    };
    for (const char* text : unusable) EXPECT_FALSE(ParseUninstallRecord(text)) << text;
}

TEST(UninstallRecord, PathDepthCountsCharactersNotBytes) {
    EXPECT_EQ(PathDepth("a"), 1);
    EXPECT_EQ(PathDepth("提取数据\\好友数据"), 2);
}

// Byte for byte in GBK, so a wrong charset cannot pass by symmetry.
TEST(UninstallTexts, RunningCopyMessageNamesTheProductAndTheRemoval) {
    const std::pair<const char*, const char*> cases[] = {
        {"Orvenline", "\xc7\xeb\xcf\xc8\xb9\xd8\xb1\xd5 Orvenline \xd4\xd9\xd0\xb6\xd4\xd8"},
        {"云端采集王", "\xc7\xeb\xcf\xc8\xb9\xd8\xb1\xd5 \xd4\xc6\xb6\xcb\xb2\xc9\xbc\xaf\xcd\xf5 \xd4\xd9\xd0\xb6\xd4\xd8"},
    };
    for (const auto& [product, bytes] : cases) EXPECT_EQ(UninstallRunningMessage(product), bytes);
}

}  // namespace
}  // namespace quill
