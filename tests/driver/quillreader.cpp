// quillreader: the GUI tests' screen reader. It asks the accessibility interface what a reader
// is told about a window, the way readers ask: AccessibleObjectFromWindow, then the object's
// role, name, value, state and children. Run with wine64 in the prefix of the program under
// test. Records are tab-separated UTF-8 lines (names hold no tabs or line ends); window handles
// are written as quilldrive writes them. Exit codes: 0 done, 1 no object or no action, 2 usage.
//
//   tree HWND          node <depth> <hwnd> <role> <state hex> <name> <value> for the window's
//                      client-area object and every child a reader is offered, depth first
//   press HWND         the object's default action (accDoDefaultAction)
//   focus-events MS    ready, then focus <hwnd> for each EVENT_OBJECT_FOCUS of another
//                      program during MS milliseconds
#include <windows.h>
#include <oleacc.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The text of a BSTR an accessible object handed out, which it frees; empty for none.
std::string Utf8(BSTR b) {
  const int n = b ? static_cast<int>(SysStringLen(b)) : 0;
  std::string s(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, b, n, nullptr, 0, nullptr, nullptr)), '\0');
  if (n) WideCharToMultiByte(CP_UTF8, 0, b, n, &s[0], static_cast<int>(s.size()), nullptr, nullptr);
  SysFreeString(b);
  return s;
}

unsigned long long Handle(HWND h) { return static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(h)); }

void Walk(IAccessible* a, int depth) {
  VARIANT self, role, state;
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  VariantInit(&role);
  VariantInit(&state);
  a->get_accRole(self, &role);
  a->get_accState(self, &state);
  BSTR name = nullptr, value = nullptr;
  a->get_accName(self, &name);
  a->get_accValue(self, &value);
  HWND hwnd = nullptr;
  WindowFromAccessibleObject(a, &hwnd);
  std::printf("node\t%d\t0x%llx\t%ld\t%lx\t%s\t%s\n", depth, Handle(hwnd), role.vt == VT_I4 ? role.lVal : -1L,
              state.vt == VT_I4 ? state.lVal : 0L, Utf8(name).c_str(), Utf8(value).c_str());
  long count = 0;
  if (FAILED(a->get_accChildCount(&count)) || count <= 0) return;
  std::vector<VARIANT> children(static_cast<size_t>(count));
  long got = 0;
  if (FAILED(AccessibleChildren(a, 0, count, children.data(), &got))) return;
  for (long i = 0; i < got; ++i) {
    IAccessible* child = nullptr;
    if (children[i].vt == VT_DISPATCH && children[i].pdispVal &&
        SUCCEEDED(children[i].pdispVal->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&child)))) {
      Walk(child, depth + 1);
      child->Release();
    }
    VariantClear(&children[i]);
  }
}

void CALLBACK OnFocus(HWINEVENTHOOK, DWORD, HWND hwnd, LONG, LONG, DWORD, DWORD) {
  std::printf("focus\t0x%llx\n", Handle(hwnd));
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  CoInitialize(nullptr);
  const std::string command = argv[1];
  if (command == "focus-events") {
    if (!SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr, &OnFocus, 0, 0,
                         WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS))
      return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    const DWORD end = GetTickCount() + static_cast<DWORD>(std::atol(argv[2]));
    MSG msg;
    while (static_cast<LONG>(end - GetTickCount()) > 0) {
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return 0;
  }
  if (command != "tree" && command != "press") return 2;
  HWND hwnd = reinterpret_cast<HWND>(static_cast<uintptr_t>(std::strtoull(argv[2], nullptr, 0)));
  IAccessible* a = nullptr;
  if (FAILED(AccessibleObjectFromWindow(hwnd, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&a))) ||
      !a)
    return 1;
  VARIANT self;
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  const bool pressed = command == "press" && a->accDoDefaultAction(self) == S_OK;
  if (command == "tree") Walk(a, 0);
  a->Release();
  return command == "tree" || pressed ? 0 : 1;
}
