// quillreader: the GUI tests' screen reader. It asks the accessibility interface what a reader
// is told about a window, the way readers ask: AccessibleObjectFromWindow, then the object's
// role, name, value, state and children. Run with wine64 in the prefix of the program under
// test. Output as quilldrive's: tab-separated UTF-8 records, \\ \t \r \n escaped.
//
// Exit codes: 0 done, 1 no object, 2 bad command line.
//
// Commands (HWND accepts 0x-hex or decimal):
//   tree HWND          node <depth> <hwnd> <role> <state hex> <name> <value> <child count> for
//                      the window's client-area object and every child a reader is offered,
//                      depth first (hwnd 0 when an object has none; no name or value = empty)
//   press HWND         the object's default action (accDoDefaultAction); exit 1 when it has none
//   focus-events MS    ready, then focus <hwnd> for each EVENT_OBJECT_FOCUS of another
//                      program during MS milliseconds
#include <windows.h>
#include <oleacc.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string Utf8(const wchar_t* w, int n = -1) {
  if (!w) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, w, n, nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w, n, &s[0], size, nullptr, nullptr);
  if (n < 0 && !s.empty()) s.pop_back();
  return s;
}

std::string Escaped(const std::string& s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      default: out += c;
    }
  }
  return out;
}

// As quilldrive writes window handles: 0x and lower-case hex digits.
std::string Hex(HWND h) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "0x%llx", static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(h)));
  return buf;
}

std::string Text(HRESULT hr, BSTR b) {
  std::string s = SUCCEEDED(hr) && b ? Utf8(b, static_cast<int>(SysStringLen(b))) : std::string();
  SysFreeString(b);
  return Escaped(s);
}

void Walk(IAccessible* a, int depth) {
  VARIANT self;
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  VARIANT role, state;
  VariantInit(&role);
  VariantInit(&state);
  a->get_accRole(self, &role);
  a->get_accState(self, &state);
  BSTR name = nullptr, value = nullptr;
  const HRESULT hasName = a->get_accName(self, &name);
  const HRESULT hasValue = a->get_accValue(self, &value);
  const std::string n = Text(hasName, name), v = Text(hasValue, value);
  long children = 0;
  a->get_accChildCount(&children);
  HWND hwnd = nullptr;
  WindowFromAccessibleObject(a, &hwnd);
  std::printf("node\t%d\t%s\t%ld\t%lx\t%s\t%s\t%ld\n", depth, Hex(hwnd).c_str(), role.vt == VT_I4 ? role.lVal : -1,
              state.vt == VT_I4 ? state.lVal : 0L, n.c_str(), v.c_str(), children);
  if (children <= 0) return;
  std::vector<VARIANT> kids(static_cast<size_t>(children));
  long got = 0;
  if (SUCCEEDED(AccessibleChildren(a, 0, children, kids.data(), &got))) {
    for (long i = 0; i < got; ++i) {
      IAccessible* child = nullptr;
      if (kids[i].vt == VT_DISPATCH && kids[i].pdispVal &&
          SUCCEEDED(kids[i].pdispVal->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&child)))) {
        Walk(child, depth + 1);
        child->Release();
      }
      VariantClear(&kids[i]);
    }
  }
}

void CALLBACK OnFocus(HWINEVENTHOOK, DWORD, HWND hwnd, LONG, LONG, DWORD, DWORD) {
  std::printf("focus\t%s\n", Hex(hwnd).c_str());
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  CoInitialize(nullptr);
  const std::string command = argv[1];
  if (command == "focus-events") {
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr, &OnFocus, 0, 0,
                                         WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
    if (!hook) return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    const DWORD end = GetTickCount() + static_cast<DWORD>(std::atol(argv[2]));
    while (static_cast<LONG>(end - GetTickCount()) > 0) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    UnhookWinEvent(hook);
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
