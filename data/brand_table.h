// The brand table: which folder groups a brand's products on disk and which products the
// brand has. Rows are compared in stored order; their texts live in the constant area.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quill {

struct BrandRow {
    int32_t key;
    const char* folder;    // GBK, ends in one backslash, e.g. "Tessaly软件\"
    const char* products;  // GBK product names joined by "|"
};

// The key of the row this build installs from, and the position (from 1) of its product in
// that row's list: fixed when the table is generated.
int32_t InstalledBrandKey();
int32_t InstalledProductPosition();

// The first row whose key equals `key`, or null when no row has it.
const BrandRow* FindBrand(int32_t key);

// All rows in stored order (for checks over the whole table).
const BrandRow* BrandRows();
size_t BrandRowCount();

}  // namespace quill
