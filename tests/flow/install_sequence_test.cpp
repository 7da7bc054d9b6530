// The install sequence after the extraction, as both modes run it: what a mode is asked to
// show, what is left on disk, and nothing at all once the end of the program has begun.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <string>
#include <vector>

#include "archive/zip_unit.h"
#include "data/constants.h"
#include "flow/absolute_path.h"
#include "base/exit_codes.h"
#include "flow/failure_messages.h"
#include "flow/flow_state.h"
#include "flow/install_sequence.h"
#include "runtime/runtime_state.h"
#include "shell/shell_library.h"

namespace {

const char kProduct[] = "QuillFlowTest";
// No archive to list: the registration for removal is left out of these runs.
const std::string kNoArchive;

class Recorder : public quill::InstallReporter {
public:
    std::vector<std::string> seen;
    void Log(const char* text) override { seen.push_back(std::string("log ") + text); }
    void ShowProgressBar(bool visible) override { seen.push_back(visible ? "bar shown" : "bar hidden"); }
    void ShowFinishPicture() override { seen.push_back("finish picture"); }
    void ShowFailure(const std::string& message) override { seen.push_back("failure " + message); }
    void OfferLaunch(const std::string& executable) override { seen.push_back("prompt " + executable); }
};

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void WriteText(const std::string& path, const char* text) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(f, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
    CloseHandle(f);
}

class AfterExtraction : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        quill::Flow().productName = kProduct;
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        folder_ = std::string(temp) + "quill_flow_test 目录";
        CreateDirectoryA(folder_.c_str(), nullptr);
        link_ = quill::GetSpecialFolder(3) + kProduct + ".lnk";
        DeleteFileA(link_.c_str());
        // Archives a run would leave in both places.
        WriteText(quill::TempArchivePath(), "archive");
        WriteText(quill::DriveArchivePath(folder_), "archive");
    }
    void TearDown() override {
        quill::State().ending = false;
        DeleteFileA(link_.c_str());
        quill::RemoveArchives(folder_);
        RemoveDirectoryA(folder_.c_str());
        CoUninitialize();
    }
    bool ArchivesRemain() const {
        return Exists(quill::TempArchivePath()) || Exists(quill::DriveArchivePath(folder_));
    }

    std::string folder_;
    std::string link_;
    Recorder shown_;
};

TEST_F(AfterExtraction, OnceTheEndHasBegunNothingFollows) {
    quill::State().ending = true;
    for (int32_t result : {1, 0, -1}) {
        EXPECT_FALSE(quill::FinishInstallation(shown_, folder_, kNoArchive, result).has_value()) << result;
        EXPECT_TRUE(shown_.seen.empty()) << result;
        EXPECT_FALSE(Exists(link_)) << result;
    }
}

TEST_F(AfterExtraction, SuccessMakesTheShortcutOffersTheLaunchAndRemovesBothArchives) {
    EXPECT_EQ(quill::kExitOk, quill::FinishInstallation(shown_, folder_, kNoArchive, 1));
    const std::vector<std::string> expected = {"finish picture", std::string("log ") + ConstLogShortcutOk,
                                               "prompt " + folder_ + "\\" + kProduct + ".exe", "bar hidden"};
    EXPECT_EQ(expected, shown_.seen);
    EXPECT_TRUE(Exists(link_));
    EXPECT_FALSE(ArchivesRemain());
}

// A desktop folder that cannot be found makes no link anywhere else: not beside the
// program, not in the current folder.
TEST_F(AfterExtraction, WithoutADesktopFolderTheShortcutFails) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER,
                                           "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                                           0, KEY_ALL_ACCESS, &key));
    char saved[MAX_PATH] = {};
    DWORD size = sizeof(saved), type = 0;
    const bool had = RegQueryValueExA(key, "Desktop", nullptr, &type, reinterpret_cast<BYTE*>(saved), &size) == 0;
    RegSetValueExA(key, "Desktop", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>("Desktop"), 8);
    const std::string desktop = quill::GetSpecialFolder(3);
    char current[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, current);
    const std::string misplaced[] = {std::string(current) + "\\" + desktop + kProduct + ".lnk",
                                     std::string(current) + "\\" + kProduct + ".lnk"};
    for (const std::string& path : misplaced) DeleteFileA(path.c_str());
    const std::optional<int> outcome = quill::FinishInstallation(shown_, folder_, kNoArchive, 1);
    if (had) {
        RegSetValueExA(key, "Desktop", 0, type, reinterpret_cast<const BYTE*>(saved), size);
    } else {
        RegDeleteValueA(key, "Desktop");
    }
    RegCloseKey(key);

    ASSERT_FALSE(quill::IsAbsolutePath(desktop)) << desktop;
    EXPECT_EQ(quill::kExitOk, outcome);
    ASSERT_EQ(4u, shown_.seen.size());
    EXPECT_EQ(std::string("log ") + ConstLogShortcutFailed, shown_.seen[1]);
    for (const std::string& path : misplaced) {
        EXPECT_FALSE(Exists(path)) << path;
        DeleteFileA(path.c_str());
    }
}

TEST_F(AfterExtraction, AFailureIsReportedWithItsCodeAndRemovesBothArchives) {
    // Signature and a name, then nothing an archive reader accepts.
    const std::string archive = folder_ + "\\damaged.zip";
    WriteText(archive, "PK\x03\x04 this is not the rest of an archive at all, no directory");
    const int32_t result = quill::Extract(0, 0, archive.c_str(), folder_.c_str());
    DeleteFileA(archive.c_str());
    ASSERT_EQ(0, result);

    EXPECT_EQ(quill::kExitDamaged, quill::FinishInstallation(shown_, folder_, kNoArchive, result));
    EXPECT_EQ(std::vector<std::string>{std::string("failure ") + ConstDamagedMessage}, shown_.seen);
    EXPECT_FALSE(ArchivesRemain());
    EXPECT_FALSE(Exists(link_));
}

TEST(FailureReport, EachCauseHasItsCodeAndItsDetail) {
    using quill::ExtractFailure;
    const std::string folder = "D:\\Tessaly软件\\Orvenline";
    const struct {
        quill::ExtractFailureInfo failure;
        int code;
        std::string message;
    } cases[] = {
        {{ExtractFailure::kDiskFull, folder + "\\sys.dll", 5 * 1048576 + 1}, quill::kExitDiskFull,
         "磁盘空间不足！无法安装到：\r\n" + folder + "\r\n还需要约 6 MB 可用空间\r\n请清理磁盘或另选安装目录，再重试\r\n"
         "《确定》后将关闭本安装程序"},
        {{ExtractFailure::kFileNotWritable, folder + "\\sys.dll", 0}, quill::kExitFileNotWritable,
         "文件写入失败！以下文件正被使用或为只读：\r\n" + folder + "\\sys.dll\r\n"
         "请关闭正在运行的相关软件，再重试\r\n《确定》后将关闭本安装程序"},
        {{ExtractFailure::kDamaged, "", 0}, quill::kExitDamaged, ConstDamagedMessage},
        {{ExtractFailure::kBadName, "a/名称?.txt", 0}, quill::kExitBadName,
         "文件名无法创建！安装目录中不能使用以下名称：\r\na/名称?.txt\r\n请另选安装目录，或联系软件提供者\r\n"
         "《确定》后将关闭本安装程序"},
        {{ExtractFailure::kNoArchive, "", 0}, quill::kExitExtractFailed,
         "解压失败！部分文件无法写入安装目录：\r\n" + folder + "\r\n请关闭正在运行的相关软件，"
         "并确认对该目录有写入权限，再重试\r\n《确定》后将关闭本安装程序"},
    };
    for (const auto& c : cases) {
        const quill::FailureReport report = quill::ReportExtractFailure(c.failure, folder);
        EXPECT_EQ(c.code, report.exitCode) << static_cast<int>(c.failure.cause);
        EXPECT_EQ(c.message, report.message) << static_cast<int>(c.failure.cause);
    }
}

}  // namespace
