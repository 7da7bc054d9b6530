// Blocks of the process heap handed out for texts, byte sets and arrays. Constants are
// handed out as values pointing into the read-only constant area, so a release or a
// resize must never treat such a pointer as a heap block.
#include <windows.h>

#include <cstring>
#include <string>

#include "runtime/frame.h"
#include "runtime/runtime_state.h"

namespace quill {

namespace {

HANDLE Heap() {
    RuntimeState& s = State();
    if (!s.heap) s.heap = GetProcessHeap();
    return s.heap;
}

[[noreturn]] void AllocationFailed(size_t size) {
    // The size as requested, unsigned: a request of 0xFFFFF000 bytes reads 4294963200.
    const std::string message = "分配 " + std::to_string(static_cast<unsigned long long>(size)) + " 字节内存失败!";
    RaiseRuntimeError(message.c_str(), 0);
}

}  // namespace

bool IsInConstantArea(const void* p) {
    const RuntimeState& s = State();
    const auto* b = static_cast<const uint8_t*>(p);
    return b && s.constantStart && b >= s.constantStart && b < s.constantEnd;
}

void* Allocate(size_t size) {
    void* block = HeapAlloc(Heap(), 0, size ? size : 1);
    if (!block) AllocationFailed(size);
    return block;
}

void Release(void* block) {
    if (!block || IsInConstantArea(block)) return;
    HeapFree(Heap(), 0, block);
}

void* Resize(void* block, size_t size) {
    if (!block) return Allocate(size);
    if (IsInConstantArea(block)) {
        // Copy the constant out: as many bytes as asked for, never past the area's end.
        const RuntimeState& s = State();
        void* copy = Allocate(size);
        const auto available = static_cast<size_t>(s.constantEnd - static_cast<const uint8_t*>(block));
        std::memcpy(copy, block, size < available ? size : available);
        return copy;
    }
    void* grown = HeapReAlloc(Heap(), 0, block, size ? size : 1);
    if (!grown) AllocationFailed(size);
    return grown;
}

}  // namespace quill
