// Keeps the Wine desktop of a test run alive from the first test to the last.
//
// Wine ends the desktop (and its explorer process) a few seconds after the last program that
// uses it has gone, and starting it again costs each windowed test program about a second.
// tools/test.sh starts this program once per run; wineserver -k ends it with the run.
#include <windows.h>

int main() {
  // Asking for the desktop window starts the desktop if needed and makes this process one
  // of its users, which is what keeps it open.
  if (!GetDesktopWindow()) return 1;
  Sleep(INFINITE);
  return 0;
}
