#include "test_support.h"

#include <chrono>
#include <vector>

namespace quilltest {

std::string ExeFolder() {
    char buffer[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    std::string path(buffer, n);
    return path.substr(0, path.find_last_of('\\') + 1);
}

ScratchFolder::ScratchFolder() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    static std::atomic<int> serial{0};
    for (;;) {
        path_ = std::string(temp) + "quill-rt-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(serial++) + "\\";
        if (CreateDirectoryA(path_.c_str(), nullptr)) break;
    }
}

ScratchFolder::~ScratchFolder() {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path_ + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            SetFileAttributesA((path_ + name).c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA((path_ + name).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path_.c_str());
}

bool ReadWholeFile(const std::string& name, std::string* out) {
    HANDLE file = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    out->clear();
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) out->append(buffer, got);
    CloseHandle(file);
    return true;
}

bool WriteWholeFile(const std::string& name, const std::string& bytes) {
    HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

bool FileExists(const std::string& name) { return GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES; }

namespace {

struct BoxSearch {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindBoxProc(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<BoxSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char cls[16] = {};
    GetClassNameA(window, cls, sizeof cls);
    if (pid == search->pid && std::string(cls) == "#32770" && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

std::string WindowText(HWND window) {
    int length = GetWindowTextLengthA(window);
    std::vector<char> buffer(static_cast<size_t>(length) + 2);
    int got = GetWindowTextA(window, buffer.data(), length + 1);
    return std::string(buffer.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

}  // namespace

HWND FindMessageBox(DWORD pid) {
    BoxSearch search{pid, nullptr};
    EnumWindows(FindBoxProc, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void ReadMessageBox(HWND box, std::string* caption, std::string* text) {
    *caption = WindowText(box);
    // The message is the box's static control with the text id; the icon is a static too.
    HWND message = GetDlgItem(box, 0xFFFF);
    *text = message ? WindowText(message) : std::string();
}

BoxAnswerer::BoxAnswerer(int answer, HWND watchWindow)
    : answer_(answer), watchWindow_(watchWindow), thread_([this] { Run(); }) {}

BoxAnswerer::~BoxAnswerer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

void BoxAnswerer::Run() {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!stop_ && std::chrono::steady_clock::now() < deadline) {
        HWND box = FindMessageBox(GetCurrentProcessId());
        if (box) {
            Sleep(100);  // let the box finish its set-up (disabling the other windows)
            ReadMessageBox(box, &seen_.caption, &seen_.text);
            if (watchWindow_) seen_.otherWindowEnabled = IsWindowEnabled(watchWindow_) != FALSE;
            found_ = true;
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer_, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(box, answer_)));
            return;
        }
        Sleep(20);
    }
}

bool BoxAnswerer::Wait(BoxSeen* seen) {
    if (thread_.joinable()) thread_.join();
    if (seen) *seen = seen_;
    return found_;
}

}  // namespace quilltest
