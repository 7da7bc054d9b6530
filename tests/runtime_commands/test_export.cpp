// A library for the declared-function tests: one export, also reachable by ordinal 7.
#include <windows.h>

extern "C" __declspec(dllexport) int WINAPI QuillTestAdd(int a, int b) { return a + b; }
