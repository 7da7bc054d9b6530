// Owners for every kind of Windows handle the project holds: each closes its handle once, when
// it goes out of scope or is reset, with the call that kind needs.
#pragma once

#include <windows.h>

#include <string>

#include "base/wide_text.h"

namespace quill {

template <typename Traits>
class UniqueHandle {
public:
    using Type = typename Traits::Type;

    UniqueHandle() = default;
    explicit UniqueHandle(Type h) : h_(h) {}
    ~UniqueHandle() { Close(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : h_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }

    // Takes over `h`, closing the handle held before.
    void Reset(Type h = Traits::Invalid()) {
        Close();
        h_ = h;
    }
    // Gives the handle up without closing it.
    Type Release() {
        Type h = h_;
        h_ = Traits::Invalid();
        return h;
    }

    bool valid() const { return Traits::Valid(h_); }
    Type get() const { return h_; }
    // Closes now; false when the close failed (for written files, data may be lost).
    bool Close() {
        bool ok = true;
        if (valid()) ok = Traits::Close(h_);
        h_ = Traits::Invalid();
        return ok;
    }

private:
    Type h_ = Traits::Invalid();
};

// Files, processes, threads, snapshots, events: whatever CloseHandle closes.
struct KernelHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static bool Valid(Type h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static bool Close(Type h) { return CloseHandle(h) != 0; }
};
using FileHandle = UniqueHandle<KernelHandleTraits>;

// A directory search of FindFirstFileW.
struct FindHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static bool Valid(Type h) { return h != INVALID_HANDLE_VALUE; }
    static bool Close(Type h) { return FindClose(h) != 0; }
};
using FindHandle = UniqueHandle<FindHandleTraits>;

// A library the program loaded itself.
struct ModuleHandleTraits {
    using Type = HMODULE;
    static Type Invalid() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr; }
    static bool Close(Type h) { return FreeLibrary(h) != 0; }
};
using ModuleHandle = UniqueHandle<ModuleHandleTraits>;

struct RegistryKeyTraits {
    using Type = HKEY;
    static Type Invalid() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr; }
    static bool Close(Type h) { return RegCloseKey(h) == ERROR_SUCCESS; }
};

// An open registry key; names and values go through the text boundary.
class RegistryKey {
public:
    // Opens or creates `path` below `root` for writing.
    bool Create(HKEY root, const std::string& path) {
        HKEY key = nullptr;
        const bool ok = RegCreateKeyExW(root, ToWide(path).c_str(), 0, nullptr, 0, KEY_WRITE | KEY_QUERY_VALUE, nullptr,
                                        &key, nullptr) == ERROR_SUCCESS;
        key_.Reset(key);
        return ok;
    }
    bool Open(HKEY root, const std::string& path) {
        HKEY key = nullptr;
        const bool ok = RegOpenKeyExW(root, ToWide(path).c_str(), 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS;
        key_.Reset(key);
        return ok;
    }

    bool SetText(const char* name, const std::string& value) {
        const std::wstring wide = ToWide(value);
        return RegSetValueExW(key_.get(), ToWide(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                              static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    }
    bool SetNumber(const char* name, DWORD value) {
        return RegSetValueExW(key_.get(), ToWide(name).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                              sizeof value) == ERROR_SUCCESS;
    }
    // The text value `name`, or empty text when it is missing or no text.
    std::string Text(const char* name) const {
        wchar_t buffer[1024] = {};
        DWORD type = 0, size = sizeof buffer - sizeof(wchar_t);
        if (RegQueryValueExW(key_.get(), ToWide(name).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
                ERROR_SUCCESS ||
            type != REG_SZ) {
            return {};
        }
        return FromWide(buffer);  // the last character stays zero
    }

private:
    UniqueHandle<RegistryKeyTraits> key_;
};

}  // namespace quill
