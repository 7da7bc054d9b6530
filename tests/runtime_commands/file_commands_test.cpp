// WriteBytesToFile and RemoveFile: what ends up on disk, and false on every failure.
#include <gtest/gtest.h>

#include <windows.h>

#include "runtime/commands.h"
#include "test_support.h"

using namespace quill;
using quilltest::ReadWholeFile;
using quilltest::ScratchFolder;

TEST(WriteBytesToFile, WritesEverySetInOrderAndTruncates) {
    ScratchFolder dir;
    const std::string name = dir.File("out.bin");
    ASSERT_TRUE(quilltest::WriteWholeFile(name, std::string(100, 'z')));
    const std::string first("PK\x03\x04", 4);
    const std::string empty;
    const std::string withZero("a\0b", 3);
    ASSERT_TRUE(WriteBytesToFile(name, {ViewOf(first), ViewOf(empty), ViewOf(withZero)}));
    std::string content;
    ASSERT_TRUE(ReadWholeFile(name, &content));
    EXPECT_EQ(content, first + withZero);
}

TEST(WriteBytesToFile, FalseOnEveryFailure) {
    ScratchFolder dir;
    const std::string data = "data";
    EXPECT_FALSE(WriteBytesToFile("", {ViewOf(data)}));
    EXPECT_FALSE(WriteBytesToFile(dir.File("missing\\out.bin"), {ViewOf(data)}));
    // A file another handle holds without sharing cannot be opened for writing.
    const std::string busy = dir.File("busy.bin");
    HANDLE held = CreateFileA(busy.c_str(), GENERIC_READ, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(WriteBytesToFile(busy, {ViewOf(data)}));
    CloseHandle(held);
}

TEST(RemoveFile, ReportsWhatDeletionReports) {
    ScratchFolder dir;
    const std::string name = dir.File("gone.txt");
    ASSERT_TRUE(quilltest::WriteWholeFile(name, "x"));
    EXPECT_TRUE(RemoveFile(name));
    EXPECT_FALSE(quilltest::FileExists(name));
    EXPECT_FALSE(RemoveFile(name));
    EXPECT_FALSE(RemoveFile(""));
}
