#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>

#include "base/file_system.h"
#include "base/wide_text.h"

#include "uninstall/uninstall_record.h"
#include "uninstall/uninstall_texts.h"

namespace quill {
namespace {

// The check line computed here on its own, so that the reader's check is tested against
// another implementation of the same CRC-32.
std::string Sealed(const std::string& body) {
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : body) {
        crc ^= c;
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    char line[64];
    std::snprintf(line, sizeof line, "check\t%u\t%08x\r\n", static_cast<unsigned>(body.size()), static_cast<unsigned>(~crc));
    return body + line;
}

TEST(UninstallRecord, ReadsBackWhatItWrites) {
    UninstallRecord record;
    record.product = "Orvenline";
    record.rootCreated = true;
    record.folders = {"share", "提取数据\\好友数据"};
    record.files = {"Orvenline.exe", "share\\OrvenlineDefaultSettings.ini"};
    const std::string text = FormatUninstallRecord(record);
    EXPECT_EQ(text.substr(0, 45), "Quill uninstall record 2\r\nproduct\tOrvenline\r\n");
    const auto back = ParseUninstallRecord(text);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->product, record.product);
    EXPECT_TRUE(back->rootCreated);
    EXPECT_EQ(back->folders, record.folders);
    EXPECT_EQ(back->files, record.files);
    EXPECT_TRUE(back->refused.empty());
}

TEST(UninstallRecord, RefusesBadEntriesOneByOneAndBadRecordsWhole) {
    const auto record = ParseUninstallRecord(Sealed(
        "Quill uninstall record 2\nproduct\tOrvenline\n"
        "file\ta.txt\nfile\t..\\..\\b.txt\nfolder\tC:\\Windows\nfile\tA.TXT\nfile\tcon.txt\nfile\tb:s\n"
        "delete\tc.txt\nroot\tx\n\nfolder\tshare\n"));
    ASSERT_TRUE(record);
    EXPECT_FALSE(record->rootCreated);
    EXPECT_EQ(record->files, std::vector<std::string>{"a.txt"});
    EXPECT_EQ(record->folders, std::vector<std::string>{"share"});
    EXPECT_EQ(record->refused,
              (std::vector<std::string>{"file\t..\\..\\b.txt", "folder\tC:\\Windows", "file\tcon.txt", "file\tb:s",
                                        "delete\tc.txt", "root\tx"}));

    const char* const unusable[] = {
        "",
        "Quill uninstall record 3\r\nproduct\tOrvenline\r\n",
        "Quill uninstall record 1\r\nfile\ta.txt\r\n",
        "Quill uninstall record 1\r\nproduct\t..\\..\\Run\r\n",
        "Quill uninstall record 1\r\nproduct\t\r\n",
        "Quill uninstall record 1\r\nproduct\tNUL\r\n",
    };
    for (const char* text : unusable) EXPECT_FALSE(ParseUninstallRecord(text)) << text;
}

TEST(UninstallRecord, EndsWithItsLengthAndChecksum) {
    UninstallRecord record;
    record.product = "Orvenline";
    record.rootCreated = true;
    record.files = {"a.txt"};
    EXPECT_EQ(FormatUninstallRecord(record),
              "Quill uninstall record 2\r\nproduct\tOrvenline\r\nroot\r\nfile\ta.txt\r\ncheck\t63\t2d56cb4a\r\n");
}

// Whatever cut, padding or change a record went through, it is unreadable as a whole.
TEST(UninstallRecord, RefusesTornPaddedOrChangedRecordsWhole) {
    UninstallRecord record;
    record.product = "Orvenline";
    record.folders = {"share"};
    record.files = {"Orvenline.exe", "share\\a.txt", "share\\b.txt"};
    const std::string whole = FormatUninstallRecord(record);
    const size_t checkLine = whole.rfind("check");
    const std::string v1 = "Quill uninstall record 1\r\nproduct\tOrvenline\r\nfile\ta.txt\r\n";
    const std::string broken[] = {
        whole.substr(0, whole.size() - 1),
        whole.substr(0, whole.size() - 2),
        whole.substr(0, checkLine),              // cut at the end of the last entry
        whole.substr(0, checkLine + 9),
        whole.substr(0, whole.size() / 2),
        whole.substr(0, 26),                     // the header alone
        whole + "\r\n",
        whole + std::string(512, '\0'),
        whole + "file\tc.txt\r\n",
        std::string(whole).replace(40, 1, "X"),  // one byte changed
        whole.substr(0, 45) + "\x8f\xff garbage \r\n" + whole.substr(45),
        "Quill uninstall record 2\r\nproduct\tOrvenline\r\n\x01\x02\x03\xfe\r\n",
        // The first format has no check: a cut inside a line, or any line out of place, tells.
        v1.substr(0, v1.size() - 4),
        v1.substr(0, v1.size() - 1),
        v1 + "garbage\r\n",
        v1 + "file\t..\\x\r\n",
    };
    for (const std::string& text : broken) EXPECT_FALSE(ParseUninstallRecord(text)) << text;

    const auto first = ParseUninstallRecord(v1);
    ASSERT_TRUE(first) << "an earlier installation must stay removable";
    EXPECT_EQ(first->files, std::vector<std::string>{"a.txt"});
}

TEST(UninstallRecord, RefusesEntriesNamingTheRecordOrTheUninstaller) {
    UninstallRecord record;
    record.product = "Orvenline";
    record.files = {"uninstall.dat", "UNINSTALL.EXE", "Uninstall.Dat", "uninstall.exe.txt"};
    record.folders = {"uninstall.exe"};
    const auto back = ParseUninstallRecord(FormatUninstallRecord(record));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->files, std::vector<std::string>{"uninstall.exe.txt"});
    EXPECT_TRUE(back->folders.empty());
    EXPECT_EQ(back->refused.size(), 4u);
}

// A write cut off at any step, as a kill would, leaves the old record whole and readable;
// the next write puts the new one in place and clears what the cut-off one left.
TEST(UninstallRecord, WriteCutOffAnywhereKeepsTheOldRecord) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::string folder = FromWide(temp) + "quill-record-" + RandomHexText(6);
    ASSERT_TRUE(MakeFolderPath(folder));
    const std::string path = folder + "\\uninstall.dat";
    UninstallRecord old, next;
    old.product = next.product = "Orvenline";
    old.files = {"old.txt"};
    next.files = {"new.txt", "share\\new.ini"};
    ASSERT_TRUE(WriteUninstallRecordFile(path, old));

    static RecordWriteStep stopAt;
    const RecordWriteStep steps[] = {RecordWriteStep::kCreated, RecordWriteStep::kHalfWritten, RecordWriteStep::kWritten,
                                     RecordWriteStep::kMoving};
    for (RecordWriteStep step : steps) {
        stopAt = step;
        EXPECT_FALSE(WriteUninstallRecordFile(path, next, [](RecordWriteStep s) { return s == stopAt; }));
        const auto read = ReadUninstallRecord(path);
        ASSERT_TRUE(read) << static_cast<int>(step);
        EXPECT_EQ(read->files, old.files) << static_cast<int>(step);
    }
    ASSERT_TRUE(WriteUninstallRecordFile(path, next));
    const auto read = ReadUninstallRecord(path);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->files, next.files);

    // Only the record is left, which goes with the folder.
    WIN32_FIND_DATAW found{};
    int names = 0;
    HANDLE find = FindFirstFileW(ToWide(folder + "\\*").c_str(), &found);
    do {
        if (FromWide(found.cFileName) != "." && FromWide(found.cFileName) != "..") ++names;
    } while (FindNextFileW(find, &found));
    FindClose(find);
    EXPECT_EQ(names, 1);
    DeleteFileW(ToWide(path).c_str());
    RemoveDirectoryW(ToWide(folder).c_str());
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
