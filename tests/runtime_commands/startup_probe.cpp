// Started by the RunProgram tests: after an optional pause, writes how it was started
// ("<uses show window> <show state>") to the file named first.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    if (argc > 2) Sleep(static_cast<DWORD>(std::atoi(argv[2])));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    // Written under a temporary name and renamed, so a reader never sees half a line.
    char temp[MAX_PATH + 8];
    std::snprintf(temp, sizeof temp, "%s.part", argv[1]);
    FILE* out = std::fopen(temp, "wb");
    if (!out) return 3;
    std::fprintf(out, "%d %d", (startup.dwFlags & STARTF_USESHOWWINDOW) ? 1 : 0,
                 static_cast<int>(startup.wShowWindow));
    std::fclose(out);
    return MoveFileA(temp, argv[1]) ? 0 : 4;
}
