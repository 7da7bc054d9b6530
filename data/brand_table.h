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

// The first row whose key equals `key`, or null when no row has it.
const BrandRow* FindBrand(int32_t key);

// All rows in stored order (for checks over the whole table).
const BrandRow* BrandRows();
size_t BrandRowCount();

}  // namespace quill
