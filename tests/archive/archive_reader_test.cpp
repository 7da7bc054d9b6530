// The archive reader against hand-built archives.
#include <gtest/gtest.h>

#include <iterator>

#include "archive/archive_reader.h"
#include "base/wide_text.h"
#include "tests/archive/test_files.h"
#include "tests/archive/zip_builder.h"

using namespace quill;
using namespace ziptest;

namespace {

std::string Pattern(size_t size, uint32_t seed) {
    std::string s(size, '\0');
    uint32_t x = seed;
    for (size_t i = 0; i < size; ++i) {
        x = x * 1664525u + 1013904223u;
        // Half noise, half text-like runs, so deflate has work on both kinds.
        s[i] = (i / 4096) % 2 ? static_cast<char>(x >> 24) : static_cast<char>('a' + (x >> 28));
    }
    return s;
}

// An archive written to a scratch folder and opened; closed and removed at the end.
class OpenedZip {
public:
    OpenedZip(const ScratchFolder& scratch, const std::string& bytes, const char* name = "test.zip")
        : path_(scratch / name) {
        EXPECT_TRUE(WriteBytes(path_, bytes));
        handle_ = OpenArchive(path_.c_str());
        EXPECT_NE(handle_, nullptr);
    }
    ~OpenedZip() {
        if (handle_) {
            EXPECT_EQ(CloseArchive(handle_), ArchiveOk);
        }
    }
    ArchiveHandle* get() const { return handle_; }
    const std::string& path() const { return path_; }

    ArchiveEntry Entry(int32_t index) {
        ArchiveEntry e;
        EXPECT_EQ(GetArchiveEntry(handle_, index, &e), ArchiveOk) << "index " << index;
        return e;
    }

private:
    std::string path_;
    ArchiveHandle* handle_ = nullptr;
};

bool SameTime(const FILETIME& a, const FILETIME& b) {
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

FILETIME UtcTime(WORD y, WORD mo, WORD d, WORD h, WORD mi, WORD s) {
    SYSTEMTIME st = {};
    st.wYear = y;
    st.wMonth = mo;
    st.wDay = d;
    st.wHour = h;
    st.wMinute = mi;
    st.wSecond = s;
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    return ft;
}

// Restores the current folder when a test that moves it ends.
class CurrentFolderGuard {
public:
    CurrentFolderGuard() { GetCurrentDirectoryA(MAX_PATH, saved_); }
    ~CurrentFolderGuard() { SetCurrentDirectoryA(saved_); }

private:
    char saved_[MAX_PATH];
};

}  // namespace

TEST(ArchiveReader, LooksUpEntriesByIndexInAnyOrder) {
    ScratchFolder scratch;
    const std::string big = Pattern(40000, 1);
    OpenedZip zip(scratch, Build({Folder("dir/"), File("dir/a.txt", "hello"), File("b.bin", big, 0),
                                  File("数据/文本.txt", "中文内容")}));
    ASSERT_NE(zip.get(), nullptr);

    ArchiveEntry count = zip.Entry(-1);
    EXPECT_EQ(count.index, 4);
    EXPECT_STREQ(count.name, "");
    EXPECT_EQ(count.attributes, 0u);
    EXPECT_EQ(count.uncompressedSize, 0u);

    // Backwards and forwards: the reader restarts from the first entry when it must.
    const int order[] = {3, 1, 0, 2, 2, 3};
    const char* names[] = {"dir/", "dir/a.txt", "b.bin", "数据/文本.txt"};
    for (int i : order) {
        ArchiveEntry e = zip.Entry(i);
        EXPECT_EQ(e.index, i);
        EXPECT_STREQ(e.name, names[i]);
    }
    ArchiveEntry b = zip.Entry(2);
    EXPECT_EQ(b.uncompressedSize, 40000u);
    EXPECT_EQ(b.compressedSize, 40000u);
    ArchiveEntry a = zip.Entry(1);
    EXPECT_EQ(a.uncompressedSize, 5u);
    EXPECT_EQ(a.compressedSize, Deflate("hello").size());

    ArchiveEntry e;
    EXPECT_EQ(GetArchiveEntry(zip.get(), 4, &e), ArchiveBadArgument);  // how callers find the end
    EXPECT_EQ(GetArchiveEntry(zip.get(), -2, &e), ArchiveBadArgument);
    EXPECT_EQ(GetArchiveEntry(nullptr, 0, &e), ArchiveBadArgument);
    EXPECT_EQ(ExtractEntryToFile(zip.get(), 4, (scratch / "x").c_str()), ArchiveBadArgument);

    ArchiveHandle notReader{2, zip.get()->reader};
    EXPECT_EQ(GetArchiveEntry(&notReader, 0, &e), ArchiveWrongHandle);
    EXPECT_EQ(ExtractEntryToFile(&notReader, 0, (scratch / "x").c_str()), ArchiveWrongHandle);
    EXPECT_EQ(CloseArchive(&notReader), ArchiveWrongHandle);
}

TEST(ArchiveReader, OpensOnlyExistingArchivesAndHoldsThemOpen) {
    ScratchFolder scratch;
    EXPECT_EQ(OpenArchive((scratch / "missing.zip").c_str()), nullptr);
    ASSERT_TRUE(WriteBytes(scratch / "text.zip", std::string(200, 'x')));
    EXPECT_EQ(OpenArchive((scratch / "text.zip").c_str()), nullptr);

    const std::string path = scratch / "held.zip";
    ASSERT_TRUE(WriteBytes(path, Build({File("a.txt", "a")})));
    ArchiveHandle* h = OpenArchive(path.c_str());
    ASSERT_NE(h, nullptr);
    // Shared for reading only: neither deleted nor rewritten while open.
    EXPECT_FALSE(DeleteFileA(path.c_str()));
    EXPECT_FALSE(WriteBytes(path, "x"));
    EXPECT_EQ(CloseArchive(h), ArchiveOk);
    EXPECT_TRUE(DeleteFileA(path.c_str()));
}

TEST(ArchiveReader, MapsExternalAttributes) {
    struct Case {
        uint32_t external;
        uint32_t expected;
    };
    const Case cases[] = {
        {0x00000020, 0xA1},  // DOS archive bit: every DOS entry is read-only
        {0x00000021, 0xA1}, {0x00000000, 0x81}, {0x00000022, 0xA3}, {0x00000024, 0xA5},
        {0x00000010, 0x91},  // DOS folder
        {0x81A40000, 0x80},  // Unix rw-r--r-- file
        {0x81240000, 0x81},  // Unix r--r--r-- file
        {0x81A40001, 0x81},  // owner-write, but the DOS read-only bit
        {0x41ED0000, 0x90},  // Unix folder rwxr-xr-x
    };
    std::vector<Entry> entries;
    for (const Case& c : cases) {
        Entry e = File("f" + std::to_string(entries.size()), "x");
        e.externalAttributes = c.external;
        entries.push_back(e);
    }
    ScratchFolder scratch;
    OpenedZip zip(scratch, Build(entries));
    ASSERT_NE(zip.get(), nullptr);
    for (size_t i = 0; i < entries.size(); ++i)
        EXPECT_EQ(zip.Entry(static_cast<int32_t>(i)).attributes, cases[i].expected) << std::hex << cases[i].external;

    // The file is created with the mapped attributes.
    const std::string out = scratch / "dos.txt";
    ASSERT_EQ(ExtractEntryToFile(zip.get(), 0, out.c_str()), ArchiveOk);
    EXPECT_TRUE(Attributes(out) & FILE_ATTRIBUTE_READONLY);
}

TEST(ArchiveReader, TimesComeFromDosTimeAndExtendedTimestamp) {
    const FILETIME dos = UtcTime(2019, 12, 8, 18, 1, 22);
    const FILETIME t1 = UtcTime(2021, 3, 4, 5, 6, 7);
    const FILETIME t2 = UtcTime(2000, 1, 2, 3, 4, 5);
    const FILETIME t3 = UtcTime(2010, 6, 7, 8, 9, 10);

    Entry plain = File("plain.txt", "p");
    Entry modOnly = File("mod.txt", "m");
    // An NTFS block first: skipped, the walk goes on to the UT block.
    modOnly.localExtra = std::string("\x0A\x00\x04\x00\x00\x00\x00\x00", 8) + ExtendedTimestamp(1, {1614834367});
    Entry all = File("all.txt", "a");
    all.localExtra = ExtendedTimestamp(7, {1614834367, 946782245, 1275898150});
    Entry cut = File("cut.txt", "c");
    cut.localExtra = ExtendedTimestamp(7, {1614834367, 946782245, 1275898150}).substr(0, 4 + 1 + 4 + 2);
    Entry central = File("central.txt", "c");
    central.centralExtra = ExtendedTimestamp(1, {1614834367});  // only the local field counts

    ScratchFolder scratch;
    OpenedZip zip(scratch, Build({plain, modOnly, all, cut, central}));
    ASSERT_NE(zip.get(), nullptr);

    ArchiveEntry e = zip.Entry(0);
    EXPECT_TRUE(SameTime(e.modificationTime, dos));
    EXPECT_TRUE(SameTime(e.accessTime, dos));
    EXPECT_TRUE(SameTime(e.creationTime, dos));

    e = zip.Entry(1);
    EXPECT_TRUE(SameTime(e.modificationTime, t1));
    EXPECT_TRUE(SameTime(e.accessTime, dos));
    EXPECT_TRUE(SameTime(e.creationTime, dos));

    e = zip.Entry(2);
    EXPECT_TRUE(SameTime(e.modificationTime, t1));
    EXPECT_TRUE(SameTime(e.accessTime, t2));
    EXPECT_TRUE(SameTime(e.creationTime, t3));

    e = zip.Entry(3);  // the block ends after the first time
    EXPECT_TRUE(SameTime(e.modificationTime, t1));
    EXPECT_TRUE(SameTime(e.accessTime, dos));

    e = zip.Entry(4);
    EXPECT_TRUE(SameTime(e.modificationTime, dos));

    // The times land on the written file.
    const std::string out = scratch / "all.txt";
    ASSERT_EQ(ExtractEntryToFile(zip.get(), 2, out.c_str()), ArchiveOk);
    HANDLE h = CreateFileA(out.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FILETIME created, accessed, written;
    GetFileTime(h, &created, &accessed, &written);
    CloseHandle(h);
    EXPECT_TRUE(SameTime(written, t1));
    EXPECT_TRUE(SameTime(accessed, t2));
}

TEST(ArchiveReader, RefusesUnsupportedOrInconsistentEntriesAtLookUp) {
    Entry bzip = File("bzip.bin", "data", 0);
    bzip.method = 12;
    Entry encrypted = File("secret.txt", "data");
    encrypted.flags = 1;
    Entry longName = File(std::string(260, 'n'), "x");
    Entry fitting = File(std::string(259, 'n'), "x");
    Layout layout;
    std::string bytes = Build({File("ok.txt", "ok"), bzip, encrypted, File("mismatch.txt", "m"),
                               File("badsig.txt", "b"), longName, fitting, File("last.txt", "l")},
                              &layout);
    Set16(bytes, layout.local[3] + field::kLocalNameLength, 11);  // local name length disagrees
    bytes[layout.local[4]] = 'Q';                                  // local signature broken

    ScratchFolder scratch;
    OpenedZip zip(scratch, bytes);
    ASSERT_NE(zip.get(), nullptr);
    ArchiveEntry e;
    EXPECT_EQ(GetArchiveEntry(zip.get(), 0, &e), ArchiveOk);
    for (int i = 1; i <= 4; ++i) EXPECT_EQ(GetArchiveEntry(zip.get(), i, &e), ArchiveCorrupt) << i;
    EXPECT_EQ(GetArchiveEntry(zip.get(), 5, &e), ArchiveBadName);  // too long for the record: never cut
    // A refused entry does not stop the directory walk for the ones after it.
    EXPECT_EQ(GetArchiveEntry(zip.get(), 6, &e), ArchiveOk);
    EXPECT_EQ(strlen(e.name), 259u);
    EXPECT_EQ(GetArchiveEntry(zip.get(), 7, &e), ArchiveOk);
    EXPECT_EQ(ExtractEntryToFile(zip.get(), 2, (scratch / "secret.txt").c_str()), ArchiveCorrupt);
    EXPECT_FALSE(Exists(scratch / "secret.txt"));
}

TEST(ArchiveReader, WritesStoredDeflatedAndEmptyEntries) {
    const std::string stored = Pattern(40000, 2);
    const std::string deflated = Pattern(100000, 3);  // several 16 KB chunks
    Entry empty = File("empty.txt", "");
    ASSERT_EQ(Deflate("").size(), 2u);  // the 2-byte empty stream
    ScratchFolder scratch;
    OpenedZip zip(scratch, Build({File("stored.bin", stored, 0), File("deflated.bin", deflated), empty}));
    ASSERT_NE(zip.get(), nullptr);

    for (int i = 0; i < 3; ++i) {
        const std::string out = scratch / ("out" + std::to_string(i));
        EXPECT_EQ(ExtractEntryToFile(zip.get(), i, out.c_str()), ArchiveOk);
    }
    EXPECT_EQ(ReadOrEmpty(scratch / "out0"), stored);
    EXPECT_EQ(ReadOrEmpty(scratch / "out1"), deflated);
    std::string emptyContent;
    ASSERT_TRUE(ReadBytes(scratch / "out2", &emptyContent));
    EXPECT_EQ(emptyContent.size(), 0u);
}

TEST(ArchiveReader, RefusesDataThatDoesNotMatchItsRecord) {
    const std::string text = Pattern(30000, 4);
    Layout layout;
    Entry shortStream = File("short.txt", "abcdef");
    shortStream.rawData = Deflate("abc");  // a valid stream that ends early
    std::string bytes = Build({File("stored.bin", text, 0), File("deflated.bin", text), shortStream}, &layout);
    bytes[layout.data[0] + 1000] ^= 0x01;
    bytes[layout.data[1] + 50] ^= 0x40;

    ScratchFolder scratch;
    OpenedZip zip(scratch, bytes);
    ASSERT_NE(zip.get(), nullptr);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(ExtractEntryToFile(zip.get(), i, (scratch / ("bad" + std::to_string(i))).c_str()), ArchiveWriteFailed)
            << i;
}

TEST(ArchiveReader, CreatesFoldersOnlyForRelativeOutputPaths) {
    ScratchFolder scratch;
    const std::string zipPath = scratch / "f.zip";
    ASSERT_TRUE(WriteBytes(zipPath, Build({File("a.txt", "A"), Folder("d1/d2/"), Folder("../up/")})));

    CurrentFolderGuard guard;
    ASSERT_TRUE(SetCurrentDirectoryA(scratch.path().c_str()));
    ArchiveHandle* h = OpenArchive(zipPath.c_str());
    ASSERT_NE(h, nullptr);

    EXPECT_EQ(ExtractEntryToFile(h, 0, "sub\\deeper\\a.txt"), ArchiveOk);
    EXPECT_EQ(ReadOrEmpty(scratch / "sub\\deeper\\a.txt"), "A");

    const std::string absolute = scratch / "missing\\a.txt";
    EXPECT_EQ(ExtractEntryToFile(h, 0, absolute.c_str()), ArchiveNoFile);
    EXPECT_FALSE(Exists(scratch / "missing"));

    EXPECT_EQ(ExtractEntryToFile(h, 0, "sub\\..\\other\\a.txt"), ArchiveNoFile);
    EXPECT_FALSE(Exists(scratch / "other"));

    // The base stays the folder current at the opening, for the folders and the file alike.
    ASSERT_TRUE(CreateDirectoryA((scratch / "moved").c_str(), nullptr));
    ASSERT_TRUE(SetCurrentDirectoryA((scratch / "moved").c_str()));
    EXPECT_EQ(ExtractEntryToFile(h, 0, "later\\a.txt"), ArchiveOk);
    EXPECT_EQ(ReadOrEmpty(scratch / "later\\a.txt"), "A");
    EXPECT_FALSE(Exists(scratch / "moved\\later"));

    // A folder entry makes its own folders under the base, whatever the path says.
    EXPECT_EQ(ExtractEntryToFile(h, 1, "ignored"), ArchiveOk);
    EXPECT_TRUE(IsFolder(scratch / "d1\\d2"));
    EXPECT_EQ(ExtractEntryToFile(h, 2, "ignored"), ArchiveNoFile);
    EXPECT_FALSE(Exists(scratch.path() + "\\..\\up"));

    EXPECT_EQ(CloseArchive(h), ArchiveOk);
}

TEST(ArchiveReader, DecodesUtf8NamesIntoTheSystemsTextsAndRefusesWhatIsNoUtf8) {
    std::string longUtf8;  // 387 bytes stored, 258 decoded
    std::wstring longWide;
    for (int i = 0; i < 129; ++i) longUtf8 += u8"中", longWide += L"中";
    const std::pair<std::string, std::wstring> kept[] = {  // flagged UTF-8 name, what it names
        {u8"中/a.txt", L"中/a.txt"},  // E4 B8 AD 2F, read as GBK, would swallow the '/'
        {u8"数据乗/文件.txt", L"数据乗/文件.txt"}, {u8"a／b.txt", L"a／b.txt"}, {u8"é∕Ω", L"é∕Ω"},
        {u8"a⁄b.txt", L"a⁄b.txt"}, {u8"ไทย.txt", L"ไทย.txt"}, {u8"😀.txt", L"😀.txt"}, {longUtf8, longWide}};
    const std::string refused[] = {"\xED\xA0\x80.txt" /* an encoded surrogate */, "\xC0\xAF" "evil" /* an overlong '/' */,
                                   "a\xE4\xB8", longUtf8 + u8"中"};
    std::vector<Entry> entries = {File("中/a.txt", "x"), File(u8"中/a.txt", "x"), File(std::string("a\0b", 3), "x")};
    for (const auto& [utf8, wide] : kept) entries.push_back(File(utf8, "x"));
    for (const std::string& utf8 : refused) entries.push_back(File(utf8, "x"));
    for (size_t i = 3; i < entries.size(); ++i) entries[i].flags = 0x0800;
    ScratchFolder scratch;
    OpenedZip zip(scratch, Build(entries));
    ASSERT_NE(zip.get(), nullptr);

    // Without the flag a name is kept as stored, unless a zero byte would cut it short.
    EXPECT_STREQ(zip.Entry(0).name, "中/a.txt");
    EXPECT_EQ(zip.Entry(1).name, std::string(u8"中/a.txt"));
    ArchiveEntry e;
    EXPECT_EQ(GetArchiveEntry(zip.get(), 2, &e), ArchiveBadName);
    // GBK characters stay the GBK bytes of the constants; the others are GB18030's four bytes.
    for (size_t i = 0; i < std::size(kept); ++i)
        EXPECT_EQ(zip.Entry(static_cast<int32_t>(3 + i)).name, FromWide(kept[i].second)) << i;
    // A name outside GBK lands on disk under its own characters.
    const int32_t emoji = 6;  // the four-byte character of kept
    const std::string name = zip.Entry(3 + emoji).name;
    ASSERT_EQ(ExtractEntryToFile(zip.get(), 3 + emoji, (scratch / name).c_str()), ArchiveOk);
    EXPECT_NE(GetFileAttributesW((ToWide(scratch.path()) + L"\\" + kept[emoji].second).c_str()), INVALID_FILE_ATTRIBUTES);
    for (size_t i = 3 + std::size(kept); i < entries.size(); ++i) {
        EXPECT_EQ(GetArchiveEntry(zip.get(), static_cast<int32_t>(i), &e), ArchiveBadName) << i;
        EXPECT_EQ(ExtractEntryToFile(zip.get(), static_cast<int32_t>(i), (scratch / "x").c_str()), ArchiveBadName);
    }
    EXPECT_FALSE(Exists(scratch / "x"));
    // What cannot be decoded is shown with '?' in its place.
    EXPECT_EQ(GetArchiveEntry(zip.get(), static_cast<int32_t>(3 + std::size(kept)), &e), ArchiveBadName);
    EXPECT_STREQ(e.name, "???.txt");
}
