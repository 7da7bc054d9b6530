// Shared helpers of the runtime command tests: scratch folders, whole-file reads, the
// folder of the test executables, and a watcher that reads and answers message boxes.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

namespace quilltest {

// The folder of the running executable, with a trailing backslash; the helper programs
// and libraries of these tests are built beside it.
std::string ExeFolder();

// A fresh folder under the system's temporary folder, deleted with its files at the end.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    // path() + name; path() ends in a backslash.
    std::string File(const std::string& name) const { return path_ + name; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

bool ReadWholeFile(const std::string& name, std::string* out);
bool WriteWholeFile(const std::string& name, const std::string& bytes);
bool FileExists(const std::string& name);

// What a message box of this process showed.
struct BoxSeen {
    std::string caption;
    std::string text;
    bool otherWindowEnabled = true;  // state of `watchWindow` while the box was up
};

// Waits on its own thread for a message box of this process, records what it shows and
// presses the button with control id `answer` (IDOK, IDYES, ...).
class BoxAnswerer {
public:
    explicit BoxAnswerer(int answer, HWND watchWindow = nullptr);
    ~BoxAnswerer();
    // Joins the watcher; false when no box appeared within the time limit.
    bool Wait(BoxSeen* seen);

private:
    void Run();
    int answer_;
    HWND watchWindow_;
    BoxSeen seen_;
    std::atomic<bool> found_{false};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Finds a visible message box (dialog class "#32770") of process `pid`; null when none.
HWND FindMessageBox(DWORD pid);
// Caption and text of a message box.
void ReadMessageBox(HWND box, std::string* caption, std::string* text);

}  // namespace quilltest
