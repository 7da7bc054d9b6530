#include "runtime/cursor_blob.h"

#include <cstdint>
#include <cstring>

namespace quill {

namespace {

// The standard cursor table, indexed 0..13.
const LPCSTR kStandardCursors[] = {IDC_ARROW,  IDC_CROSS,  IDC_IBEAM,    IDC_WAIT,   IDC_HELP,
                                   IDC_APPSTARTING, IDC_NO, IDC_SIZEALL, IDC_SIZENESW, IDC_SIZENS,
                                   IDC_SIZENWSE, IDC_SIZEWE, IDC_UPARROW, IDC_HAND};
constexpr int kHandIndex = 13;
constexpr int kProgramHandResource = 1032;

HCURSOR StandardCursor(int index) {
    if (index == kHandIndex) {
        // The program's own hand cursor when it carries one; the system's otherwise.
        if (HCURSOR own = LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kProgramHandResource)))
            return own;
    }
    return SystemCursor(kStandardCursors[index]);
}

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

// A .cur file: the first image, with its hot spot, made into a cursor.
HCURSOR CursorFromFileData(const uint8_t* data, size_t size) {
    if (size < 6 + 16 || Le16(data) != 0 || Le16(data + 2) != 2 || Le16(data + 4) == 0) return nullptr;
    const uint8_t* entry = data + 6;
    const uint32_t bytes = Le32(entry + 8);
    const uint32_t offset = Le32(entry + 12);
    if (offset > size || bytes > size - offset || bytes == 0) return nullptr;
    // Cursor resources begin with the hot spot, then the image.
    std::string resource(4 + bytes, '\0');
    std::memcpy(&resource[0], entry + 4, 4);
    std::memcpy(&resource[4], data + offset, bytes);
    return reinterpret_cast<HCURSOR>(CreateIconFromResourceEx(reinterpret_cast<PBYTE>(&resource[0]),
                                                              static_cast<DWORD>(resource.size()), FALSE,
                                                              0x00030000, 0, 0, LR_DEFAULTCOLOR));
}

}  // namespace

HCURSOR CursorFromBlob(const std::string& blob, bool* owns) {
    *owns = false;
    if (blob.empty()) return nullptr;
    const auto* p = reinterpret_cast<const uint8_t*>(blob.data());
    const int32_t value = blob.size() >= 4 ? static_cast<int32_t>(Le32(p)) : p[0];
    if (blob.size() > 10 && value != -1) {
        if (HCURSOR c = CursorFromFileData(p, blob.size())) {
            *owns = true;
            return c;
        }
    }
    if (value == -1) {
        HCURSOR c = blob.size() > 4 ? CursorFromFileData(p + 4, blob.size() - 4) : nullptr;
        *owns = c != nullptr;
        return c;
    }
    if (value >= 0 && value <= kHandIndex) return StandardCursor(value);
    for (int i = 0; i <= kHandIndex; ++i)
        if (reinterpret_cast<uintptr_t>(kStandardCursors[i]) == static_cast<uint32_t>(value)) return StandardCursor(i);
    return nullptr;
}

}  // namespace quill
