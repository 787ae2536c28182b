// Reads and drives the running main window from outside, the way an
// accessibility tool does: it finds the window and its controls by class and
// style and uses ordinary window messages. Texts are printed as UTF-8.
//
//   probe wait-window <timeout-ms> [class]  waits until the main window (or a
//                                        window of that class) is visible; prints ms
//   probe watch-window <timeout-ms> [class]  the same, printing "ready" first and
//                                        the Unix time in ms of the sighting
//   probe get-log | get-editor           the log box's or the editor's text
//   probe set-script <file>              puts a GBK or UTF-8 file into the editor
//   probe pane <n>                       the text of status-bar pane n
//   probe wait-log <text> <timeout-ms>   waits until the log box contains text; prints ms
//   probe wait-pane <n> <text> <timeout-ms>
//   probe watch-log <text> <timeout-ms>  prints "ready" at once, then, when the log box
//   probe watch-pane <n> <text> <timeout-ms>  (pane) contains text, the Unix time in ms:
//                                        the caller times an outside event against it
//   probe close-answering <yes|no> <timeout-ms>  posts WM_CLOSE, answers the program's
//                                        question box if one comes, and prints the Unix
//                                        time in ms of the last thing it did
//   probe menu <caption>                 selects a menu item by its caption
//   probe rect                           the main window's outer rectangle: x y width height
//   probe focus main|target              brings a window to the foreground
//   probe close [class]                  posts WM_CLOSE to the main window (or to the
//                                        window of that class)
//   probe dialog-text                    the texts of the program's open dialog box, if any
//   probe wait-dialog <timeout-ms>       waits for a dialog box of the program; prints ms
//   probe answer <yes|no|cancel|ok>      presses that button of the program's dialog box
//   probe pid                            the program's Windows process id
// Exit code 0 on success, 1 when the thing waited for did not come, 2 on
// bad use, 3 when the main window is not there.
#include <windows.h>
#include <commctrl.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kMainClass[] = L"QuorvaneMain";
constexpr wchar_t kTargetClass[] = L"QvE2ETarget";

struct Controls {
  HWND main = nullptr;
  HWND editor = nullptr;  // "EDIT" without ES_READONLY
  HWND log = nullptr;     // "EDIT" with ES_READONLY
  HWND status = nullptr;  // msctls_statusbar32
};

double NowMs() {
  static LARGE_INTEGER frequency{};
  if (frequency.QuadPart == 0) QueryPerformanceFrequency(&frequency);
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// Milliseconds since 1970 by the system clock, which Wine shares with Linux:
// lets the caller compare with `date +%s%N`.
double UnixMs() {
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  ULARGE_INTEGER t;
  t.LowPart = ft.dwLowDateTime;
  t.HighPart = ft.dwHighDateTime;
  return static_cast<double>(t.QuadPart - 116444736000000000ULL) / 10000.0;
}

std::string ToUtf8(const std::wstring& text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

std::wstring FromCodePage(const std::string& bytes, UINT code_page, DWORD flags) {
  if (bytes.empty()) return {};
  int n = MultiByteToWideChar(code_page, flags, bytes.data(), static_cast<int>(bytes.size()),
                              nullptr, 0);
  if (n <= 0) return {};
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(code_page, flags, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
  return out;
}

// A file's text: UTF-8 when its bytes are valid UTF-8, GBK otherwise.
std::wstring DecodeFile(const std::string& bytes) {
  std::wstring utf8 = FromCodePage(bytes, CP_UTF8, MB_ERR_INVALID_CHARS);
  if (!utf8.empty() || bytes.empty()) return utf8;
  return FromCodePage(bytes, 936, 0);
}

void Print(const std::wstring& text) {
  std::string out = ToUtf8(text);
  fwrite(out.data(), 1, out.size(), stdout);
  fflush(stdout);
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM param) {
  auto* c = reinterpret_cast<Controls*>(param);
  if (GetParent(child) != c->main) return TRUE;
  std::wstring cls = ClassOf(child);
  if (_wcsicmp(cls.c_str(), L"EDIT") == 0) {
    bool read_only = (GetWindowLongW(child, GWL_STYLE) & ES_READONLY) != 0;
    HWND& slot = read_only ? c->log : c->editor;
    if (!slot) slot = child;
  } else if (_wcsicmp(cls.c_str(), STATUSCLASSNAMEW) == 0 && !c->status) {
    c->status = child;
  }
  return TRUE;
}

Controls FindControls() {
  Controls c;
  c.main = FindWindowW(kMainClass, nullptr);
  if (c.main) EnumChildWindows(c.main, CollectChild, reinterpret_cast<LPARAM>(&c));
  return c;
}

Controls RequireControls() {
  Controls c = FindControls();
  if (!c.main) {
    fputs("probe: no main window\n", stderr);
    exit(3);
  }
  return c;
}

std::wstring WindowText(HWND window) {
  if (!window) return {};
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) return {};
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()),
                      SMTO_ABORTIFHUNG, 2000, &copied);
  text.resize(copied);
  return text;
}

// The status bar's messages carry pointers that the system does not carry
// across processes: the text is fetched through a buffer in the program's own
// memory.
std::wstring PaneText(HWND status, int pane) {
  if (!status) return {};
  DWORD pid = 0;
  GetWindowThreadProcessId(status, &pid);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (!process) return {};
  DWORD_PTR info = 0;
  SendMessageTimeoutW(status, SB_GETTEXTLENGTHW, static_cast<WPARAM>(pane), 0, SMTO_ABORTIFHUNG,
                      2000, &info);
  size_t length = LOWORD(info);
  std::wstring text;
  const size_t bytes = (length + 1) * sizeof(wchar_t);
  void* remote = VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (remote) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(status, SB_GETTEXTW, static_cast<WPARAM>(pane),
                        reinterpret_cast<LPARAM>(remote), SMTO_ABORTIFHUNG, 2000, &ignored);
    text.assign(length + 1, L'\0');
    SIZE_T read = 0;
    if (ReadProcessMemory(process, remote, text.data(), bytes, &read)) {
      text.resize(wcsnlen(text.c_str(), length));
    } else {
      text.clear();
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  }
  CloseHandle(process);
  return text;
}

// Polls until read() contains the text or the time is up; prints the elapsed
// ms, or with `watch` "ready" first and then the Unix time of the sighting.
template <typename Read>
int WaitFor(const std::wstring& text, double timeout_ms, bool watch, Read read) {
  if (watch) {
    puts("ready");
    fflush(stdout);
  }
  const double start = NowMs();
  std::wstring last;
  for (;;) {
    last = read();
    double elapsed = NowMs() - start;
    if (last.find(text) != std::wstring::npos) {
      if (watch) {
        printf("%.0f\n", UnixMs());
      } else {
        printf("%.0f\n", elapsed);
      }
      return 0;
    }
    if (elapsed > timeout_ms) break;
    Sleep(2);
  }
  fprintf(stderr, "probe: timed out after %.0f ms; text now:\n%s\n", timeout_ms, ToUtf8(last).c_str());
  return 1;
}

struct FoundDialog {
  DWORD pid = 0;
  HWND dialog = nullptr;
};

BOOL CALLBACK FindDialogOf(HWND window, LPARAM param) {
  auto* f = reinterpret_cast<FoundDialog*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == f->pid && IsWindowVisible(window) && ClassOf(window) == L"#32770") {
    f->dialog = window;
    return FALSE;
  }
  return TRUE;
}

// A dialog box (message box or file dialog) of the program's process.
HWND ProgramDialog() {
  HWND main = FindWindowW(kMainClass, nullptr);
  if (!main) return nullptr;
  FoundDialog f;
  GetWindowThreadProcessId(main, &f.pid);
  EnumWindows(FindDialogOf, reinterpret_cast<LPARAM>(&f));
  return f.dialog;
}

BOOL CALLBACK AppendChildText(HWND child, LPARAM param) {
  auto* out = reinterpret_cast<std::wstring*>(param);
  std::wstring text = WindowText(child);
  if (!text.empty()) *out += ClassOf(child) + L": " + text + L"\n";
  return TRUE;
}

// Where each item sits when the menu cannot be read from outside the
// program's process (Wine keeps a menu's items in its own process).
struct MenuPlace {
  const wchar_t* caption;
  int top;
  int item;
};
constexpr MenuPlace kMenuPlaces[] = {
    {L"新建", 0, 0}, {L"打开", 0, 1}, {L"保存", 0, 2}, {L"运行", 1, 0}, {L"帮助", 2, 0},
};

// Text of a menu item up to its shortcut.
std::wstring ItemCaption(HMENU menu, int position) {
  wchar_t buffer[128] = {};
  if (GetMenuStringW(menu, static_cast<UINT>(position), buffer, 128, MF_BYPOSITION) <= 0) return {};
  std::wstring caption = buffer;
  return caption.substr(0, caption.find(L'\t'));
}

bool PostMenuCommandByReading(HWND main, const std::wstring& caption) {
  HMENU bar = GetMenu(main);
  int tops = bar ? GetMenuItemCount(bar) : -1;
  if (tops <= 0) return false;
  for (int t = 0; t < tops; ++t) {
    HMENU popup = GetSubMenu(bar, t);
    int items = popup ? GetMenuItemCount(popup) : -1;
    for (int i = 0; i < items; ++i) {
      if (ItemCaption(popup, i) != caption) continue;
      UINT id = GetMenuItemID(popup, i);
      PostMessageW(main, WM_COMMAND, MAKEWPARAM(id, 0), 0);
      return true;
    }
  }
  return false;
}

// Opens the menu bar as the Alt key does and walks to the item with the arrow keys.
bool SelectMenuByKeys(HWND main, const std::wstring& caption) {
  for (const MenuPlace& place : kMenuPlaces) {
    if (caption != place.caption) continue;
    PostMessageW(main, WM_SYSCOMMAND, SC_KEYMENU, 0);
    auto key = [&](WPARAM vk) {
      PostMessageW(main, WM_KEYDOWN, vk, 1);
      PostMessageW(main, WM_KEYUP, vk, 0xC0000001);
    };
    for (int i = 0; i < place.top; ++i) key(VK_RIGHT);
    key(VK_DOWN);
    for (int i = 0; i < place.item; ++i) key(VK_DOWN);
    key(VK_RETURN);
    return true;
  }
  return false;
}

int Usage() {
  fputs("usage: probe wait-window|get-log|get-editor|set-script|pane|wait-log|wait-pane|menu|rect|"
        "focus|close|dialog-text|wait-dialog|answer|pid ...\n",
        stderr);
  return 2;
}

int Run(const std::vector<std::wstring>& args) {
  if (args.empty()) return Usage();
  const std::wstring& cmd = args[0];
  auto arg = [&](size_t i) -> const std::wstring& {
    if (i >= args.size()) exit(Usage());
    return args[i];
  };
  auto number = [&](size_t i) { return _wtof(arg(i).c_str()); };

  if (cmd == L"wait-window" || cmd == L"watch-window") {
    const bool watch = cmd == L"watch-window";
    if (watch) {
      puts("ready");
      fflush(stdout);
    }
    const double start = NowMs();
    for (;;) {
      HWND main = FindWindowW(args.size() > 2 ? args[2].c_str() : kMainClass, nullptr);
      if (main && IsWindowVisible(main)) {
        printf("%.0f\n", watch ? UnixMs() : NowMs() - start);
        return 0;
      }
      if (NowMs() - start > number(1)) return 1;
      Sleep(1);
    }
  }
  if (cmd == L"wait-dialog") {
    const double start = NowMs();
    for (;;) {
      if (ProgramDialog()) {
        printf("%.0f\n", NowMs() - start);
        return 0;
      }
      if (NowMs() - start > number(1)) return 1;
      Sleep(10);
    }
  }
  if (cmd == L"dialog-text") {
    HWND dialog = ProgramDialog();
    if (!dialog) return 1;
    std::wstring out = L"#32770: " + WindowText(dialog) + L"\n";
    EnumChildWindows(dialog, AppendChildText, reinterpret_cast<LPARAM>(&out));
    Print(out);
    return 0;
  }
  if (cmd == L"answer") {
    HWND dialog = ProgramDialog();
    if (!dialog) return 1;
    const std::wstring& which = arg(1);
    int id = which == L"yes" ? IDYES : which == L"no" ? IDNO : which == L"cancel" ? IDCANCEL : IDOK;
    HWND button = GetDlgItem(dialog, id);
    if (button) {
      PostMessageW(button, BM_CLICK, 0, 0);
    } else {
      PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
    }
    return 0;
  }
  if (cmd == L"close" && args.size() > 1) {
    HWND window = FindWindowW(args[1].c_str(), nullptr);
    if (!window) return 3;
    PostMessageW(window, WM_CLOSE, 0, 0);
    return 0;
  }
  if (cmd == L"focus") {
    HWND window = FindWindowW(arg(1) == L"target" ? kTargetClass : kMainClass, nullptr);
    if (!window) return 3;
    SetForegroundWindow(window);
    return GetForegroundWindow() == window ? 0 : 1;
  }

  Controls c = RequireControls();
  if (cmd == L"get-log") {
    Print(WindowText(c.log));
  } else if (cmd == L"get-editor") {
    Print(WindowText(c.editor));
  } else if (cmd == L"set-script") {
    FILE* f = _wfopen(arg(1).c_str(), L"rb");
    if (!f) return 2;
    std::string bytes;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
    fclose(f);
    std::wstring text = DecodeFile(bytes);
    DWORD_PTR ok = 0;
    SendMessageTimeoutW(c.editor, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                        SMTO_ABORTIFHUNG, 5000, &ok);
    return ok ? 0 : 1;
  } else if (cmd == L"pane") {
    Print(PaneText(c.status, _wtoi(arg(1).c_str())));
  } else if (cmd == L"wait-log" || cmd == L"watch-log") {
    HWND log = c.log;
    return WaitFor(arg(1), number(2), cmd == L"watch-log", [log] { return WindowText(log); });
  } else if (cmd == L"wait-pane" || cmd == L"watch-pane") {
    HWND status = c.status;
    int pane = _wtoi(arg(1).c_str());
    return WaitFor(arg(2), number(3), cmd == L"watch-pane",
                   [status, pane] { return PaneText(status, pane); });
  } else if (cmd == L"close-answering") {
    const int answer = arg(1) == L"yes" ? IDYES : IDNO;
    const double timeout = number(2);
    HWND main = c.main;
    PostMessageW(main, WM_CLOSE, 0, 0);
    double last = UnixMs();
    const double start = NowMs();
    while (IsWindow(main) && NowMs() - start < timeout) {
      if (HWND dialog = ProgramDialog()) {
        if (HWND button = GetDlgItem(dialog, answer)) {
          PostMessageW(button, BM_CLICK, 0, 0);
        } else {
          PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
        }
        last = UnixMs();
        while (IsWindow(dialog) && NowMs() - start < timeout) Sleep(2);
      }
      Sleep(2);
    }
    printf("%.0f\n", last);
    return IsWindow(main) ? 1 : 0;
  } else if (cmd == L"menu") {
    if (PostMenuCommandByReading(c.main, arg(1))) return 0;
    return SelectMenuByKeys(c.main, arg(1)) ? 0 : 1;
  } else if (cmd == L"rect") {
    RECT r;
    GetWindowRect(c.main, &r);
    printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
  } else if (cmd == L"close") {
    PostMessageW(c.main, WM_CLOSE, 0, 0);
  } else if (cmd == L"pid") {
    DWORD pid = 0;
    GetWindowThreadProcessId(c.main, &pid);
    printf("%lu\n", pid);
  } else {
    return Usage();
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // Texts keep their CR LF exactly as the windows hold them.
  _setmode(_fileno(stdout), _O_BINARY);
  std::vector<std::wstring> args(argv + 1, argv + argc);
  return Run(args);
}
