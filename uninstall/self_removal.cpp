#include "uninstall/self_removal.h"

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "base/handles.h"
#include "base/file_system.h"
#include "base/text.h"
#include "base/wide_text.h"

namespace quill {

namespace {

constexpr DWORD kWaitForUninstaller = 60 * 1000;
constexpr int kDeleteAttempts = 50;
constexpr DWORD kDeletePause = 100;

std::string ModulePath() {
    wchar_t path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return n > 0 && n < MAX_PATH ? FromWide(std::wstring_view(path, n)) : std::string();
}


std::string Decimal(uint32_t value) {
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + value % 10));
        value /= 10;
    } while (value != 0);
    return digits;
}

// Copies `from` into a new file `to`; false, with nothing left at `to`, when it fails. The
// identity of what was written goes to `written`.
bool CopyIntoNewFile(const std::string& from, const std::wstring& to, FileIdentity* written) {
    FileHandle source(CreateFileW(ToWide(from).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!source.valid()) return false;
    // CREATE_NEW fails on whatever is at the name, a link included: nothing is written through.
    FileHandle target(CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!target.valid()) return false;
    bool ok = IdentityOfHandle(target.get(), written);
    std::vector<char> buffer(64 * 1024);
    for (DWORD read = 0; ok && ReadFile(source.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr);) {
        if (read == 0) break;
        DWORD put = 0;
        ok = WriteFile(target.get(), buffer.data(), read, &put, nullptr) && put == read;
    }
    ok = target.Close() && ok;
    if (!ok) DeleteFileW(to.c_str());
    return ok;
}

}  // namespace

bool StartCleanupCopy(FolderRemoval folder) {
    const std::string self = ModulePath();
    wchar_t temp[MAX_PATH] = {};
    const DWORD n = GetTempPathW(MAX_PATH, temp);
    const std::string random = RandomHexText(8);
    if (self.empty() || n == 0 || n >= MAX_PATH || random.empty()) return false;
    const std::wstring copy = temp + ToWide("quill-uninstall-" + random + ".exe");
    FileIdentity written;
    if (!CopyIntoNewFile(self, copy, &written)) return false;

    // Inherited by the copy: it keeps the file marked for deletion until it ends. Opened for
    // deletion only, so starting the program from it is still allowed.
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    // Opened as itself and checked to be the file just written: something put at the name in
    // the meantime is never started.
    FileHandle doomed(CreateFileW(copy.c_str(), DELETE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                  &inherit, OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT,
                                  nullptr));
    FileIdentity opened;
    if (!doomed.valid() || !IdentityOfHandle(doomed.get(), &opened) || !(opened == written) ||
        (opened.attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        return false;
    }
    HANDLE self_process = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self_process,
                         SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, TRUE, 0)) {
        return false;
    }
    FileHandle process(self_process);

    // Handle values are the same in the child; they fit 32 bits on both platforms.
    std::wstring line = L"\"" + copy + L"\" " +
                        ToWide(std::string(kCleanupSwitch) + " " +
                               Decimal(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(self_process))) +
                               (folder == FolderRemoval::kRemoveWhenEmpty ? " 1" : " 0"));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    // The copy must not hold the install folder as its current folder.
    if (!CreateProcessW(copy.c_str(), &line[0], nullptr, nullptr, TRUE, 0, nullptr, temp, &startup, &started)) {
        return false;  // closing `doomed` deletes the copy
    }
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return true;
}

CleanupResult RunCleanup(const std::string& processHandle, const std::string& folder) {
    char* end = nullptr;
    const unsigned long value = std::strtoul(processHandle.c_str(), &end, 10);
    if (end == processHandle.c_str() || *end != '\0' || value == 0) return CleanupResult::kNotDeleted;
    FileHandle uninstaller(reinterpret_cast<HANDLE>(static_cast<uintptr_t>(value)));

    // The file to delete is the image of the process that started us, never a path we are told.
    wchar_t image[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    if (!QueryFullProcessImageNameW(uninstaller.get(), 0, image, &size)) return CleanupResult::kNotDeleted;
    WaitForSingleObject(uninstaller.get(), kWaitForUninstaller);

    // The file can stay locked for a moment after its process has ended.
    bool deleted = false;
    for (int attempt = 0; attempt < kDeleteAttempts && !deleted; ++attempt) {
        deleted = DeleteFileW(image) || GetLastError() == ERROR_FILE_NOT_FOUND;
        if (!deleted) Sleep(kDeletePause);
    }
    // Fails, as it should, when the folder still holds something.
    if (deleted && folder == "1") RemoveDirectoryW(ToWide(ParentFolder(FromWide(image))).c_str());
    return deleted ? CleanupResult::kDeleted : CleanupResult::kNotDeleted;
}

}  // namespace quill
