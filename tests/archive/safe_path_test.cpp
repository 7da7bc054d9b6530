// The rule that keeps names from outside inside their folder, and its second layer alone.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "archive/safe_path.h"

using namespace quill;

TEST(SafePath, JoinsOrRefusesNames) {
    const std::string folder = "C:\\quill\\inst";
    struct Case {
        std::string name;
        const char* joined;  // below the folder; null: refused
    };
    const Case cases[] = {
        {"a.txt", "a.txt"},
        {"sub/", "sub\\"},
        {"数据/文本.txt", "数据\\文本.txt"},
        {"数据乗/a.txt", "数据乗\\a.txt"},  // 乗 is 81 5C: its trail byte is no separator
        {"./dot.txt", ".\\dot.txt"},
        {"a..b.txt", "a..b.txt"},
        {"..x", "..x"},
        {"a//b", "a\\\\b"},
        {"CONSOLE.txt", "CONSOLE.txt"},
        {"COM10", "COM10"},
        {"", nullptr},
        {"../evil.txt", nullptr},
        {"..\\evil.txt", nullptr},
        {"sub/../../evil.txt", nullptr},
        {"sub/..", nullptr},
        {"/evil.txt", nullptr},
        {"\\evil.txt", nullptr},
        {"C:\\evil.txt", nullptr},
        {"C:evil.txt", nullptr},
        {"a.txt:stream", nullptr},
        {"CON", nullptr},
        {"sub/nul.txt", nullptr},
        {"Lpt1.log/x", nullptr},
        {"aux .txt", nullptr},
        {"COM9", nullptr},
        {"conin$", nullptr},
        {"...", nullptr},
        {". /x", nullptr},
        {"dir./x", nullptr},
        {"name ", nullptr},
        {"a\x01z", nullptr},
        {"a?b", nullptr},
        {"a*b", nullptr},
        {"a|b", nullptr},
        {"a<b>", nullptr},
        {"a\"b", nullptr},
        {"\xAD/a.txt", nullptr},  // a lead byte would swallow the separator
        {"x\xD6", nullptr},       // a lead byte with nothing after it
        {std::string(250, 'n'), nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("name '" + c.name + "'");
        const std::optional<std::string> path = SafePathInFolder(folder, c.name);
        if (c.joined == nullptr) {
            EXPECT_FALSE(path.has_value()) << *path;
        } else {
            ASSERT_TRUE(path.has_value());
            EXPECT_EQ(*path, folder + "\\" + c.joined);
        }
    }
    // A folder given with its backslash gets no second one.
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
        {"C:\\q\\inst", "C:\\q\\inst", true},
        {"C:\\q\\数据乗\\a", "C:\\q\\数据乗", true},
        {"C:\\q\\inst\\..\\x", "C:\\q\\inst", false},
        {"C:\\q\\inst/../../x", "C:\\q\\inst", false},
        {"C:\\q\\inst\\sub\\..\\..\\x", "C:\\q\\inst", false},
        {"C:\\q\\inst2\\a", "C:\\q\\inst", false},  // a longer name, not a folder below
        {"C:\\q\\ins", "C:\\q\\inst", false},
        {"D:\\q\\inst\\a", "C:\\q\\inst", false},
        {"C:\\q\\inst\\CON", "C:\\q\\inst", false},  // the console device, not a file here
        {"C:\\q\\inst\\nul.txt", "C:\\q\\inst", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsPathInsideFolder(c.path, c.folder), c.inside) << c.path << " in " << c.folder;
}
