// What each command line asks for, and which install folders are refused before anything is
// touched on disk.
#include <gtest/gtest.h>

#include "flow/absolute_path.h"
#include "flow/command_line.h"

namespace {

using quill::RunMode;

TEST(CommandLine, ModeAndFolderOfEachLine) {
    struct Case {
        const char* line;
        RunMode mode;
        bool silent;
        const char* folder;
    };
    const Case cases[] = {
        {"installer.exe", RunMode::kWindow, false, ""},
        {"\"C:\\My Downloads\\installer.exe\"  ", RunMode::kWindow, false, ""},
        {"installer.exe /S", RunMode::kSilent, true, ""},
        {"installer.exe /s", RunMode::kSilent, true, ""},
        // The folder is the rest of the line: spaces and Chinese characters, no quotes.
        {"installer.exe /S /D=D:\\My Apps\\软件 目录", RunMode::kSilent, true, "D:\\My Apps\\软件 目录"},
        {"installer.exe /S /d=E:\\Games\\ ", RunMode::kSilent, true, "E:\\Games"},
        {"installer.exe /S \"/D=E:\\My Games\"", RunMode::kSilent, true, "E:\\My Games"},
        {"installer.exe /S /D=\\\\server\\share\\app", RunMode::kSilent, true, "\\\\server\\share\\app"},
        // A trail byte of 0x5C (乗 is 81 5C) is no separator at the end.
        {"installer.exe /S /D=C:\\Apps\\乗", RunMode::kSilent, true, "C:\\Apps\\乗"},
        {"installer.exe /D=D:\\My Apps", RunMode::kWindow, false, "D:\\My Apps"},
        // /D= is last: a /S after it is part of the folder, which no folder can hold.
        {"installer.exe /D=D:\\x /S", RunMode::kBad, false, "D:\\x /S"},
        {"installer.exe /?", RunMode::kUsage, false, ""},
        {"installer.exe /S /?", RunMode::kUsage, true, ""},
        {"installer.exe /X", RunMode::kBad, false, ""},
        {"installer.exe /S /X", RunMode::kBad, true, ""},
        {"installer.exe /S S", RunMode::kBad, true, ""},
        {"installer.exe /S /D=", RunMode::kBad, true, ""},
        {"installer.exe /S /D=apps\\x", RunMode::kBad, true, "apps\\x"},
        {"installer.exe /S /D=\\apps", RunMode::kBad, true, "\\apps"},
        {"installer.exe /S /D=C:apps", RunMode::kBad, true, "C:apps"},
        {"installer.exe /S /D=C:\\", RunMode::kBad, true, "C:\\"},
        {"installer.exe /S /D=C:\\a|b", RunMode::kBad, true, "C:\\a|b"},
        {"installer.exe /S /D=C:\\a?\\b", RunMode::kBad, true, "C:\\a?\\b"},
        {"installer.exe /S /D=C:\\a:b", RunMode::kBad, true, "C:\\a:b"},
        {"installer.exe /S /D=C:\\con\\app", RunMode::kBad, true, "C:\\con\\app"},
        {"installer.exe /S /D=C:\\LPT1.txt", RunMode::kBad, true, "C:\\LPT1.txt"},
        {"installer.exe /S /D=C:\\app.\\x", RunMode::kBad, true, "C:\\app.\\x"},
        {"installer.exe /S /D=C:\\a\\..\\b", RunMode::kBad, true, "C:\\a\\..\\b"},
        {"installer.exe /S /D=C:\\a\\\\b", RunMode::kBad, true, "C:\\a\\\\b"},
    };
    for (const Case& c : cases) {
        const quill::CommandLine parsed = quill::ParseCommandLine(c.line);
        EXPECT_EQ(c.mode, parsed.mode) << c.line;
        EXPECT_EQ(c.silent, parsed.silent) << c.line;
        EXPECT_EQ(c.folder, parsed.folder) << c.line;
    }
    EXPECT_FALSE(quill::IsUsableInstallFolder("D:\\" + std::string(200, 'a')));
}

TEST(AbsolutePath, OnlyAnAbsoluteBaseGivesAPath) {
    const struct {
        const char* base;
        bool absolute;
    } cases[] = {{"C:\\Users\\u\\Desktop\\", true}, {"d:/x", true}, {"\\\\server\\share", true},
                 {"", false}, {"Desktop\\", false}, {"\\Desktop", false}, {"C:Desktop", false},
                 {"\\\\\\x", false}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.absolute, quill::IsAbsolutePath(c.base)) << c.base;
        EXPECT_EQ(c.absolute ? std::string(c.base) + "Orvenline" : "", quill::JoinUnder(c.base, "Orvenline"))
            << c.base;
    }
}

}  // namespace
