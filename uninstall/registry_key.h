// Owns an open registry key.
#pragma once

#include <windows.h>

#include <string>

namespace quill {

class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey() {
        if (key_) RegCloseKey(key_);
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // Opens or creates `path` below `root` for writing.
    bool Create(HKEY root, const std::string& path) {
        return RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_WRITE | KEY_QUERY_VALUE, nullptr, &key_,
                               nullptr) == ERROR_SUCCESS;
    }
    bool Open(HKEY root, const std::string& path) {
        return RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, &key_) == ERROR_SUCCESS;
    }

    bool SetText(const char* name, const std::string& value) {
        return RegSetValueExA(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                              static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
    }
    bool SetNumber(const char* name, DWORD value) {
        return RegSetValueExA(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
               ERROR_SUCCESS;
    }
    // The text value `name`, or empty text when it is missing or no text.
    std::string Text(const char* name) const {
        char buffer[1024] = {};
        DWORD type = 0, size = sizeof buffer - 1;
        if (RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS ||
            type != REG_SZ) {
            return {};
        }
        return std::string(buffer);
    }

private:
    HKEY key_ = nullptr;
};

}  // namespace quill
