// The rule that keeps names from outside inside their folder, and its second layer alone.
#include <gtest/gtest.h>

#include <fstream>

#include "base/safe_path.h"
#include "base/wide_text.h"

using namespace quill;

TEST(SafePath, JoinsOrRefusesNames) {
    const std::string folder = "C:\\quill\\inst";
    const std::pair<const char*, const char*> joined[] = {
        {"a.txt", "a.txt"}, {"sub/", "sub\\"}, {"数据/文本.txt", "数据\\文本.txt"}, {"./dot.txt", ".\\dot.txt"},
        {"数据乗/a.txt", "数据乗\\a.txt"},  // 乗 is 81 5C: its trail byte is no separator
        {"a..b.txt", "a..b.txt"}, {"..x", "..x"}, {"a//b", "a\\\\b"}, {"CONSOLE.txt", "CONSOLE.txt"}, {"COM10", "COM10"},
    };
    for (const auto& [name, path] : joined)
        EXPECT_EQ(SafePathInFolder(folder, name), std::optional<std::string>(folder + "\\" + path)) << name;

    const std::string refused[] = {
        "", "../evil.txt", "..\\evil.txt", "sub/../../evil.txt", "sub/..", "/evil.txt", "\\evil.txt", "C:\\evil.txt",
        "C:evil.txt", "a.txt:stream", "CON", "sub/nul.txt", "Lpt1.log/x", "aux .txt", "COM9", "conin$", "...", ". /x",
        "dir./x", "name ", "a\x01z", "a?b", "a*b", "a|b", "a<b>", "a\"b",
        "\xAD/a.txt",  // a lead byte would swallow the separator
        "x\xD6",       // a lead byte with nothing after it
        std::string(250, 'n'),
    };
    for (const std::string& name : refused) EXPECT_FALSE(SafePathInFolder(folder, name).has_value()) << name;

    // A folder given with its backslash (or ending in 乗) gets one more only when it needs one.
    EXPECT_EQ(SafePathInFolder("C:\\q\\", "a"), std::optional<std::string>("C:\\q\\a"));
    EXPECT_EQ(SafePathInFolder("C:\\q\\数据乗", "a"), std::optional<std::string>("C:\\q\\数据乗\\a"));
    EXPECT_FALSE(SafePathInFolder("", "a").has_value());
}

// The second layer judges what the file system makes of a path, whatever the first let by.
TEST(SafePath, SecondLayerJudgesTheResolvedPath) {
    struct Case {
        const char* path;
        const char* folder;
        bool inside;
    };
    const Case cases[] = {
        {"C:\\q\\inst\\a.txt", "C:\\q\\inst", true},
        {"C:\\q\\inst\\sub\\..\\a.txt", "C:\\q\\inst", true},
        {"C:\\q\\inst\\.\\", "C:\\q\\inst\\", true},
        {"C:\\q\\数据乗\\a", "C:\\q\\数据乗", true},
        {"C:\\q\\inst\\..\\x", "C:\\q\\inst", false},
        {"C:\\q\\inst/../../x", "C:\\q\\inst", false},
        {"C:\\q\\inst2\\a", "C:\\q\\inst", false},  // a longer name, not a folder below
        {"D:\\q\\inst\\a", "C:\\q\\inst", false},
        {"C:\\q\\inst\\CON", "C:\\q\\inst", false},  // the console device, not a file here
        {"C:\\q\\inst\\nul.txt", "C:\\q\\inst", false},
        {"d:\\tessaly软件\\ORVENLINE\\Orvenline.exe", "D:\\Tessaly软件\\Orvenline", true},
        {"D:\\Tessaly软件\\Orvenline", "D:\\Tessaly软件\\Orvenline\\", true},
        {"D:\\Tessaly软件\\x.exe", "D:\\Tessaly软件\\", true},  // the folder ends in a double-byte character
        {"D:\\Tessaly软件", "D:\\Tessaly软件\\Orvenline", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsPathInsideFolder(c.path, c.folder), c.inside) << c.path << " in " << c.folder;
}

namespace {

// A text of the shared name table with its escapes undone: \\, \xNN (ASCII) and \{N}c.
std::string Unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
        } else if (text.compare(i, 2, "\\\\") == 0) {
            out += '\\';
            i += 1;
        } else if (text.compare(i, 2, "\\x") == 0) {
            out += static_cast<char>(std::stoi(text.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else if (text.compare(i, 2, "\\{") == 0) {
            const size_t close = text.find('}', i);
            size_t length = 1;  // one UTF-8 character
            while ((static_cast<unsigned char>(text[close + 1 + length]) & 0xC0) == 0x80) ++length;
            for (int n = std::stoi(text.substr(i + 2, close - i - 2)); n > 0; --n) out += text.substr(close + 1, length);
            i = close + length;
        } else {
            ADD_FAILURE() << "unknown escape in " << text;
        }
    }
    return out;
}

}  // namespace

// The shared table the packager's checks are held to as well.
TEST(SafePath, GivesTheSharedTablesVerdicts) {
    std::ifstream in(QUILL_NAME_RULE_CASES, std::ios::binary);
    ASSERT_TRUE(in) << QUILL_NAME_RULE_CASES;
    std::string folder;
    int cases = 0;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        const size_t tab = line.find('\t');
        ASSERT_NE(tab, std::string::npos) << line;
        const std::string verdict = line.substr(0, tab);
        const std::optional<std::string> text = TextFromUtf8(Unescape(line.substr(tab + 1)));
        ASSERT_TRUE(text.has_value()) << line;
        if (verdict == "folder") {
            folder = *text;
            continue;
        }
        ASSERT_TRUE(!folder.empty() && (verdict == "take" || verdict == "refuse")) << line;
        EXPECT_EQ(SafePathInFolder(folder, *text).has_value(), verdict == "take") << line;
        ++cases;
    }
    EXPECT_GT(cases, 50);
}
