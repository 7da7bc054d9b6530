// Shortcuts are checked by loading them back through the shell's own link object, the way
// the desktop reads them; special folders against the platform calls they come from.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <string>

#include "base/wide_text.h"
#include "shell/com_ptr.h"
#include "shell/shell_library.h"

namespace {

using quill::ComPtr;
using quill::CreateShortcut;
using quill::FromWide;
using quill::GetSpecialFolder;
using quill::ToWide;

struct LoadedLink {
    bool loaded = false;
    std::string target, arguments, workingFolder, description;
};

LoadedLink LoadLink(const std::string& path) {
    LoadedLink result;
    ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.out())))
        return result;
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.out()))) return result;
    if (FAILED(file->Load(ToWide(path).c_str(), STGM_READ))) return result;
    wchar_t buffer[1024];
    buffer[0] = 0;
    // Where the link leads as the shell resolves it: its item list. (Wine keeps the path
    // stored beside it only in the ANSI code page.)
    PIDLIST_ABSOLUTE item = nullptr;
    if (SUCCEEDED(link->GetIDList(&item)) && item) {
        SHGetPathFromIDListW(item, buffer);
        CoTaskMemFree(item);
    }
    result.target = FromWide(buffer);
    buffer[0] = 0;
    link->GetArguments(buffer, 1024);
    result.arguments = FromWide(buffer);
    buffer[0] = 0;
    link->GetWorkingDirectory(buffer, MAX_PATH);
    result.workingFolder = FromWide(buffer);
    buffer[0] = 0;
    link->GetDescription(buffer, 1024);
    result.description = FromWide(buffer);
    result.loaded = true;
    return result;
}

bool Exists(const std::string& path) { return GetFileAttributesW(ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

// "Jörg 한국어": a user or folder name that GBK cannot write, in the program's own texts.
const char kOutsideGbk[] = "J\x81\x30\x8B\x32rg \x83\x36\x84\x33\x82\x37\xF4\x30\x83\x32\xEB\x35";

// Each test gets a fresh folder below the temporary folder and COM on its thread, as the
// installer's worker has it when it makes the desktop shortcut.
class Shortcut : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        wchar_t temp[MAX_PATH + 1];
        ASSERT_NE(0u, GetTempPathW(MAX_PATH + 1, temp));
        folder_ = FromWide(temp) + "quill_shell_test_" + std::to_string(GetCurrentProcessId()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ASSERT_TRUE(CreateDirectoryW(ToWide(folder_).c_str(), nullptr));
        target_ = folder_ + "\\Orvenline.exe";
    }
    void TearDown() override {
        // Best effort: SHFileOperation is overkill for the handful of files made here.
        WIN32_FIND_DATAW found;
        for (const std::string& dir : {folder_ + "\\a.b", folder_ + "\\" + kOutsideGbk, folder_}) {
            HANDLE h = FindFirstFileW(ToWide(dir + "\\*").c_str(), &found);
            if (h != INVALID_HANDLE_VALUE) {
                do {
                    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                        DeleteFileW((ToWide(dir + "\\") + found.cFileName).c_str());
                } while (FindNextFileW(h, &found));
                FindClose(h);
            }
            RemoveDirectoryW(ToWide(dir).c_str());
        }
        CoUninitialize();
    }

    std::string folder_;
    std::string target_;
};

TEST_F(Shortcut, LinkNameGetsLnkOnlyWithoutAnyDot) {
    // No dot: the extension is added, and the link points at the target.
    ASSERT_TRUE(CreateShortcut(folder_ + "\\Orvenline", target_));
    EXPECT_TRUE(Exists(folder_ + "\\Orvenline.lnk"));
    EXPECT_FALSE(Exists(folder_ + "\\Orvenline"));
    const LoadedLink link = LoadLink(folder_ + "\\Orvenline.lnk");
    ASSERT_TRUE(link.loaded);
    EXPECT_EQ(target_, link.target);

    // A dot in a folder part counts: the name is used exactly as given.
    ASSERT_TRUE(CreateDirectoryA((folder_ + "\\a.b").c_str(), nullptr));
    ASSERT_TRUE(CreateShortcut(folder_ + "\\a.b\\Orvenline", target_));
    EXPECT_TRUE(Exists(folder_ + "\\a.b\\Orvenline"));
    EXPECT_FALSE(Exists(folder_ + "\\a.b\\Orvenline.lnk"));
    EXPECT_TRUE(LoadLink(folder_ + "\\a.b\\Orvenline").loaded);

    // A GBK name reaches the file system as the same characters.
    ASSERT_TRUE(CreateShortcut(folder_ + "\\快捷方式", target_));
    EXPECT_TRUE(Exists(folder_ + "\\快捷方式.lnk"));

    // So does a name GBK cannot write, in the link file's name and in its target.
    const std::string outside = folder_ + "\\" + kOutsideGbk;
    ASSERT_TRUE(CreateDirectoryW(ToWide(outside).c_str(), nullptr));
    ASSERT_TRUE(CreateShortcut(outside + "\\" + kOutsideGbk, outside + "\\Orvenline.exe"));
    EXPECT_TRUE(Exists(outside + "\\" + kOutsideGbk + ".lnk"));
    EXPECT_EQ(LoadLink(outside + "\\" + kOutsideGbk + ".lnk").target, outside + "\\Orvenline.exe");

    // No folder to save into: false, no exception, nothing made.
    EXPECT_FALSE(CreateShortcut(folder_ + "\\missing\\Orvenline", target_));
}

TEST_F(Shortcut, ArgumentsAndWorkingFolderNeedAllFiveArguments) {
    const std::string four = folder_ + "\\four.lnk";
    ASSERT_TRUE(CreateShortcut(four, target_, std::string("描述"), std::string("/quiet"), std::string("C:\\work")));
    LoadedLink link = LoadLink(four);
    ASSERT_TRUE(link.loaded);
    EXPECT_EQ("描述", link.description);
    EXPECT_EQ("", link.arguments);
    EXPECT_EQ("", link.workingFolder);

    const std::string five = folder_ + "\\five.lnk";
    ASSERT_TRUE(CreateShortcut(five, target_, std::string("描述"), std::string("/quiet"), std::string("C:\\work"), true));
    link = LoadLink(five);
    ASSERT_TRUE(link.loaded);
    EXPECT_EQ("描述", link.description);
    EXPECT_EQ("/quiet", link.arguments);
    EXPECT_EQ("C:\\work", link.workingFolder);

    // Two arguments, as the installer calls it: target only.
    const std::string two = folder_ + "\\two.lnk";
    ASSERT_TRUE(CreateShortcut(two, target_));
    link = LoadLink(two);
    ASSERT_TRUE(link.loaded);
    EXPECT_EQ("", link.description);
    EXPECT_EQ("", link.arguments);
}

TEST_F(Shortcut, SavingOverAnExistingLinkReplacesIt) {
    const std::string name = folder_ + "\\Orvenline";
    ASSERT_TRUE(CreateShortcut(name, folder_ + "\\old.exe", std::string("old")));
    ASSERT_TRUE(CreateShortcut(name, target_));
    const LoadedLink link = LoadLink(name + ".lnk");
    ASSERT_TRUE(link.loaded);
    EXPECT_EQ(target_, link.target);
    EXPECT_EQ("", link.description);
}

TEST(SpecialFolder, KnownFoldersEndInOneBackslashOthersAreEmpty) {
    char desktop[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE));
    const std::string three = GetSpecialFolder(3);
    EXPECT_EQ(std::string(desktop) + "\\", three);
    ASSERT_GE(three.size(), 2u);
    EXPECT_NE('\\', three[three.size() - 2]);

    // The temporary folder already ends in a backslash: none is added.
    char temp[MAX_PATH] = {};
    ASSERT_NE(0u, GetTempPathA(MAX_PATH, temp));
    const std::string eleven = GetSpecialFolder(11);
    EXPECT_EQ(std::string(temp), eleven);
    ASSERT_GE(eleven.size(), 2u);
    EXPECT_EQ('\\', eleven.back());
    EXPECT_NE('\\', eleven[eleven.size() - 2]);

    char windows[MAX_PATH] = {};
    ASSERT_NE(0u, GetWindowsDirectoryA(windows, MAX_PATH));
    EXPECT_EQ(std::string(windows) + "\\", GetSpecialFolder(9));

    // A folder the system names with characters GBK cannot write comes back exactly.
    // (The temporary folder is the first of TMP, TEMP that is set.)
    wchar_t savedTmp[MAX_PATH + 1] = {};
    const bool hadTmp = GetEnvironmentVariableW(L"TMP", savedTmp, MAX_PATH + 1) != 0;
    const std::string outside = std::string("C:\\users\\") + kOutsideGbk + "\\Temp\\";
    ASSERT_TRUE(SetEnvironmentVariableW(L"TMP", ToWide(outside).c_str()));
    EXPECT_EQ(outside, GetSpecialFolder(11));
    SetEnvironmentVariableW(L"TMP", hadTmp ? savedTmp : nullptr);

    EXPECT_EQ("", GetSpecialFolder(0));
    EXPECT_EQ("", GetSpecialFolder(12));
    EXPECT_EQ("", GetSpecialFolder(-1));
}

}  // namespace
