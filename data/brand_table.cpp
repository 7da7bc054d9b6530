#include "data/brand_table.h"

// kBrandRows and the installed row and position, generated from data/brands.txt together
// with the constant area.
#include "brand_rows.inc"

namespace quill {

const BrandRow* FindBrand(int32_t key) {
    for (const BrandRow& row : kBrandRows) {
        if (row.key == key) return &row;
    }
    return nullptr;
}

int32_t InstalledBrandKey() { return kInstalledBrandKey; }

int32_t InstalledProductPosition() { return kInstalledProductPosition; }

const BrandRow* BrandRows() { return kBrandRows; }

size_t BrandRowCount() { return sizeof(kBrandRows) / sizeof(kBrandRows[0]); }

}  // namespace quill
