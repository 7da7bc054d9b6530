// Whether a program runs: the one check the installer and the uninstaller make before they
// touch the product's files.
#pragma once

#include <windows.h>
#include <tlhelp32.h>

#include <string>

namespace quill {

// The calls that list the running processes: the system's own, or the same functions bound
// some other way (the installer binds them by name at their first call).
struct ProcessListing {
    DWORD snapshotFlags;  // what the snapshot takes in; it must hold the processes
    HANDLE(WINAPI* snapshot)(DWORD flags, DWORD processId);
    BOOL(WINAPI* first)(HANDLE snapshot, LPPROCESSENTRY32W entry);
    BOOL(WINAPI* next)(HANDLE snapshot, LPPROCESSENTRY32W entry);
    BOOL(WINAPI* close)(HANDLE snapshot);
};

// The toolhelp functions of kernel32, called directly.
ProcessListing SystemProcessListing();

// True when a process with this executable name runs (ASCII case ignored). Names are texts of
// the system; a process name outside GBK still compares as itself.
bool IsProcessRunning(const std::string& exeName, const ProcessListing& listing = SystemProcessListing());

}  // namespace quill
