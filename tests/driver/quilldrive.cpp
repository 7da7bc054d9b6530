// quilldrive: the Windows-side hands and eyes of the GUI tests.
//
// Run with wine64 in the same prefix (and so on the same virtual desktop) as the program under
// test. One command per run, or (quilldrive serve) one command per line read from stdin for as
// long as stdin stays open, which spares the tests a Wine start per question; results go to
// stdout as tab-separated lines whose first field names the record. Everything Windows hands over (class names, window
// texts, process and file names) is read in the wide form and printed as UTF-8, so the records
// are the same whatever the system's ANSI code page is; in every text field a backslash, tab,
// CR and LF are written as \\ \t \r \n, so a record is always one line.
//
// Exit codes: 0 done/found, 1 not found or timed out, 2 bad command line, 3 the action failed.
//
// Commands (HWND accepts 0x-hex or decimal; MS is milliseconds; default timeout 0 = look once):
//   acp                                   acp <code page>
//   desktop                               desktop <hwnd> <l> <t> <r> <b>
//   windows                               window ... for every top-level window
//   find-window [--class C] [--title T] [--process EXE] [--visible] [--timeout MS]
//                                         window <hwnd> <class> <l> <t> <r> <b> <visible> <pid> <title>
//   children HWND                         child <hwnd> <parent> <class> <id> <l> <t> <r> <b>
//                                               <visible> <enabled> <text>   (all descendants)
//   text HWND                             text <text>
//   rect HWND                             rect <l> <t> <r> <b> <visible>
//   wait-gone HWND [--timeout MS]         exit 0 once the window no longer exists
//   activate HWND                         brings the window to the foreground
//   foreground                            foreground <hwnd> (exit 1 if there is none); asks
//                                         the window nothing, so it answers while the
//                                         window's process is stopped
//   close HWND                            posts WM_CLOSE to the window, as another program would
//   find-msgbox [--title T] [--timeout MS]
//                                         msgbox <hwnd> <l> <t> <r> <b> <caption>
//                                         static <id> <text>          (each static with text)
//                                         button <id> <l> <t> <r> <b> <text>
//   press-msgbox ID|CAPTION [--title T] [--real] [--timeout MS]
//                                         presses a message-box button (BM_CLICK, or a real
//                                         mouse click with --real); pressed <id> <text>, then
//                                         closed 1|0 (whether the box went away within 3 s)
//   mouse move|click|dblclick|down|up X Y [--right]
//                                         SetCursorPos + SendInput at screen coordinates
//   mouse tap X Y                         a touch tap: press and release each carry the point,
//                                         with no move of the pointer before them
//   key CHORD...                           key chords, e.g. alt+f4 esc return ctrl+a tab
//   type TEXT                             types TEXT as Unicode key input
//   ps                                    process <pid> <parent pid> <exe>
//   wait-exit EXE|PID [--timeout MS]      exit 0 once no such process runs
//   kill EXE|PID                          terminates every match; killed <pid>
//   attrib PATH...                        attrib <hex attributes> <path> (GetFileAttributesW;
//                                         ffffffff when the path does not exist)
//   link LNK                              link <target> <arguments> <working folder>
//                                               <description> <show command>  (IShellLinkW)
//   hold PATH SECONDS                     opens PATH without sharing and keeps it open;
//                                         prints "held" as soon as it is open (exit 3 if
//                                         it cannot be opened)
//   tamper TARGET SOURCE SECONDS          for SECONDS keeps trying to give TARGET the bytes of
//                                         SOURCE, as another program of the same user could:
//                                         a copy renamed over it, and a rewrite in place;
//                                         then tampered <renames> <rewrites> that succeeded
//   watch EXE [ARG...] [--timeout MS]    starts EXE with the ARGs joined by single spaces, as
//                                         typed (not quoted), and records every window its
//                                         process ever creates until it ends: window <hwnd>
//                                         <class>; then exit <code> and time <ms> (from start
//                                         to end). After MS (default 120000) it is terminated
//                                         and a line "timeout" comes first.
//   serve                                 reads commands from stdin, one a line, its words
//                                         separated by tabs and escaped as the records are
//                                         (UTF-8); after each command's records comes
//                                         end <exit code>. Ends when stdin ends.
//   msgbox TEXT [CAPTION] [--buttons ok|okcancel|yesno|yesnocancel]
//                                         shows a (Unicode) message box and exits
//                                         with the button's IDOK..IDNO code (harness self-test)
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

enum Exit { kOk = 0, kNotFound = 1, kUsage = 2, kFailed = 3 };

std::string g_out;

// ---- text conversions ----------------------------------------------------------------------

// The driver's own texts are wide throughout; UTF-8 is only what it prints.
std::string Utf8(const std::wstring& w) {
  if (w.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), &s[0], n, nullptr, nullptr);
  return s;
}

std::string Escape(const std::wstring& w) {
  const std::string s = Utf8(w);
  std::string r;
  for (char c : s) {
    switch (c) {
      case '\\': r += "\\\\"; break;
      case '\t': r += "\\t"; break;
      case '\r': r += "\\r"; break;
      case '\n': r += "\\n"; break;
      default: r += c;
    }
  }
  return r;
}

// ---- output --------------------------------------------------------------------------------

void Field(const std::string& s) {
  if (!g_out.empty() && g_out.back() != '\n') g_out += '\t';
  g_out += s;
}
void Field(long long v) { Field(std::to_string(v)); }
void EndLine() { g_out += '\n'; }

// Lower-case hex digits of v, at least `width` of them.
std::string HexDigits(unsigned long long v, size_t width = 1) {
  std::string digits;
  do {
    digits.insert(digits.begin(), "0123456789abcdef"[v & 15]);
    v >>= 4;
  } while (v || digits.size() < width);
  return digits;
}

std::string Hex(HWND h) { return "0x" + HexDigits(reinterpret_cast<ULONG_PTR>(h)); }

void Flush() {
  // Raw bytes straight to the handle: no CRT text-mode translation of the UTF-8.
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD written = 0;
  if (out && out != INVALID_HANDLE_VALUE && !g_out.empty())
    WriteFile(out, g_out.data(), static_cast<DWORD>(g_out.size()), &written, nullptr);
  g_out.clear();
}

void Error(const std::wstring& msg) {
  std::string line = "error\t" + Utf8(msg) + "\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

// ---- window facts --------------------------------------------------------------------------

std::wstring ClassOf(HWND h) {
  wchar_t buf[256] = {};
  GetClassNameW(h, buf, 256);
  return buf;
}

// WM_GETTEXT is marshalled across processes, so controls that keep their caption themselves
// answer too; a window that does not answer in time falls back to the stored window name.
// Asked in the wide form, an ANSI window's text is converted by the system with the code
// page it was stored in, and a Unicode window's text comes as it is.
std::wstring TextOf(HWND h) {
  DWORD_PTR len = 0;
  if (!SendMessageTimeoutW(h, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &len)) {
    wchar_t buf[4096] = {};
    GetWindowTextW(h, buf, 4096);
    return buf;
  }
  std::wstring s(len + 1, L'\0');
  DWORD_PTR got = 0;
  SendMessageTimeoutW(h, WM_GETTEXT, s.size(), reinterpret_cast<LPARAM>(&s[0]), SMTO_ABORTIFHUNG, 2000, &got);
  s.resize(got < s.size() ? got : s.size() - 1);
  return s;
}

void RectFields(HWND h) {
  RECT r = {};
  GetWindowRect(h, &r);
  Field(r.left); Field(r.top); Field(r.right); Field(r.bottom);
}

struct Proc { DWORD pid, parent; std::wstring exe; };

std::vector<Proc> Processes() {
  std::vector<Proc> list;
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return list;
  PROCESSENTRY32W pe = {};
  pe.dwSize = sizeof pe;
  for (BOOL ok = Process32FirstW(snap, &pe); ok; ok = Process32NextW(snap, &pe))
    list.push_back({pe.th32ProcessID, pe.th32ParentProcessID, pe.szExeFile});
  CloseHandle(snap);
  return list;
}

std::wstring ExeOfPid(DWORD pid) {
  for (const Proc& p : Processes())
    if (p.pid == pid) return p.exe;
  return {};
}

// A process is named either by number or by executable name (case-insensitive, with or
// without a folder in front).
bool MatchesProcess(const Proc& p, const std::wstring& wanted) {
  wchar_t* end = nullptr;
  unsigned long n = wcstoul(wanted.c_str(), &end, 0);
  if (!wanted.empty() && end && *end == 0) return p.pid == n;
  std::wstring base = wanted.substr(wanted.find_last_of(L"\\/") == std::wstring::npos ? 0 : wanted.find_last_of(L"\\/") + 1);
  return lstrcmpiW(p.exe.c_str(), base.c_str()) == 0;
}

void WindowRecord(HWND h) {
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  Field("window"); Field(Hex(h)); Field(Escape(ClassOf(h)));
  RectFields(h);
  Field(IsWindowVisible(h) ? 1 : 0); Field(pid); Field(Escape(TextOf(h)));
  EndLine();
}

struct WindowQuery {
  std::wstring cls, title, process;
  bool have_title = false, visible_only = false;
};

bool WindowMatches(HWND h, const WindowQuery& q) {
  if (q.visible_only && !IsWindowVisible(h)) return false;
  if (!q.cls.empty() && ClassOf(h) != q.cls) return false;
  if (q.have_title && TextOf(h) != q.title) return false;
  if (!q.process.empty()) {
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    Proc p{pid, 0, ExeOfPid(pid)};
    if (!MatchesProcess(p, q.process)) return false;
  }
  return true;
}

BOOL CALLBACK CollectWindow(HWND h, LPARAM lp) {
  reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
  return TRUE;
}

std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> list;
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&list));
  return list;
}

// Every descendant, depth first, parents before their children.
std::vector<HWND> Descendants(HWND parent) {
  std::vector<HWND> list;
  EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&list));
  return list;
}

// Polls until `probe` succeeds or `timeout_ms` has passed; probes at least once.
template <typename F>
bool WaitFor(DWORD timeout_ms, F probe) {
  DWORD start = GetTickCount();
  for (;;) {
    if (probe()) return true;
    if (GetTickCount() - start >= timeout_ms) return false;
    Sleep(50);
  }
}

HWND FindTopLevel(const WindowQuery& q, DWORD timeout_ms) {
  HWND found = nullptr;
  WaitFor(timeout_ms, [&] {
    for (HWND h : TopLevelWindows())
      if (WindowMatches(h, q)) { found = h; return true; }
    return false;
  });
  return found;
}

// Reduces a button caption to what a user reads: "&Yes" -> "Yes", "否(&N)" -> "否", so a
// button can be named with or without its mnemonic.
std::wstring ButtonLabel(const std::wstring& s) {
  std::wstring r;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == L'(' && i + 3 < s.size() && s[i + 1] == L'&' && s[i + 3] == L')') {
      i += 3;
      continue;
    }
    if (s[i] == L'&' && i + 1 < s.size() && s[i + 1] != L'&') continue;
    r += s[i];
  }
  return r;
}

// ---- real input ----------------------------------------------------------------------------

void SendMouse(DWORD flags, LONG dx = 0, LONG dy = 0) {
  INPUT in = {};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flags;
  in.mi.dx = dx;
  in.mi.dy = dy;
  SendInput(1, &in, sizeof in);
}

// Puts the pointer at (x, y) the way a real mouse would: SetCursorPos alone moves the cursor,
// but the first button press after it can still be delivered at the old position, so a move
// event to the same spot goes through the input queue too.
void MoveTo(int x, int y) {
  SetCursorPos(x, y);
  int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, MulDiv(x, 65535, w - 1), MulDiv(y, 65535, h - 1));
  Sleep(50);
}

void SendKey(WORD vk, bool up) {
  INPUT in = {};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &in, sizeof in);
}

void ClickAt(int x, int y, bool right, int clicks) {
  MoveTo(x, y);
  for (int i = 0; i < clicks; ++i) {
    SendMouse(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN);
    Sleep(30);
    SendMouse(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
    Sleep(30);
  }
}

WORD VirtualKey(const std::wstring& name) {
  struct { const wchar_t* name; WORD vk; } const table[] = {
      {L"alt", VK_MENU}, {L"ctrl", VK_CONTROL}, {L"control", VK_CONTROL}, {L"shift", VK_SHIFT},
      {L"esc", VK_ESCAPE}, {L"escape", VK_ESCAPE}, {L"return", VK_RETURN}, {L"enter", VK_RETURN},
      {L"tab", VK_TAB}, {L"space", VK_SPACE}, {L"backspace", VK_BACK}, {L"delete", VK_DELETE},
      {L"up", VK_UP}, {L"down", VK_DOWN}, {L"left", VK_LEFT}, {L"right", VK_RIGHT},
      {L"home", VK_HOME}, {L"end", VK_END}, {L"pageup", VK_PRIOR}, {L"pagedown", VK_NEXT}};
  for (const auto& k : table)
    if (lstrcmpiW(k.name, name.c_str()) == 0) return k.vk;
  if (name.size() == 1) {
    wchar_t c = name[0];
    if (c >= L'a' && c <= L'z') return static_cast<WORD>(c - L'a' + 'A');
    if ((c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9')) return static_cast<WORD>(c);
  }
  if ((name[0] == L'f' || name[0] == L'F') && name.size() <= 3) {
    int n = _wtoi(name.c_str() + 1);
    if (n >= 1 && n <= 12) return static_cast<WORD>(VK_F1 + n - 1);
  }
  return 0;
}

// ---- command line --------------------------------------------------------------------------

struct Args {
  std::vector<std::wstring> pos;
  std::vector<std::pair<std::wstring, std::wstring>> opts;  // --name value (or "" for flags)
  bool Has(const wchar_t* name) const {
    for (const auto& o : opts) if (o.first == name) return true;
    return false;
  }
  std::wstring Get(const wchar_t* name, const std::wstring& def = {}) const {
    for (const auto& o : opts) if (o.first == name) return o.second;
    return def;
  }
  DWORD Timeout() const { return static_cast<DWORD>(_wtoi(Get(L"timeout", L"0").c_str())); }
};

const wchar_t* const kFlags[] = {L"visible", L"real", L"right"};

// The words after the command itself (words[0]).
Args ParseArgs(const std::vector<std::wstring>& words) {
  Args a;
  for (size_t i = 1; i < words.size(); ++i) {
    const std::wstring& s = words[i];
    if (s.size() > 2 && s.compare(0, 2, L"--") == 0) {
      std::wstring name = s.substr(2);
      bool flag = false;
      for (const wchar_t* f : kFlags) flag = flag || name == f;
      a.opts.push_back({name, (!flag && i + 1 < words.size()) ? words[++i] : L""});
    } else {
      a.pos.push_back(s);
    }
  }
  return a;
}

HWND ParseHwnd(const std::wstring& s) {
  return reinterpret_cast<HWND>(static_cast<ULONG_PTR>(wcstoull(s.c_str(), nullptr, 0)));
}

// ---- commands ------------------------------------------------------------------------------

int CmdDesktop() {
  HWND d = GetDesktopWindow();
  Field("desktop"); Field(Hex(d)); RectFields(d); EndLine();
  return kOk;
}

int CmdWindows() {
  for (HWND h : TopLevelWindows()) WindowRecord(h);
  return kOk;
}

int CmdFindWindow(const Args& a) {
  WindowQuery q;
  q.cls = a.Get(L"class");
  q.have_title = a.Has(L"title");
  q.title = a.Get(L"title");
  q.process = a.Get(L"process");
  q.visible_only = a.Has(L"visible");
  HWND h = FindTopLevel(q, a.Timeout());
  if (!h) return kNotFound;
  WindowRecord(h);
  return kOk;
}

int CmdChildren(const Args& a) {
  if (a.pos.empty()) return kUsage;
  HWND parent = ParseHwnd(a.pos[0]);
  if (!IsWindow(parent)) return kNotFound;
  for (HWND h : Descendants(parent)) {
    Field("child"); Field(Hex(h)); Field(Hex(GetParent(h))); Field(Escape(ClassOf(h)));
    Field(GetDlgCtrlID(h)); RectFields(h);
    Field(IsWindowVisible(h) ? 1 : 0); Field(IsWindowEnabled(h) ? 1 : 0); Field(Escape(TextOf(h)));
    EndLine();
  }
  return kOk;
}

int CmdText(const Args& a) {
  if (a.pos.empty()) return kUsage;
  HWND h = ParseHwnd(a.pos[0]);
  if (!IsWindow(h)) return kNotFound;
  Field("text"); Field(Escape(TextOf(h))); EndLine();
  return kOk;
}

int CmdRect(const Args& a) {
  if (a.pos.empty()) return kUsage;
  HWND h = ParseHwnd(a.pos[0]);
  if (!IsWindow(h)) return kNotFound;
  Field("rect"); RectFields(h); Field(IsWindowVisible(h) ? 1 : 0); EndLine();
  return kOk;
}

int CmdWaitGone(const Args& a) {
  if (a.pos.empty()) return kUsage;
  HWND h = ParseHwnd(a.pos[0]);
  return WaitFor(a.Timeout(), [&] { return !IsWindow(h); }) ? kOk : kNotFound;
}

int CmdActivate(const Args& a) {
  if (a.pos.empty()) return kUsage;
  HWND h = ParseHwnd(a.pos[0]);
  if (!IsWindow(h)) return kNotFound;
  return SetForegroundWindow(h) ? kOk : kFailed;
}

int CmdForeground() {
  HWND h = GetForegroundWindow();
  if (!h) return kNotFound;
  Field("foreground"); Field(Hex(h)); EndLine();
  return kOk;
}

int CmdClose(const Args& a) {
  if (a.pos.empty()) return kUsage;
  HWND h = ParseHwnd(a.pos[0]);
  if (!IsWindow(h)) return kNotFound;
  return PostMessageW(h, WM_CLOSE, 0, 0) ? kOk : kFailed;
}

HWND FindMsgBox(const Args& a) {
  WindowQuery q;
  q.cls = L"#32770";
  q.visible_only = true;
  q.have_title = a.Has(L"title");
  q.title = a.Get(L"title");
  return FindTopLevel(q, a.Timeout());
}

int CmdFindMsgBox(const Args& a) {
  HWND box = FindMsgBox(a);
  if (!box) return kNotFound;
  Field("msgbox"); Field(Hex(box)); RectFields(box); Field(Escape(TextOf(box))); EndLine();
  for (HWND h : Descendants(box)) {
    const std::wstring cls = ClassOf(h);
    if (lstrcmpiW(cls.c_str(), L"Static") == 0) {
      const std::wstring text = TextOf(h);
      if (text.empty()) continue;
      Field("static"); Field(GetDlgCtrlID(h)); Field(Escape(text)); EndLine();
    } else if (lstrcmpiW(cls.c_str(), L"Button") == 0 && IsWindowVisible(h)) {
      Field("button"); Field(GetDlgCtrlID(h)); RectFields(h); Field(Escape(TextOf(h))); EndLine();
    }
  }
  return kOk;
}

int CmdPressMsgBox(const Args& a) {
  if (a.pos.empty()) return kUsage;
  HWND box = FindMsgBox(a);
  if (!box) return kNotFound;
  const std::wstring& want = a.pos[0];
  wchar_t* end = nullptr;
  long id = wcstol(want.c_str(), &end, 0);
  bool by_id = !want.empty() && end && *end == 0;
  HWND button = nullptr;
  for (HWND h : Descendants(box)) {
    if (lstrcmpiW(ClassOf(h).c_str(), L"Button") != 0 || !IsWindowVisible(h)) continue;
    if (by_id ? GetDlgCtrlID(h) == id : ButtonLabel(TextOf(h)) == ButtonLabel(want)) {
      button = h;
      break;
    }
  }
  if (!button) return kNotFound;
  Field("pressed"); Field(GetDlgCtrlID(button)); Field(Escape(TextOf(button))); EndLine();
  if (a.Has(L"real")) {
    SetForegroundWindow(box);
    RECT r = {};
    GetWindowRect(button, &r);
    ClickAt((r.left + r.right) / 2, (r.top + r.bottom) / 2, false, 1);
  } else {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 3000, &ignored);
  }
  bool closed = WaitFor(3000, [&] { return !IsWindow(box) || !IsWindowVisible(box); });
  Field("closed"); Field(closed ? 1 : 0); EndLine();
  return kOk;
}

int CmdMouse(const Args& a) {
  if (a.pos.size() < 3) return kUsage;
  const std::wstring& what = a.pos[0];
  int x = _wtoi(a.pos[1].c_str()), y = _wtoi(a.pos[2].c_str());
  bool right = a.Has(L"right");
  if (what == L"move") {
    MoveTo(x, y);
  } else if (what == L"click" || what == L"dblclick") {
    ClickAt(x, y, right, what == L"click" ? 1 : 2);
  } else if (what == L"tap") {
    const LONG ax = MulDiv(x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    const LONG ay = MulDiv(y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN, ax, ay);
    Sleep(30);
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTUP, ax, ay);
  } else if (what == L"down" || what == L"up") {
    MoveTo(x, y);
    if (what == L"down") SendMouse(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN);
    else SendMouse(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
  } else {
    return kUsage;
  }
  Sleep(50);  // let the target pick the input up before the next command runs
  return kOk;
}

int CmdKey(const Args& a) {
  if (a.pos.empty()) return kUsage;
  for (const std::wstring& chord : a.pos) {
    std::vector<WORD> keys;
    size_t start = 0;
    while (start <= chord.size()) {
      size_t plus = chord.find(L'+', start);
      std::wstring part = chord.substr(start, plus == std::wstring::npos ? std::wstring::npos : plus - start);
      WORD vk = part.empty() ? 0 : VirtualKey(part);
      if (!vk) { Error(L"unknown key: " + part); return kUsage; }
      keys.push_back(vk);
      if (plus == std::wstring::npos) break;
      start = plus + 1;
    }
    for (WORD vk : keys) { SendKey(vk, false); Sleep(20); }
    for (size_t i = keys.size(); i-- > 0;) { SendKey(keys[i], true); Sleep(20); }
    Sleep(50);
  }
  return kOk;
}

int CmdType(const Args& a) {
  if (a.pos.empty()) return kUsage;
  for (wchar_t c : a.pos[0]) {
    INPUT in[2] = {};
    for (int i = 0; i < 2; ++i) {
      in[i].type = INPUT_KEYBOARD;
      in[i].ki.wScan = c;
      in[i].ki.dwFlags = KEYEVENTF_UNICODE | (i ? KEYEVENTF_KEYUP : 0);
    }
    SendInput(2, in, sizeof in[0]);
    Sleep(10);
  }
  Sleep(50);
  return kOk;
}

int CmdPs() {
  for (const Proc& p : Processes()) {
    Field("process"); Field(p.pid); Field(p.parent); Field(Escape(p.exe)); EndLine();
  }
  return kOk;
}

int CmdWaitExit(const Args& a) {
  if (a.pos.empty()) return kUsage;
  DWORD self = GetCurrentProcessId();
  bool gone = WaitFor(a.Timeout(), [&] {
    for (const Proc& p : Processes())
      if (p.pid != self && MatchesProcess(p, a.pos[0])) return false;
    return true;
  });
  return gone ? kOk : kNotFound;
}

int CmdKill(const Args& a) {
  if (a.pos.empty()) return kUsage;
  DWORD self = GetCurrentProcessId();
  int killed = 0;
  for (const Proc& p : Processes()) {
    if (p.pid == self || !MatchesProcess(p, a.pos[0])) continue;
    HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, p.pid);
    if (!h) continue;
    if (TerminateProcess(h, 1)) {
      WaitForSingleObject(h, 5000);
      Field("killed"); Field(p.pid); EndLine();
      ++killed;
    }
    CloseHandle(h);
  }
  return killed ? kOk : kNotFound;
}

// Attributes as the program under test would see them: Wine keeps some of them (hidden,
// system) outside the Unix file mode, so the Linux side cannot tell.
int CmdAttrib(const Args& a) {
  if (a.pos.empty()) return kUsage;
  for (const std::wstring& path : a.pos) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    Field("attrib"); Field(HexDigits(attributes, 8)); Field(Escape(path)); EndLine();
  }
  return kOk;
}

// Loads a shell link the way the shell would and prints what it points at.
int CmdLink(const Args& a) {
  if (a.pos.empty()) return kUsage;
  if (FAILED(CoInitialize(nullptr))) return kFailed;
  int rc = kFailed;
  IShellLinkW* link = nullptr;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                 reinterpret_cast<void**>(&link))) &&
      SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
      SUCCEEDED(file->Load(a.pos[0].c_str(), STGM_READ))) {
    wchar_t target[MAX_PATH] = {}, args[1024] = {}, dir[MAX_PATH] = {}, desc[1024] = {};
    int show = 0;
    link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
    // The target as the shell resolves it, from the link's item list: Wine stores the path
    // beside it in the ANSI code page only, so a character outside it would read as "?".
    PIDLIST_ABSOLUTE item = nullptr;
    if (SUCCEEDED(link->GetIDList(&item)) && item) {
      SHGetPathFromIDListW(item, target);
      CoTaskMemFree(item);
    }
    link->GetArguments(args, 1024);
    link->GetWorkingDirectory(dir, MAX_PATH);
    link->GetDescription(desc, 1024);
    link->GetShowCmd(&show);
    Field("link"); Field(Escape(target)); Field(Escape(args));
    Field(Escape(dir)); Field(Escape(desc)); Field(show); EndLine();
    rc = kOk;
  }
  if (file) file->Release();
  if (link) link->Release();
  CoUninitialize();
  return rc;
}

// Holds a file open with no sharing at all, as a running program holding its own files
// would, so that nobody else can open it for writing (or reading) meanwhile.
int CmdHold(const Args& a) {
  if (a.pos.size() < 2) return kUsage;
  HANDLE h = CreateFileW(a.pos[0].c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return kFailed;
  Field("held"); EndLine();
  Flush();
  Sleep(static_cast<DWORD>(_wtoi(a.pos[1].c_str())) * 1000);
  CloseHandle(h);
  return kOk;
}

int CmdTamper(const Args& a) {
  if (a.pos.size() < 3) return kUsage;
  const std::wstring& target = a.pos[0];
  const std::wstring spare = target + L".spare";
  std::string bytes;
  {
    HANDLE source = CreateFileW(a.pos[1].c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (source == INVALID_HANDLE_VALUE) return kFailed;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(source, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(source);
  }
  const DWORD end = GetTickCount() + static_cast<DWORD>(_wtoi(a.pos[2].c_str())) * 1000;
  int renames = 0, rewrites = 0;
  while (static_cast<int>(end - GetTickCount()) > 0) {
    if (CopyFileW(a.pos[1].c_str(), spare.c_str(), FALSE) &&
        MoveFileExW(spare.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
      ++renames;
    HANDLE h = CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      if (WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && SetEndOfFile(h)) ++rewrites;
      CloseHandle(h);
    }
  }
  DeleteFileW(spare.c_str());
  Field("tampered"); Field(renames); Field(rewrites); EndLine();
  return kOk;
}

// ---- watching a process for windows ------------------------------------------------------

DWORD g_watched = 0;
std::vector<HWND> g_seen;

void RecordWatchedWindow(HWND h) {
  DWORD pid = 0;
  if (!h || !GetWindowThreadProcessId(h, &pid) || pid != g_watched) return;
  for (HWND seen : g_seen)
    if (seen == h) return;
  g_seen.push_back(h);
  Field("window"); Field(Hex(h)); Field(Escape(ClassOf(h))); EndLine();
}

void CALLBACK OnWindowEvent(HWINEVENTHOOK, DWORD, HWND h, LONG object, LONG, DWORD, DWORD) {
  if (object == OBJID_WINDOW) RecordWatchedWindow(h);
}

// A window that lives only between two looks at the window list is still reported by the
// creation event; the list catches one whose event does not arrive.
int CmdWatch(const Args& a) {
  if (a.pos.empty()) return kUsage;
  std::wstring line = L"\"" + a.pos[0] + L"\"";
  for (size_t i = 1; i < a.pos.size(); ++i) line += L" " + a.pos[i];
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(a.pos[0].c_str(), &line[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &si,
                      &pi))
    return kFailed;
  g_watched = pi.dwProcessId;
  g_seen.clear();
  HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_SHOW, nullptr, OnWindowEvent,
                                       pi.dwProcessId, 0, WINEVENT_OUTOFCONTEXT);
  const DWORD limit = static_cast<DWORD>(_wtoi(a.Get(L"timeout", L"120000").c_str()));
  const DWORD start = GetTickCount();
  ResumeThread(pi.hThread);
  bool ended = false;
  while (!ended) {
    for (HWND h : TopLevelWindows()) RecordWatchedWindow(h);
    ended = MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, 5, QS_ALLINPUT) == WAIT_OBJECT_0;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    if (!ended && GetTickCount() - start >= limit) {
      Field("timeout"); EndLine();
      TerminateProcess(pi.hProcess, 1);
      WaitForSingleObject(pi.hProcess, 5000);
      ended = true;
    }
  }
  const DWORD elapsed = GetTickCount() - start;
  if (hook) UnhookWinEvent(hook);
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  Field("exit"); Field(static_cast<long long>(static_cast<int>(code))); EndLine();
  Field("time"); Field(static_cast<long long>(elapsed)); EndLine();
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return kOk;
}

int CmdMsgBox(const Args& a) {
  if (a.pos.empty()) return kUsage;
  std::wstring buttons = a.Get(L"buttons", L"ok");
  UINT type = MB_OK;
  if (buttons == L"okcancel") type = MB_OKCANCEL;
  else if (buttons == L"yesno") type = MB_YESNO;
  else if (buttons == L"yesnocancel") type = MB_YESNOCANCEL;
  else if (buttons != L"ok") { Error(L"unknown --buttons value"); return kUsage; }
  const std::wstring caption = a.pos.size() > 1 ? a.pos[1] : L"quilldrive";
  return MessageBoxW(nullptr, a.pos[0].c_str(), caption.c_str(), type | MB_TASKMODAL);
}

// One command: words[0] names it, the rest are its arguments. Records go to g_out.
int RunCommand(const std::vector<std::wstring>& words) {
  const std::wstring& cmd = words[0];
  const Args a = ParseArgs(words);
  int rc = kUsage;
  if (cmd == L"acp") { Field("acp"); Field(GetACP()); EndLine(); rc = kOk; }
  else if (cmd == L"desktop") rc = CmdDesktop();
  else if (cmd == L"windows") rc = CmdWindows();
  else if (cmd == L"find-window") rc = CmdFindWindow(a);
  else if (cmd == L"children") rc = CmdChildren(a);
  else if (cmd == L"text") rc = CmdText(a);
  else if (cmd == L"rect") rc = CmdRect(a);
  else if (cmd == L"wait-gone") rc = CmdWaitGone(a);
  else if (cmd == L"activate") rc = CmdActivate(a);
  else if (cmd == L"foreground") rc = CmdForeground();
  else if (cmd == L"close") rc = CmdClose(a);
  else if (cmd == L"find-msgbox") rc = CmdFindMsgBox(a);
  else if (cmd == L"press-msgbox") rc = CmdPressMsgBox(a);
  else if (cmd == L"mouse") rc = CmdMouse(a);
  else if (cmd == L"key") rc = CmdKey(a);
  else if (cmd == L"type") rc = CmdType(a);
  else if (cmd == L"ps") rc = CmdPs();
  else if (cmd == L"wait-exit") rc = CmdWaitExit(a);
  else if (cmd == L"kill") rc = CmdKill(a);
  else if (cmd == L"attrib") rc = CmdAttrib(a);
  else if (cmd == L"link") rc = CmdLink(a);
  else if (cmd == L"hold") rc = CmdHold(a);
  else if (cmd == L"tamper") rc = CmdTamper(a);
  else if (cmd == L"msgbox") rc = CmdMsgBox(a);
  else if (cmd == L"watch") rc = CmdWatch(a);
  else Error(L"unknown command: " + cmd);
  if (rc == kUsage && cmd != L"msgbox") Error(L"bad arguments for " + cmd);
  return rc;
}

std::wstring Wide(const std::string& s) {
  if (s.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
  return w;
}

// One line of the serve protocol: tab-separated words, escaped as the records are.
std::vector<std::wstring> SplitLine(const std::string& line) {
  std::vector<std::wstring> words;
  std::string word;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c == '\t') { words.push_back(Wide(word)); word.clear(); continue; }
    if (c == '\\' && i + 1 < line.size()) {
      char e = line[++i];
      c = e == 't' ? '\t' : e == 'r' ? '\r' : e == 'n' ? '\n' : e;
    }
    word += c;
  }
  words.push_back(Wide(word));
  return words;
}

int Serve() {
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  std::string pending;
  char buf[4096];
  DWORD got = 0;
  while (ReadFile(in, buf, sizeof buf, &got, nullptr) && got > 0) {
    pending.append(buf, got);
    for (size_t eol; (eol = pending.find('\n')) != std::string::npos;) {
      std::string line = pending.substr(0, eol);
      pending.erase(0, eol + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.empty()) continue;
      const int rc = RunCommand(SplitLine(line));
      Field("end"); Field(rc); EndLine();
      Flush();
    }
  }
  return kOk;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv || argc < 2) {
    Error(L"usage: quilldrive COMMAND [ARGS...]  (see the head of quilldrive.cpp)");
    return kUsage;
  }
  const std::vector<std::wstring> words(argv + 1, argv + argc);
  LocalFree(argv);
  if (words.size() == 1 && words[0] == L"serve") return Serve();
  const int rc = RunCommand(words);
  Flush();
  return rc;
}
