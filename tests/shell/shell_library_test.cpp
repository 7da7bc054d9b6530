// Shortcuts are checked by loading them back through the shell's own link object, the way
// the desktop reads them; special folders against the platform calls they come from.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <string>

#include "shell/com_ptr.h"
#include "shell/shell_library.h"

namespace {

using quill::ComPtr;
using quill::CreateShortcut;
using quill::GetSpecialFolder;

struct LoadedLink {
    bool loaded = false;
    std::string target, arguments, workingFolder, description;
};

std::wstring Wide(const std::string& ansi) {
    const int n = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, &w[0], n);
    w.resize(static_cast<size_t>(n > 0 ? n - 1 : 0));
    return w;
}

LoadedLink LoadLink(const std::string& path) {
    LoadedLink result;
    ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.out())))
        return result;
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.out()))) return result;
    if (FAILED(file->Load(Wide(path).c_str(), STGM_READ))) return result;
    char buffer[1024];
    buffer[0] = 0;
    link->GetPath(buffer, MAX_PATH, nullptr, SLGP_RAWPATH);
    result.target = buffer;
    buffer[0] = 0;
    link->GetArguments(buffer, sizeof buffer);
    result.arguments = buffer;
    buffer[0] = 0;
    link->GetWorkingDirectory(buffer, MAX_PATH);
    result.workingFolder = buffer;
    buffer[0] = 0;
    link->GetDescription(buffer, sizeof buffer);
    result.description = buffer;
    result.loaded = true;
    return result;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Each test gets a fresh folder below the temporary folder and COM on its thread, as the
// installer's worker has it when it makes the desktop shortcut.
class Shortcut : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        char temp[MAX_PATH];
        ASSERT_NE(0u, GetTempPathA(MAX_PATH, temp));
        folder_ = std::string(temp) + "quill_shell_test_" + std::to_string(GetCurrentProcessId()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr));
        target_ = folder_ + "\\Orvenline.exe";
    }
    void TearDown() override {
        // Best effort: SHFileOperation is overkill for the handful of files made here.
        WIN32_FIND_DATAA found;
        for (const std::string& dir : {folder_ + "\\a.b", folder_}) {
            HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &found);
            if (h != INVALID_HANDLE_VALUE) {
                do {
                    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                        DeleteFileA((dir + "\\" + found.cFileName).c_str());
                } while (FindNextFileA(h, &found));
                FindClose(h);
            }
            RemoveDirectoryA(dir.c_str());
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

    EXPECT_EQ("", GetSpecialFolder(0));
    EXPECT_EQ("", GetSpecialFolder(12));
    EXPECT_EQ("", GetSpecialFolder(-1));
}

}  // namespace
