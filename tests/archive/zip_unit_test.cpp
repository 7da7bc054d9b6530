// The ZIP unit's Extract and Progress, driven through a fake frame.
#include <gtest/gtest.h>

#include <thread>

#include "archive/zip_unit.h"
#include "tests/archive/fake_frame.h"
#include "tests/archive/test_files.h"
#include "tests/archive/zip_builder.h"

using namespace quill;
using namespace ziptest;

namespace {

using Events = std::vector<int32_t>;

class ZipUnitTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(FakeFrame::unit, nullptr); }

    // Writes the archive as tool.zip and extracts it into out\ (or `target`).
    int32_t Run(const std::string& archive, const std::string& target = "") {
        EXPECT_TRUE(WriteBytes(zipPath(), archive));
        return Extract(kWindowId, kUnitId, zipPath().c_str(), (target.empty() ? out() : target).c_str());
    }
    std::string zipPath() const { return scratch / "tool.zip"; }
    std::string out() const { return scratch / "out"; }
    std::string out(const std::string& relative) const { return scratch / ("out\\" + relative); }

    ScratchFolder scratch;
    UnitHost host;
};

// Normal as far as the file system can tell: Wine reports a plain file as "archive"
// rather than "normal", so only the bits the unit must clear are looked at.
bool IsNormalFile(const std::string& path) {
    const DWORD a = Attributes(path);
    return a != INVALID_FILE_ATTRIBUTES &&
           !(a & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY));
}

std::vector<Entry> NumberedFiles(int n) {
    std::vector<Entry> entries;
    for (int i = 0; i < n; ++i) entries.push_back(File("f" + std::to_string(i) + ".txt", "content " + std::to_string(i)));
    return entries;
}

}  // namespace

TEST_F(ZipUnitTest, ExtractsTwentyEntriesWithProgressAfterEach) {
    std::vector<Entry> entries = {Folder("sub/"), Folder("数据/")};
    for (int i = 0; i < 12; ++i) entries.push_back(File("sub/s" + std::to_string(i) + ".txt", std::string(3000 + i, 'a' + i)));
    for (int i = 0; i < 5; ++i) entries.push_back(File("数据/文件" + std::to_string(i) + ".dat", std::string(i * 7, 'z'), 0));
    entries.push_back(File("top.txt", "top"));
    ASSERT_EQ(entries.size(), 20u);
    FakeFrame::handler = [](int32_t, int32_t* result) {
        *result = 1;  // a true answer lets the extraction go on
        return true;
    };

    EXPECT_EQ(Run(Build(entries)), 1);
    EXPECT_EQ(FakeFrame::events,
              (Events{0, 5, 10, 15, 20, 25, 30, 35, 40, 45, 50, 55, 60, 65, 70, 75, 80, 85, 90, 95, 100}));
    EXPECT_EQ(ListTree(out()).size(), 20u);
    EXPECT_EQ(ReadOrEmpty(out("sub\\s11.txt")), std::string(3011, 'a' + 11));
    EXPECT_EQ(ReadOrEmpty(out("数据\\文件4.dat")), std::string(28, 'z'));
    // DOS entries come out read-only from the reader; the unit leaves them normal.
    EXPECT_TRUE(IsNormalFile(out("top.txt")));
}

TEST_F(ZipUnitTest, PercentageIsTruncatedDoubleNotIntegerArithmetic) {
    // 29 / 50 * 100.0 is 57.99999999999999 in double: 57, where integers give 58.
    EXPECT_EQ(Run(Build(NumberedFiles(50))), 1);
    ASSERT_EQ(FakeFrame::events.size(), 51u);
    EXPECT_EQ(FakeFrame::events[29], 57);
    EXPECT_EQ(FakeFrame::events[30], 60);
    EXPECT_EQ(FakeFrame::events[50], 100);
}

TEST_F(ZipUnitTest, AbsentOrMissingArchive) {
    EXPECT_EQ(Extract(kWindowId, kUnitId, nullptr, out().c_str()), -1);
    EXPECT_EQ(Extract(kWindowId, kUnitId, zipPath().c_str(), nullptr), -1);
    EXPECT_TRUE(FakeFrame::events.empty());

    EXPECT_EQ(Extract(kWindowId, kUnitId, zipPath().c_str(), out().c_str()), -1);
    EXPECT_EQ(FakeFrame::events, Events{0});
    EXPECT_FALSE(Exists(out()));  // the archive is looked for before the folder is made
}

TEST_F(ZipUnitTest, UnusableArchivesFailAfterTheFolderIsMade) {
    const std::string deep = scratch / "a\\b\\c";
    EXPECT_EQ(Run(std::string(100, 'x'), deep), 0);
    EXPECT_TRUE(IsFolder(deep));
    EXPECT_EQ(FakeFrame::events, Events{0});

    // No entries: the file starts with the end record and fails the signature check.
    FakeFrame::events.clear();
    EXPECT_EQ(Run(Build({})), 0);
    EXPECT_EQ(FakeFrame::events, Events{0});

    // A first entry with an empty name and a size below 64 KB leaves the word at
    // offset 24 zero, though the file starts with a local header signature.
    FakeFrame::events.clear();
    EXPECT_EQ(Run(Build({File("", "tiny"), File("b.txt", "b")})), 0);
    EXPECT_EQ(FakeFrame::events, Events{0});
    EXPECT_TRUE(ListTree(out()).empty());
}

TEST_F(ZipUnitTest, DamagedFirstHeaderWritesNothing) {
    Layout layout;
    std::string bytes = Build(NumberedFiles(3), &layout);
    Set16(bytes, layout.local[0] + field::kLocalNameLength, 7);  // disagrees with the directory
    EXPECT_EQ(Run(bytes), 0);
    EXPECT_EQ(FakeFrame::events, Events{0});
    EXPECT_TRUE(ListTree(out()).empty());
}

TEST_F(ZipUnitTest, WalkThatStopsShortOfTheDirectoryFails) {
    struct Damage {
        const char* what;
        std::function<void(std::string&, const Layout&)> apply;
    };
    const Damage damages[] = {
        {"unsupported method", [](std::string& b, const Layout& l) {
             Set16(b, l.local[2] + field::kLocalMethod, 12);
             Set16(b, l.central[2] + field::kCentralMethod, 12);
         }},
        {"encrypted", [](std::string& b, const Layout& l) {
             Set16(b, l.local[2] + field::kLocalFlags, 1);
             Set16(b, l.central[2] + field::kCentralFlags, 1);
         }},
        {"damaged directory record", [](std::string& b, const Layout& l) { b[l.central[2]] = 'X'; }},
        {"damaged local header", [](std::string& b, const Layout& l) { b[l.local[2] + 1] = 'X'; }},
    };
    for (const Damage& d : damages) {
        SCOPED_TRACE(d.what);
        FakeFrame::events.clear();
        RemoveTree(out());
        Layout layout;
        std::string bytes = Build(NumberedFiles(5), &layout);
        d.apply(bytes, layout);
        EXPECT_EQ(Run(bytes), 0);
        // Two entries counted and written; the final event still carries 100.
        EXPECT_EQ(FakeFrame::events, (Events{0, 50, 100}));
        EXPECT_EQ(ListTree(out()), (std::set<std::string>{"f0.txt", "f1.txt"}));
    }
}

TEST_F(ZipUnitTest, FilesWhoseFoldersAreNotListedGetThem) {
    Entry flagged = File(u8"中/数据乗/c.txt", "c");
    flagged.flags = 0x0800;  // UTF-8 name
    EXPECT_EQ(Run(Build({File("a.txt", "a"), File("x/y/b.txt", "b"), flagged, File("x/y2/", "not a folder entry")})), 1);
    EXPECT_EQ(ListTree(out()), (std::set<std::string>{"a.txt", "x\\", "x\\y\\", "x\\y\\b.txt", "中\\", "中\\数据乗\\",
                                                      "中\\数据乗\\c.txt", "x\\y2\\"}));
    EXPECT_EQ(ReadOrEmpty(out("中\\数据乗\\c.txt")), "c");
}

TEST_F(ZipUnitTest, TargetEndingInDoubleByteCharacterWithBackslashTrailByte) {
    // "乗" is 81 5C in GBK: its second byte must not count as a separator.
    const std::string target = scratch / "数据乗";
    ASSERT_EQ(target.back(), '\\');
    EXPECT_EQ(Run(Build({Folder("sub/"), File("sub/a.txt", "A"), File("b.txt", "B")}), target), 1);
    EXPECT_TRUE(IsFolder(target));
    EXPECT_EQ(ReadOrEmpty(target + "\\sub\\a.txt"), "A");
    EXPECT_EQ(ReadOrEmpty(target + "\\b.txt"), "B");
    EXPECT_EQ(ListTree(scratch.path()), (std::set<std::string>{"tool.zip", "数据乗\\", "数据乗\\sub\\",
                                                                "数据乗\\sub\\a.txt", "数据乗\\b.txt"}));
}

TEST_F(ZipUnitTest, ReplacesReadOnlyAndHiddenFilesAndLeavesThemNormal) {
    ASSERT_TRUE(CreateDirectoryA(out().c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(out("ro.txt"), "old"));
    ASSERT_TRUE(WriteBytes(out("hidden.txt"), "old"));
    SetFileAttributesA(out("ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA(out("hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    ASSERT_TRUE(Attributes(out("ro.txt")) & FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(Attributes(out("hidden.txt")) & FILE_ATTRIBUTE_HIDDEN);
    Entry ro = File("ro.txt", "new read-only");
    ro.externalAttributes = 0x21;
    Entry hidden = File("hidden.txt", "new hidden");
    hidden.externalAttributes = 0x26;

    EXPECT_EQ(Run(Build({ro, hidden})), 1);
    EXPECT_EQ(ReadOrEmpty(out("ro.txt")), "new read-only");
    EXPECT_EQ(ReadOrEmpty(out("hidden.txt")), "new hidden");
    EXPECT_TRUE(IsNormalFile(out("ro.txt")));
    EXPECT_TRUE(IsNormalFile(out("hidden.txt")));
}

TEST_F(ZipUnitTest, FalseFromTheHandlerStopsAfterThatEntry) {
    FakeFrame::handler = [](int32_t percent, int32_t* result) {
        *result = percent == 40 ? 0 : 1;
        return true;
    };
    EXPECT_EQ(Run(Build(NumberedFiles(5))), 1);
    EXPECT_EQ(FakeFrame::events, (Events{0, 20, 40}));  // no final event after a stop
    EXPECT_EQ(ListTree(out()), (std::set<std::string>{"f0.txt", "f1.txt", "f2.txt"}));
}

TEST_F(ZipUnitTest, TheEndOfTheProgramStopsInsideABigEntryAndRemovesTheCutFile) {
    constexpr uint64_t kBig = 16u << 20, kEndAt = 1u << 20;
    const std::string big = out("big.bin");
    uint64_t writtenWhenEnded = 0;
    FakeFrame::ending = [&] {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!GetFileAttributesExA(big.c_str(), GetFileExInfoStandard, &data)) return writtenWhenEnded != 0;
        const uint64_t size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        if (writtenWhenEnded == 0 && size >= kEndAt) writtenWhenEnded = size;
        return writtenWhenEnded != 0;
    };
    EXPECT_EQ(Run(Build({File("first.txt", "first"), File("big.bin", std::string(kBig, 'b')), File("after.txt", "x")})), 1);
    EXPECT_LE(writtenWhenEnded, kEndAt + 16384) << "went on past the block it was in";
    EXPECT_EQ(ListTree(out()), (std::set<std::string>{"first.txt"}));
}

TEST_F(ZipUnitTest, FileHeldOpenElsewhereFailsAfterCounting) {
    ASSERT_TRUE(CreateDirectoryA(out().c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(out("f1.txt"), "running"));
    // No sharing at all, as a running program holds its own executable.
    HANDLE held = CreateFileA(out("f1.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    // The failure exit, too, fires its event before it closes the archive.
    bool deletedDuringEvent = true;
    const std::string archive = zipPath();
    FakeFrame::handler = [&](int32_t percent, int32_t*) {
        if (percent == 100) deletedDuringEvent = DeleteFileA(archive.c_str()) != 0;
        return false;
    };
    const int32_t result = Run(Build(NumberedFiles(3)));
    CloseHandle(held);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(FakeFrame::events, (Events{0, 100}));
    EXPECT_FALSE(deletedDuringEvent);
    EXPECT_EQ(ReadOrEmpty(out("f0.txt")), "content 0");
    EXPECT_EQ(ReadOrEmpty(out("f1.txt")), "running");
}

TEST_F(ZipUnitTest, ArchiveStaysOpenUntilTheFinalEventReturns) {
    bool deletedDuringEvent = true;
    const std::string archive = zipPath();
    FakeFrame::handler = [&](int32_t percent, int32_t*) {
        if (percent == 100) deletedDuringEvent = DeleteFileA(archive.c_str()) != 0;
        return false;
    };
    EXPECT_EQ(Run(Build(NumberedFiles(2))), 1);
    EXPECT_EQ(FakeFrame::events, (Events{0, 50, 100}));
    EXPECT_FALSE(deletedDuringEvent);
    EXPECT_TRUE(DeleteFileA(archive.c_str()));
}

TEST_F(ZipUnitTest, RefusesNamesThatLeaveTheTargetFolder) {
    const char* names[] = {"../evil.txt", "..\\evil.txt", "sub/../../evil.txt", "C:\\evil.txt", "C:evil.txt", "a:b",
                           "/evil.txt",   "\\evil.txt",   "../evil/",           "sub/CON",       "ok.txt:x",   "../x/y.txt"};
    const std::string sentinel = scratch / "sentinel";
    ASSERT_TRUE(CreateDirectoryA(sentinel.c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(sentinel + "\\keep.txt", "keep"));
    char tempFolder[MAX_PATH];
    GetTempPathA(MAX_PATH, tempFolder);
    const std::set<std::string> tempBefore = ListFolder(std::string(tempFolder) + ".");
    const std::set<std::string> rootBefore = ListFolder("C:");

    for (const char* name : names) {
        SCOPED_TRACE(name);
        FakeFrame::events.clear();
        RemoveTree(out());
        std::vector<Entry> entries = {Folder("sub/"), File("ok.txt", "ok")};
        Entry bad = name[strlen(name) - 1] == '/' ? Folder(name) : File(name, "evil");
        entries.push_back(bad);
        EXPECT_EQ(Run(Build(entries)), 0);
        EXPECT_EQ(FakeFrame::events.back(), 100);
        EXPECT_EQ(ListTree(out()), (std::set<std::string>{"sub\\", "ok.txt"}));
    }
    EXPECT_EQ(ListTree(scratch.path()),
              (std::set<std::string>{"tool.zip", "out\\", "out\\sub\\", "out\\ok.txt", "sentinel\\", "sentinel\\keep.txt"}));
    EXPECT_EQ(ReadOrEmpty(sentinel + "\\keep.txt"), "keep");
    EXPECT_EQ(ListFolder(std::string(tempFolder) + "."), tempBefore);
    EXPECT_EQ(ListFolder("C:"), rootBefore);

    // Names that merely look odd are fine.
    FakeFrame::events.clear();
    EXPECT_EQ(Run(Build({File("a..b.txt", "1"), File("./dot.txt", "2"), File("..x", "3")})), 1);
    EXPECT_EQ(ReadOrEmpty(out("a..b.txt")), "1");
    EXPECT_EQ(ReadOrEmpty(out("dot.txt")), "2");
    EXPECT_EQ(ReadOrEmpty(out("..x")), "3");
}

TEST_F(ZipUnitTest, UnitWindowAndFrameNotifications) {
    Unit* unit = FakeFrame::unit;
    HWND hwnd = unit->hwnd();
    ASSERT_TRUE(IsWindow(hwnd));
    EXPECT_EQ(GetParent(hwnd), host.parent());
    const LONG style = GetWindowLongA(hwnd, GWL_STYLE);
    EXPECT_TRUE((style & WS_CHILD) && (style & WS_BORDER) && (style & WS_CLIPSIBLINGS));
    RECT r;
    GetWindowRect(hwnd, &r);
    EXPECT_EQ(r.right - r.left, 27);

    const UnitTypeInfo& type = kArchiveLibrary.types[0];
    EXPECT_EQ(kArchiveLibrary.typeCount, 1u);
    EXPECT_EQ(0x40000u + type.number, kZipUnitType);
    auto set = reinterpret_cast<UnitSetFn>(type.query(kEntrySetProperty));
    auto get = reinterpret_cast<UnitGetFn>(type.query(kEntryGetProperty));
    PropValue value;
    EXPECT_EQ(set(unit, 0, PropValue::Integer(5)), 0);
    EXPECT_EQ(get(unit, 0, &value), 0);
    EXPECT_EQ(type.query(kEntryIcon), nullptr);
    EXPECT_EQ(kArchiveLibrary.notify(kNotifyEnd, 0, 0, 0), -1);

    // A window that is gone gets no events, and the extraction still runs.
    host.DestroyParent();
    EXPECT_FALSE(IsWindow(hwnd));
    ASSERT_EQ(FakeFrame::destroyed.size(), 1u);
    EXPECT_EQ(FakeFrame::destroyed[0], std::make_pair(intptr_t{kWindowId}, intptr_t{kUnitId}));
    EXPECT_EQ(Run(Build(NumberedFiles(2))), 1);
    EXPECT_TRUE(FakeFrame::events.empty());
    EXPECT_EQ(ReadOrEmpty(out("f1.txt")), "content 1");
}

TEST_F(ZipUnitTest, TellsWhyTheLastExtractionFailed) {
    ASSERT_TRUE(WriteBytes(scratch / "file", "a file where a folder should be"));
    Layout layout;
    std::string crcDamaged = Build({File("a.txt", "first"), File("b.txt", std::string(5000, 'b'), 0)}, &layout);
    crcDamaged[layout.data[1] + 100] ^= 0x20;
    Entry encrypted = File("secret.txt", "s"), notUtf8 = File("\xC0\xAF.txt", "t");
    encrypted.flags = 1;
    notUtf8.flags = 0x0800;  // flagged UTF-8, but an overlong '/'
    const std::string held = out("f1.txt");
    const struct {
        std::string archive;  // empty: no archive file at all
        std::string target;
        int32_t result;
        ExtractFailure cause;
        std::string detail;
    } cases[] = {
        {"", out(), -1, ExtractFailure::kNoArchive, zipPath()},
        {std::string(100, 'x'), out(), 0, ExtractFailure::kDamaged, zipPath()},
        {crcDamaged, out(), 0, ExtractFailure::kDamaged, zipPath()},
        {Build({File("a.txt", "a"), encrypted}), out(), 0, ExtractFailure::kDamaged, zipPath()},
        {Build({File("../evil.txt", "e")}), out(), 0, ExtractFailure::kBadName, "../evil.txt"},
        {Build({notUtf8}), out(), 0, ExtractFailure::kBadName, "??.txt"},
        {Build({File("\xAD/a.txt", "a")}), out(), 0, ExtractFailure::kBadName, "\xAD/a.txt"},
        {Build({File("a.txt", "a")}), scratch / "file\\sub", 0, ExtractFailure::kFileNotWritable, scratch / "file\\"},
        {Build({File("sub", "a folder is in its place")}), out(), 0, ExtractFailure::kFileNotWritable, out("sub")},
        {Build(NumberedFiles(3)), out(), 0, ExtractFailure::kFileNotWritable, held},  // held open below
        {Build(NumberedFiles(3)), out(), 1, ExtractFailure::kNone, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.detail);
        RemoveTree(out());
        DeleteFileA(zipPath().c_str());
        ASSERT_TRUE(CreateDirectoryA(out().c_str(), nullptr) && CreateDirectoryA(out("sub").c_str(), nullptr));
        ASSERT_TRUE(WriteBytes(held, "running") && (c.archive.empty() || WriteBytes(zipPath(), c.archive)));
        // No sharing at all, as a running program holds its own executable.
        HANDLE h = c.detail == held ? CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                                    : INVALID_HANDLE_VALUE;
        EXPECT_EQ(Extract(kWindowId, kUnitId, zipPath().c_str(), c.target.c_str()), c.result);
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        const ExtractFailureInfo failure = LastExtractFailure();
        EXPECT_EQ(failure.cause, c.cause);
        EXPECT_EQ(failure.detail, c.detail);
        EXPECT_EQ(failure.bytesNeeded, 0u);
    }
    // Absent arguments; and the answer belongs to the calling thread only.
    EXPECT_EQ(Extract(kWindowId, kUnitId, nullptr, out().c_str()), -1);
    EXPECT_EQ(LastExtractFailure().cause, ExtractFailure::kNoArchive);
    ExtractFailure seenElsewhere = ExtractFailure::kDamaged;
    std::thread([&] { seenElsewhere = LastExtractFailure().cause; }).join();
    EXPECT_EQ(seenElsewhere, ExtractFailure::kNone);
}
