// The frame: start-up, message loop, window building, events and the end.
#include "ui/frame.h"

#include <commctrl.h>
#include <float.h>
#include <ole2.h>
#include <shellapi.h>
#include <uxtheme.h>

#include <algorithm>
#include <cstring>

#include "desktop/external.h"
#include "desktop/fatal.h"
#include "desktop/win32/codepage.h"

namespace quorvane::ui {
namespace {

constexpr wchar_t kOwnerClass[] = L"QuorvaneOwner";
constexpr wchar_t kLabelClass[] = L"QuorvaneLabel";
constexpr UINT_PTR kFirstTimerId = 1;

bool IsKeyboardMessage(UINT msg) { return msg >= WM_KEYFIRST && msg <= WM_KEYLAST; }

void FatalHandler(const Text& message, int code) {
  Program& program = Program::Instance();
  program.HoldEvents();
  MessageBoxW(nullptr, GbkToWide(FatalMessageText(message, code)).c_str(), GbkToWide("错误").c_str(),
              MB_ICONERROR | MB_OK);
  program.EndProgram(-1);
}

// Loads DLLs from the system folder only, where the system supports it, so a
// DLL planted beside the program is never picked up.
void RestrictDllSearch() {
  using SetDirs = BOOL(WINAPI*)(DWORD);
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  if (!kernel) return;
  auto set = reinterpret_cast<SetDirs>(
      reinterpret_cast<void*>(::GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (set) set(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

void ResetFloatingPoint() {
  _fpreset();
  unsigned int state = 0;
  _controlfp_s(&state, _RC_NEAR, _MCW_RC);
  _controlfp_s(&state, _MCW_EM, _MCW_EM);
#if defined(__i386__)
  // 64-bit mantissa precision exists on the x87 only.
  _controlfp_s(&state, _PC_64, _MCW_PC);
#endif
}

HFONT MakeFont(const FontSpec& wanted) {
  if (wanted.height == 0) return nullptr;
  LOGFONTW font{};
  font.lfHeight = wanted.height;
  font.lfWeight = wanted.weight;
  // Every text the program shows is Chinese: ask for a face that has the
  // glyphs whatever the system's locale (on a Chinese system this is what
  // the default character set gives anyway).
  font.lfCharSet = GB2312_CHARSET;
  font.lfOutPrecision = OUT_DEFAULT_PRECIS;
  font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  font.lfQuality = PROOF_QUALITY;
  font.lfPitchAndFamily = DEFAULT_PITCH;
  return CreateFontIndirectW(&font);
}

HICON ProgramIcon(HINSTANCE instance, int size) {
  auto icon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, 0));
  return icon ? icon : LoadIconW(nullptr, MAKEINTRESOURCEW(32512));  // IDI_APPLICATION
}

}  // namespace

void SplitProgramPath(const std::wstring& path, std::wstring& folder, std::wstring& fileName) {
  // Wide characters cannot hide a backslash in a trail byte.
  const auto slash = path.rfind(L'\\');
  if (slash == std::wstring::npos) {
    folder.clear();
    fileName = path;
  } else {
    folder = path.substr(0, slash);
    fileName = path.substr(slash + 1);
  }
}

Text FatalMessageText(const Text& message, int code) {
  Text text = "运行时出错!\r\n\r\n";
  if (code != 0) text += "错误代码：" + std::to_string(code) + "\r\n\r\n";
  if (!message.empty()) text += "错误信息：" + message + "\r\n";
  return text;
}

int LiveWindow::ControlIndex(HWND control) const {
  for (size_t i = 0; i < controls_.size(); ++i)
    if (control && controls_[i].hwnd == control) return static_cast<int>(i);
  return -1;
}

int LiveWindow::ControlIndexByName(const char* name) const {
  for (size_t i = 0; i < description_.controls.size(); ++i)
    if (std::strcmp(description_.controls[i].name, name) == 0) return static_cast<int>(i);
  return -1;
}

Program& Program::Instance() {
  static Program program;
  return program;
}

void Program::Start(HINSTANCE instance) {
  if (started_) return;
  started_ = true;
  instance_ = instance;
  RestrictDllSearch();
  SetFatalHandler(FatalHandler);

  oleInitialised_ = SUCCEEDED(OleInitialize(nullptr));

  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  SplitProgramPath(path, folder_, fileName_);
  if (!folder_.empty()) {
    // "C:" alone would mean the drive's current folder, not its root.
    SetCurrentDirectoryW(folder_.size() == 2 ? (folder_ + L"\\").c_str() : folder_.c_str());
  }

  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);

  WNDCLASSEXW owner{sizeof(owner)};
  owner.lpfnWndProc = DefWindowProcW;
  owner.hInstance = instance_;
  owner.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  owner.lpszClassName = kOwnerClass;
  RegisterClassExW(&owner);
  hiddenOwner_ = CreateWindowExW(WS_EX_TOOLWINDOW, kOwnerClass, L"", 0, 0, 0, 0, 0, nullptr, nullptr,
                                 instance_, nullptr);

  WNDCLASSEXW label{sizeof(label)};
  label.lpfnWndProc = LabelProc;
  label.hInstance = instance_;
  label.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  label.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  label.lpszClassName = kLabelClass;
  RegisterClassExW(&label);

  guiThread_ = GetCurrentThreadId();
  desktop_.SetDispatchHook(&Program::Dispatch);
  ResetFloatingPoint();
}

void Program::OpenMainWindow(const WindowDescription& description) {
  if (!LoadWindow(description, nullptr, false)) FatalRuntimeError("载入启动窗口失败");
}

int Program::RunMessageLoop() {
  loopStarted_ = true;
  if (!AnyWindowOpen()) return 0;
  MSG msg{};
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) Dispatch(msg);
  return msg.message == WM_QUIT ? static_cast<int>(msg.wParam) : 0;
}

void Program::EndSequence() {
  if (ended_) return;
  ended_ = true;
  HoldEvents();  // never released: no handler runs from here on
  ending_ = true;
  ReleaseExternalFunctions(desktop_);
  if (hiddenOwner_) DestroyWindow(hiddenOwner_);
  hiddenOwner_ = nullptr;
  if (oleInitialised_) OleUninitialize();
  oleInitialised_ = false;
}

void Program::EndProgram(int exitCode) {
  EndSequence();
  ExitProcess(static_cast<UINT>(exitCode));
}

void Program::ProcessPendingEvents() { desktop_.ProcessPendingEvents(); }

void Program::Dispatch(MSG& msg) {
  if (Instance().PreTranslate(msg)) return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

// The accelerators and the keyboard rules of the window the message is for.
// Gives true when the message was used up.
bool Program::PreTranslate(MSG& msg) {
  if (!msg.hwnd || !IsKeyboardMessage(msg.message)) return false;
  if (!IsWindowEnabled(msg.hwnd)) return false;
  LiveWindow* window = FindWindow(GetAncestor(msg.hwnd, GA_ROOT));
  if (!window) return false;
  if (window->accelerators_ && TranslateAcceleratorW(window->hwnd_, window->accelerators_.get(), &msg))
    return true;
  if (msg.message != WM_KEYDOWN) return false;
  const bool ctrl = GetKeyState(VK_CONTROL) < 0;
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  const bool alt = GetKeyState(VK_MENU) < 0;
  if (msg.wParam == VK_TAB && !ctrl && !alt) {
    HWND next = GetNextDlgTabItem(window->hwnd_, GetFocus(), shift);
    if (next) SetFocus(next);
    return true;
  }
  if (msg.wParam == VK_ESCAPE && !ctrl && !shift && !alt && window->description_.escapeCloses) {
    SendMessageW(window->hwnd_, WM_CLOSE, 0, 0);
    return true;
  }
  return false;
}

bool Program::RaiseEvent(LiveWindow& window, ElementKind element, int index, int event) {
  if (holdCount_ > 0) return true;
  for (const EventBinding& binding : window.description_.bindings) {
    if (binding.element == element && binding.event == event &&
        (element == ElementKind::kWindow || binding.index == index))
      return binding.handler(window);
  }
  return true;
}

LiveWindow* Program::FindWindow(HWND hwnd) const {
  if (!hwnd) return nullptr;
  for (const auto& window : windows_)
    if (window->hwnd_ == hwnd) return window.get();
  return nullptr;
}

LiveWindow* Program::OpenWindow(const WindowDescription& description) const {
  for (const auto& window : windows_)
    if (&window->description_ == &description && window->hwnd_) return window.get();
  return nullptr;
}

void Program::RegisterClasses(const WindowDescription& description) {
  WNDCLASSEXW existing{sizeof(existing)};
  if (GetClassInfoExW(instance_, description.className, &existing)) return;
  WNDCLASSEXW cls{sizeof(cls)};
  cls.style = CS_DBLCLKS;
  cls.lpfnWndProc = WindowProc;
  cls.hInstance = instance_;
  cls.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  cls.lpszClassName = description.className;
  RegisterClassExW(&cls);
}

bool Program::LoadWindow(const WindowDescription& description, HWND owner, bool modal) {
  if (LiveWindow* open = OpenWindow(description)) {
    if (IsIconic(open->hwnd_))
      ShowWindow(open->hwnd_, SW_RESTORE);
    else
      SetForegroundWindow(open->hwnd_);
    return true;
  }
  if (owner && !FindWindow(owner)) return false;
  // A modal window, or one without a taskbar button of its own, hangs on
  // the hidden owner so that it never shows up on the taskbar alone.
  if (modal || (!owner && !description.ownTaskbarButton)) owner = hiddenOwner_;

  ProcessPendingEvents();
  HoldEvents();
  windows_.push_back(std::make_unique<LiveWindow>(description));
  LiveWindow* window = windows_.back().get();
  const bool built = Build(*window, owner);
  ProcessPendingEvents();
  ReleaseEvents();
  if (!built) {
    if (window->hwnd_) DestroyWindow(window->hwnd_);
    std::erase_if(windows_, [window](const auto& w) { return w.get() == window; });
    return false;
  }

  // Each handler may close the window; go on only while it is open.
  const HWND hwnd = window->hwnd_;
  RaiseEvent(*window, ElementKind::kWindow, 0, kEventCreated);
  if (!FindWindow(hwnd)) return true;
  RaiseEvent(*window, ElementKind::kWindow, 0, kEventMoved);
  if (!FindWindow(hwnd)) return true;
  RaiseEvent(*window, ElementKind::kWindow, 0, kEventResized);
  if (!FindWindow(hwnd)) return true;

  if (description.visible) {
    if (description.startState == 3) {
      ShowWindow(hwnd, SW_SHOWMAXIMIZED);
    } else if (description.startState == 2) {
      ShowWindow(hwnd, SW_SHOWMINIMIZED);
    } else {
      ShowWindow(hwnd, SW_SHOW);
    }
  }
  if (!modal) return true;

  for (const auto& other : windows_) {
    if (other.get() == window) continue;
    const bool enabled = IsWindowEnabled(other->hwnd_);
    window->disabledByModal_.emplace_back(other->hwnd_, enabled);
    EnableWindow(other->hwnd_, FALSE);
  }
  // The caller waits here, messages flowing, until the window is gone.
  while (FindWindow(hwnd)) {
    MSG peek;
    // WM_QUIT belongs to the main loop; the modal wait gives way to it.
    if (PeekMessageW(&peek, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) break;
    desktop_.WaitForMessage(100);
    ProcessPendingEvents();
  }
  return true;
}

bool Program::Build(LiveWindow& window, HWND owner) {
  const WindowDescription& d = window.description_;
  RegisterClasses(d);

  // Menu bar and accelerators.
  std::vector<ACCEL> accels;
  if (!d.menu.empty()) {
    window.menu_.reset(CreateMenu());
    HMENU dropDown = nullptr;
    for (const MenuItemDescription& item : d.menu) {
      const std::wstring caption = GbkToWide(item.caption);
      if (item.onMenuBar && item.commandId == 0) {
        dropDown = CreatePopupMenu();
        AppendMenuW(window.menu_.get(), MF_STRING | MF_POPUP, reinterpret_cast<UINT_PTR>(dropDown),
                    caption.c_str());
      } else {
        AppendMenuW(item.onMenuBar || !dropDown ? window.menu_.get() : dropDown, MF_STRING,
                    item.commandId, caption.c_str());
      }
      if (item.acceleratorKey)
        accels.push_back(ACCEL{FVIRTKEY | FNOINVERT, item.acceleratorKey, static_cast<WORD>(item.commandId)});
    }
  }
  if (!accels.empty())
    window.accelerators_.reset(CreateAcceleratorTableW(accels.data(), static_cast<int>(accels.size())));

  const int x = (GetSystemMetrics(SM_CXSCREEN) - d.outerWidth) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - d.outerHeight) / 2;
  HWND hwnd = CreateWindowExW(d.exStyle, d.className, GbkToWide(d.caption).c_str(), d.style, x, y,
                              d.outerWidth, d.outerHeight, owner, window.menu_.get(), instance_, &window);
  if (!hwnd) return false;
  window.hwnd_ = hwnd;
  RECT outer;
  GetWindowRect(hwnd, &outer);
  if (outer.right - outer.left != d.outerWidth || outer.bottom - outer.top != d.outerHeight)
    SetWindowPos(hwnd, nullptr, x, y, d.outerWidth, d.outerHeight, SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  if (d.useProgramIcon) {
    SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(ProgramIcon(instance_, 32)));
    SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(ProgramIcon(instance_, 16)));
  }

  window.controls_.resize(d.controls.size());
  for (size_t i = 0; i < d.controls.size(); ++i) {
    CreateControl(window, static_cast<int>(i));
    if (!IsWindow(hwnd)) return false;
  }

  // Stacking: the first of the list on top, each next one right below.
  HWND above = HWND_TOP;
  for (int index : d.stacking) {
    HWND control = window.controls_[index].hwnd;
    if (!control) continue;
    SetWindowPos(control, above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    above = control;
  }

  for (size_t i = 0; i < d.controls.size(); ++i) {
    const ControlDescription& c = d.controls[i];
    HWND control = window.controls_[i].hwnd;
    if (c.kind == ControlKind::kStatusBar) SetUpStatusBar(window, static_cast<int>(i));
    if (c.kind == ControlKind::kEdit) {
      SetWindowTextW(control, GbkToWide(c.text).c_str());
      SendMessageW(control, EM_SETSEL, 0, 0);
      SendMessageW(control, EM_SCROLLCARET, 0, 0);
    }
  }
  for (size_t i = 0; i < d.controls.size(); ++i) {
    const ControlDescription& c = d.controls[i];
    if (c.kind == ControlKind::kTimer) {
      window.controls_[i].timerId = kFirstTimerId + i;
      SetTimer(hwnd, window.controls_[i].timerId, c.timerPeriodMs, nullptr);
    }
  }
  for (size_t i = 0; i < d.controls.size(); ++i) {
    if (HWND control = window.controls_[i].hwnd)
      ShowWindow(control, d.controls[i].visible ? SW_SHOWNA : SW_HIDE);
  }
  return IsWindow(hwnd);
}

void Program::CreateControl(LiveWindow& window, int index) {
  const ControlDescription& c = window.description_.controls[index];
  LiveWindow::LiveControl& live = window.controls_[index];
  const wchar_t* cls = nullptr;
  std::wstring text;
  switch (c.kind) {
    case ControlKind::kLabel:
      cls = kLabelClass;
      text = GbkToWide(c.text);
      break;
    case ControlKind::kEdit:
      cls = L"EDIT";
      break;
    case ControlKind::kStatusBar:
      cls = STATUSCLASSNAMEW;
      break;
    case ControlKind::kTimer:
    case ControlKind::kFileDialog:
      return;  // nothing on the screen
  }
  const UINT_PTR id = 1000 + index;
  live.hwnd = CreateWindowExW(c.exStyle, cls, text.c_str(), WS_CHILD | c.style, c.rect.left, c.rect.top,
                              c.rect.right, c.rect.bottom, window.hwnd_, reinterpret_cast<HMENU>(id),
                              instance_, nullptr);
  if (!live.hwnd) return;
  live.font.reset(MakeFont(c.font));
  HGDIOBJ font = live.font ? live.font.get() : GetStockObject(DEFAULT_GUI_FONT);
  SendMessageW(live.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  if (c.hasColours) live.brush.reset(CreateSolidBrush(c.backColour));
  if (c.kind == ControlKind::kEdit && c.limitTextToMaximum) SendMessageW(live.hwnd, EM_LIMITTEXT, 0, 0);
}

void Program::SetUpStatusBar(LiveWindow& window, int index) {
  const ControlDescription& c = window.description_.controls[index];
  LiveWindow::LiveControl& live = window.controls_[index];
  HWND bar = live.hwnd;
  if (!bar) return;
  // Visual styles would paint over the bar's own colour. Some systems
  // refuse the empty names; a class list that names no class does the same.
  SetWindowTheme(bar, L"", L"");
  if (GetWindowTheme(bar)) SetWindowTheme(bar, L" ", L" ");
  SendMessageW(bar, CCM_SETBKCOLOR, 0, static_cast<LPARAM>(c.barColour));
  SendMessageW(bar, SB_SIMPLE, FALSE, 0);
  std::vector<int> edges;
  for (const StatusPane& pane : c.panes) edges.push_back(pane.rightEdge);
  SendMessageW(bar, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
  live.paneTexts.clear();
  for (size_t i = 0; i < c.panes.size(); ++i) {
    live.paneTexts.push_back(c.panes[i].text);
    const std::wstring text = GbkToWide(c.panes[i].text);
    SendMessageW(bar, SB_SETTEXTW, i | c.panes[i].drawingStyle, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageW(bar, SB_SETICON, i, 0);
    SendMessageW(bar, SB_SETTIPTEXTW, i, reinterpret_cast<LPARAM>(L""));
  }
  SendMessageW(bar, WM_SIZE, 0, 0);
}

void Program::SetStatusPaneText(LiveWindow& window, int control, int pane, const Text& text) {
  LiveWindow::LiveControl& live = window.controls_[control];
  if (pane < 0 || pane >= static_cast<int>(live.paneTexts.size())) return;
  live.paneTexts[pane] = text;
  const int style = window.description_.controls[control].panes[pane].drawingStyle;
  const std::wstring wide = GbkToWide(text);
  SendMessageW(live.hwnd, SB_SETTEXTW, pane | style, reinterpret_cast<LPARAM>(wide.c_str()));
}

void Program::ShellOpen(int verb, const Text& target, const Text& parameters, const Text& folder, int show) {
  static const wchar_t* const kVerbs[] = {L"edit", L"explore", L"find", L"open", L"print"};
  static const int kShows[] = {SW_HIDE, SW_SHOWNORMAL, SW_SHOWMINIMIZED, SW_SHOWMAXIMIZED, SW_SHOWNA, SW_MINIMIZE};
  const wchar_t* verbText = verb >= 1 && verb <= 5 ? kVerbs[verb - 1] : nullptr;
  const int showMode = show >= 1 && show <= 6 ? kShows[show - 1] : SW_SHOWNORMAL;
  const std::wstring parametersWide = GbkToWide(parameters);
  ShellExecuteW(nullptr, verbText, GbkToWide(target).c_str(),
                parameters.empty() ? nullptr : parametersWide.c_str(), GbkToWide(folder).c_str(), showMode);
}

LRESULT CALLBACK Program::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* window = static_cast<LiveWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    window->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
  }
  auto* window = reinterpret_cast<LiveWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    Instance().OnNcDestroy(hwnd);
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
  if (!window) return DefWindowProcW(hwnd, msg, wParam, lParam);
  return Instance().HandleMessage(*window, msg, wParam, lParam);
}

// Every case may run handlers that close the window: once an event has been
// raised, nothing here touches the window again.
LRESULT Program::HandleMessage(LiveWindow& window, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT: return OnPaint(window);
    case WM_ERASEBKGND: return 1;  // WM_PAINT covers the whole client area
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC: return OnControlColour(window, msg, wParam, lParam);
    case WM_COMMAND: return OnCommand(window, msg, wParam, lParam);
    case WM_TIMER: return OnTimer(window, wParam);
    case WM_SIZE: return OnSize(window);
    case WM_MOVE: return RaiseEvent(window, ElementKind::kWindow, 0, kEventMoved), 0;
    case WM_ACTIVATE: return OnActivate(window, wParam), 0;
    case WM_CLOSE: return OnClose(window), 0;
    case WM_QUERYENDSESSION: return OnQueryEndSession(window, wParam, lParam);
    case WM_DESTROY: return OnDestroy(window), 0;
    default: return DefWindowProcW(window.hwnd_, msg, wParam, lParam);
  }
}

LRESULT Program::OnPaint(LiveWindow& window) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window.hwnd_, &ps);
  UniqueBrush brush(CreateSolidBrush(window.description_.background));
  FillRect(dc, &ps.rcPaint, brush.get());
  EndPaint(window.hwnd_, &ps);
  return 0;
}

LRESULT Program::OnControlColour(LiveWindow& window, UINT msg, WPARAM wParam, LPARAM lParam) {
  const int index = window.ControlIndex(reinterpret_cast<HWND>(lParam));
  if (index < 0 || !window.controls_[index].brush) return DefWindowProcW(window.hwnd_, msg, wParam, lParam);
  const ControlDescription& c = window.description_.controls[index];
  HDC dc = reinterpret_cast<HDC>(wParam);
  SetTextColor(dc, c.textColour);
  SetBkColor(dc, c.backColour);
  return reinterpret_cast<LRESULT>(window.controls_[index].brush.get());
}

LRESULT Program::OnCommand(LiveWindow& window, UINT msg, WPARAM wParam, LPARAM lParam) {
  // Menu items and accelerators come without a control handle.
  if (lParam != 0) return DefWindowProcW(window.hwnd_, msg, wParam, lParam);
  const auto& menu = window.description_.menu;
  for (size_t i = 0; i < menu.size(); ++i) {
    if (menu[i].commandId != 0 && menu[i].commandId == LOWORD(wParam)) {
      RaiseEvent(window, ElementKind::kMenuItem, static_cast<int>(i), kEventMenuSelected);
      break;
    }
  }
  return 0;
}

LRESULT Program::OnTimer(LiveWindow& window, WPARAM timerId) {
  for (size_t i = 0; i < window.controls_.size(); ++i) {
    if (window.controls_[i].timerId != 0 && window.controls_[i].timerId == timerId) {
      RaiseEvent(window, ElementKind::kControl, static_cast<int>(i), kEventTick);
      break;
    }
  }
  return 0;
}

LRESULT Program::OnSize(LiveWindow& window) {
  // Status bars lay themselves out along the new bottom edge.
  for (const auto& control : window.controls_)
    if (control.hwnd && !control.paneTexts.empty()) SendMessageW(control.hwnd, WM_SIZE, 0, 0);
  RaiseEvent(window, ElementKind::kWindow, 0, kEventResized);
  return 0;
}

LRESULT Program::OnQueryEndSession(LiveWindow& window, WPARAM wParam, LPARAM lParam) {
  DefWindowProcW(window.hwnd_, WM_QUERYENDSESSION, wParam, lParam);
  return RaiseEvent(window, ElementKind::kWindow, 0, kEventCloseQuery) ? TRUE : FALSE;
}

void Program::OnDestroy(LiveWindow& window) {
  const HWND hwnd = window.hwnd_;
  RaiseEvent(window, ElementKind::kWindow, 0, kEventDestroyed);
  LiveWindow* still = FindWindow(hwnd);
  if (!still) return;
  for (auto& control : still->controls_)
    if (control.timerId) KillTimer(hwnd, control.timerId);
  if (still->menu_) SetMenu(hwnd, nullptr);
  still->menu_.reset();
}

void Program::OnActivate(LiveWindow& window, WPARAM wParam) {
  if (LOWORD(wParam) == WA_INACTIVE) {
    HWND focus = GetFocus();
    if (focus && IsChild(window.hwnd_, focus)) window.lastFocus_ = focus;
    return;
  }
  if (IsIconic(window.hwnd_)) return;
  HWND target = window.lastFocus_ && IsWindow(window.lastFocus_) ? window.lastFocus_ : nullptr;
  if (!target) {
    // First time: the first control that takes the Tab key.
    for (size_t i = 0; i < window.controls_.size() && !target; ++i)
      if (window.controls_[i].hwnd && (window.description_.controls[i].style & WS_TABSTOP))
        target = window.controls_[i].hwnd;
  }
  SetFocus(target ? target : window.hwnd_);
}

void Program::OnClose(LiveWindow& window) {
  const HWND hwnd = window.hwnd_;
  if (!RaiseEvent(window, ElementKind::kWindow, 0, kEventCloseQueryFirst)) return;
  // The query may have dispatched messages: the window may be gone.
  LiveWindow* still = FindWindow(hwnd);
  if (!still || !RaiseEvent(*still, ElementKind::kWindow, 0, kEventCloseQuery)) return;
  still = FindWindow(hwnd);
  if (!still) return;
  for (const auto& [other, wasEnabled] : still->disabledByModal_)
    if (IsWindow(other)) EnableWindow(other, wasEnabled);
  still->disabledByModal_.clear();
  DestroyWindow(hwnd);
}

void Program::OnNcDestroy(HWND hwnd) {
  std::erase_if(windows_, [hwnd](const auto& w) { return w->hwnd_ == hwnd; });
  if (!AnyWindowOpen() && loopStarted_) PostQuitMessage(0);
}

LRESULT CALLBACK Program::LabelProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_LABEL_NOTIFY: {
      auto* window = reinterpret_cast<LiveWindow*>(GetWindowLongPtrW(GetParent(hwnd), GWLP_USERDATA));
      if (!window) return 0;
      const int index = window->ControlIndex(hwnd);
      if (index >= 0) Instance().RaiseEvent(*window, ElementKind::kControl, index, kEventLabelNotify);
      return 0;
    }
    case WM_SETFONT:
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, static_cast<LONG_PTR>(wParam));
      if (LOWORD(lParam)) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return GetWindowLongPtrW(hwnd, GWLP_USERDATA);
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT rect;
      GetClientRect(hwnd, &rect);
      auto font = reinterpret_cast<HFONT>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
      HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
      SetTextColor(dc, RGB(0, 0, 0));
      SetBkMode(dc, TRANSPARENT);
      std::wstring text(GetWindowTextLengthW(hwnd) + 1, L'\0');
      text.resize(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size())));
      DrawTextW(dc, text.c_str(), -1, &rect, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
      SelectObject(dc, old);
      EndPaint(hwnd, &ps);
      return 0;
    }
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

}  // namespace quorvane::ui
