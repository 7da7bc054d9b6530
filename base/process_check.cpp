#include "base/process_check.h"

#include "base/text.h"
#include "base/wide_text.h"

namespace quill {

ProcessListing SystemProcessListing() {
    return {TH32CS_SNAPPROCESS, &CreateToolhelp32Snapshot, &Process32FirstW, &Process32NextW, &CloseHandle};
}

bool IsProcessRunning(const std::string& exeName, const ProcessListing& listing) {
    HANDLE snapshot = listing.snapshot(listing.snapshotFlags, 0);
    if (snapshot == INVALID_HANDLE_VALUE || snapshot == nullptr) return false;
    const std::string wanted = FoldAsciiCase(exeName);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL ok = listing.first(snapshot, &entry); ok && !found; ok = listing.next(snapshot, &entry)) {
        entry.szExeFile[MAX_PATH - 1] = L'\0';  // a name that fills the field is cut, not run past
        found = FoldAsciiCase(FromWide(entry.szExeFile)) == wanted;
    }
    listing.close(snapshot);
    return found;
}

}  // namespace quill
