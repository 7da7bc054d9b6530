// The brand table as built: the in-force row gives the installed product, every row
// keeps the forms the install-folder logic relies on, and lookups go by stored order.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "data/brand_table.h"
#include "data/constants.h"
#include "runtime/commands.h"

namespace {

// Splits at every "|" and keeps empty pieces, so a doubled or stray bar shows up.
std::vector<std::string> Pieces(const std::string& list) {
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
        size_t bar = list.find('|', start);
        out.push_back(list.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (bar == std::string::npos) return out;
        start = bar + 1;
    }
}

bool InsideConstantArea(const char* p) {
    const auto* b = reinterpret_cast<const uint8_t*>(p);
    return b >= ConstantAreaStart && b < ConstantAreaEnd;
}

TEST(BrandTable, InForceRowGivesTheInstalledProduct) {
    // The row and position the flow takes are the stand-in's: key 0, the 13th name.
    EXPECT_EQ(0, quill::InstalledBrandKey());
    EXPECT_EQ(13, quill::InstalledProductPosition());
    const quill::BrandRow* row = quill::FindBrand(0);
    ASSERT_NE(nullptr, row);
    EXPECT_STREQ("Tessaly软件\\", row->folder);

    // As the flow does it: split at the constant "|", take element 13 (1-based).
    const std::vector<std::string> names = quill::SplitText(row->products, std::string(ConstVerticalBar));
    ASSERT_EQ(24u, names.size());
    EXPECT_EQ("Orvenline", names[13 - 1]);
    EXPECT_EQ("D:\\Tessaly软件\\Orvenline", std::string(ConstRootD) + row->folder + names[13 - 1]);
}

TEST(BrandTable, RowsKeepTheirOrderCountsAndForms) {
    const int32_t keys[] = {0,  1,  2,  3,  4,  5,  9,  7,  8,  10, 11, 13, 14, 15, 16,
                            17, 19, 20, 21, 22, 23, 24, 25, 28, 29, 33, 34, 35, 36, 38};
    const size_t counts[] = {24, 11, 1, 1, 24, 1, 1, 1, 11, 1, 1,  1,  1,  1,  1,
                             1,  1,  1, 1, 1,  1, 16, 19, 19, 19, 19, 20, 20, 20, 20};
    static_assert(sizeof(keys) / sizeof(keys[0]) == 30 && sizeof(counts) / sizeof(counts[0]) == 30,
                  "one count per key");
    ASSERT_EQ(30u, quill::BrandRowCount());

    const std::string software = "软件\\";
    int softwareFolders = 0;
    for (size_t i = 0; i < quill::BrandRowCount(); ++i) {
        const quill::BrandRow& row = quill::BrandRows()[i];
        SCOPED_TRACE("row " + std::to_string(i));
        EXPECT_EQ(keys[i], row.key);
        EXPECT_EQ(&row, quill::FindBrand(row.key));

        const std::string folder = row.folder;
        ASSERT_GE(folder.size(), 2u);
        EXPECT_EQ('\\', folder.back());
        EXPECT_EQ(folder.size() - 1, folder.find('\\')) << "one backslash, at the end";
        EXPECT_EQ(std::string::npos, folder.find(':'));
        if (folder.size() > software.size() &&
            folder.compare(folder.size() - software.size(), software.size(), software) == 0)
            ++softwareFolders;

        const std::vector<std::string> names = Pieces(row.products);
        EXPECT_EQ(counts[i], names.size());
        for (const std::string& name : names) {
            EXPECT_FALSE(name.empty());
            EXPECT_LE(name.size(), 32u) << name;
            EXPECT_EQ(std::string::npos, name.find('\\')) << name;
        }
        EXPECT_TRUE(InsideConstantArea(row.folder));
        EXPECT_TRUE(InsideConstantArea(row.products));
    }
    EXPECT_EQ(23, softwareFolders);
}

TEST(BrandTable, MissingKeysFindNothing) {
    for (int32_t key : {6, 12, 18, 26, 27, 30, 31, 32, 37, 39, -1})
        EXPECT_EQ(nullptr, quill::FindBrand(key)) << key;
}

}  // namespace
