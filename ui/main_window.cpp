// The main window: its description and its handlers.
#include "ui/main_window.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <memory>
#include <set>

#include "desktop/fatal.h"
#include "desktop/input.h"
#include "desktop/screen.h"
#include "desktop/text_ops.h"
#include "desktop/win32/codepage.h"
#include "engine/runner.h"
#include "engine/script.h"
#include "ui/about_window.h"
#include "ui/script_files.h"

namespace quorvane::ui {
namespace {

constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kSkyBlue = RGB(0, 136, 255);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr int kF11 = 122;

constexpr DWORD kEditorStyle = ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | ES_AUTOHSCROLL | WS_HSCROLL |
                               WS_VSCROLL | WS_CLIPSIBLINGS | WS_TABSTOP;
constexpr DWORD kLogBoxStyle =
    ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | ES_READONLY | WS_VSCROLL | WS_CLIPSIBLINGS | WS_TABSTOP;

// What the window's handlers share. A run keeps a reference to it on its
// stack while the window may be destroyed under it, so it is shared.
struct MainState {
  MainState(Desktop& desktop, HWND editor, HWND logBox)
      : runner(desktop, reinterpret_cast<WindowId>(editor), reinterpret_cast<WindowId>(logBox)) {}
  Runner runner;
  std::wstring savedText;  // the editor's text when last opened, made new or saved
  std::set<int> f11Modifiers;  // the modifier combinations F11 is registered with besides none
  // The free space the start layout leaves right of the boxes and between
  // the log box and the status bar; kept when the window is resized.
  int rightMargin = 0;
  int bottomGap = 0;
};
std::shared_ptr<MainState> g_state;

std::wstring WindowTextOf(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

int StatusBarHeight(LiveWindow& window) {
  RECT bar;
  GetWindowRect(window.Control(kStatusBar), &bar);
  return bar.bottom - bar.top;
}

bool OnCreated(LiveWindow& window) {
  Program& program = Program::Instance();
  g_state = std::make_shared<MainState>(program.Desktop(), window.Control(kEditor), window.Control(kLogBox));
  g_state->savedText = WindowTextOf(window.Control(kEditor));

  const ControlDescription& editor = window.Description().controls[kEditor];
  const ControlDescription& log = window.Description().controls[kLogBox];
  RECT client;
  GetClientRect(window.Handle(), &client);
  g_state->rightMargin = static_cast<int>(client.right) - (editor.rect.left + editor.rect.right);
  g_state->bottomGap =
      static_cast<int>(client.bottom) - StatusBarHeight(window) - static_cast<int>(log.rect.top + log.rect.bottom);

  const auto id = RegisterGlobalHotkey(program.Desktop(), reinterpret_cast<WindowId>(window.Handle()),
                                       reinterpret_cast<WindowId>(window.Control(kLabel1)), 0, kF11);
  if (id == 0) {
    AppendToEditBox(program.Desktop(), reinterpret_cast<WindowId>(window.Control(kLogBox)),
                    {"F11 热键注册失败，可能已被其他程序占用，请使用菜单“调试 → 运行”。", "\r\n"});
  }
  // A script that holds Shift, Ctrl, Alt or a Windows key makes the system
  // report F11 with them; F11 is registered with each such combination, once,
  // so that it still stops the run.
  const WindowId owner = reinterpret_cast<WindowId>(window.Handle());
  const WindowId label = reinterpret_cast<WindowId>(window.Control(kLabel1));
  MainState* state = g_state.get();
  state->runner.SetModifiersHeldHandler([state, owner, label](int modifiers) {
    if (state->f11Modifiers.insert(modifiers).second)
      RegisterGlobalHotkey(Program::Instance().Desktop(), owner, label, modifiers, kF11);
  });
  return true;
}

// The boxes fill the client area above the status bar: the log box keeps its
// height at the bottom, the editor takes the rest.
bool OnResized(LiveWindow& window) {
  if (!g_state || IsIconic(window.Handle())) return true;
  const ControlDescription& editor = window.Description().controls[kEditor];
  const ControlDescription& log = window.Description().controls[kLogBox];
  RECT client;
  GetClientRect(window.Handle(), &client);
  const int width = client.right, height = client.bottom;
  const int right = width - g_state->rightMargin;
  const int logHeight = log.rect.bottom;
  const int logTop = std::max(0, height - StatusBarHeight(window) - g_state->bottomGap - logHeight);
  const int gap = static_cast<int>(log.rect.top - (editor.rect.top + editor.rect.bottom));
  const int editorLeft = editor.rect.left, editorTop = editor.rect.top, logLeft = log.rect.left;
  MoveWindow(window.Control(kEditor), editorLeft, editorTop, std::max(0, right - editorLeft),
             std::max(0, logTop - gap - editorTop), TRUE);
  MoveWindow(window.Control(kLogBox), logLeft, logTop, std::max(0, right - logLeft), log.rect.bottom, TRUE);
  return true;
}

bool OnDestroyed(LiveWindow&) {
  if (g_state) g_state->runner.WindowClosed();
  return true;
}

bool OnCloseQuery(LiveWindow&) { return ConfirmDiscardOrSave(); }

bool OnTick(LiveWindow& window) {
  Desktop& desktop = Program::Instance().Desktop();
  const int x = CursorX(desktop);
  const int y = CursorY(desktop);
  const Text text = " 当前鼠标位置：X" + ToText(x) + "  Y" + ToText(y);
  // Setting an unchanged text would only make the bar flicker.
  if (window.PaneTexts(kStatusBar)[2] != text) SetStatusPaneText(2, text);
  return true;
}

bool OnToggleRun(LiveWindow&) {
  // The run outlives the window when the window closes inside it.
  const std::shared_ptr<MainState> state = g_state;
  if (state) state->runner.ToggleRun();
  return true;
}

bool OnNew(LiveWindow&) { return NewScript(), true; }
bool OnOpen(LiveWindow&) { return OpenScript(), true; }
bool OnSave(LiveWindow&) { return SaveScript(), true; }
bool OnHelp(LiveWindow&) { return ShowAboutWindow(), true; }

}  // namespace

const WindowDescription& MainWindowDescription() {
  static const std::array<StatusPane, 3> panes{{
      {260, 0, " Quorvane V1.0 Quorvane 开发组"},
      {360, 0, " 运行/停止 F11"},
      {-1, 0, " 当前鼠标位置："},
  }};
  static const std::array<ControlDescription, 6> controls{{
      {.name = "标签1", .kind = ControlKind::kLabel, .rect = {424, 48, 80, 24}, .style = WS_CLIPSIBLINGS,
       .text = "标签"},
      {.name = "编辑框1", .kind = ControlKind::kEdit, .rect = {1, 0, 657, 432}, .style = kEditorStyle,
       .exStyle = WS_EX_CLIENTEDGE, .hasColours = true, .textColour = kBlue, .backColour = kYellow,
       .font = {-16, FW_NORMAL}, .text = BuiltInDescription().c_str(), .limitTextToMaximum = true},
      {.name = "编辑框2", .kind = ControlKind::kEdit, .rect = {2, 434, 656, 62}, .style = kLogBoxStyle,
       .exStyle = WS_EX_CLIENTEDGE, .hasColours = true, .textColour = kBlue, .backColour = kSkyBlue,
       .font = {-14, FW_NORMAL}, .text = "", .limitTextToMaximum = true},
      {.name = "状态条1", .kind = ControlKind::kStatusBar, .rect = {0, 0, 0, 0}, .style = CCS_BOTTOM | SBT_TOOLTIPS,
       .font = {-12, FW_NORMAL}, .panes = panes, .barColour = kSkyBlue},
      {.name = "时钟1", .kind = ControlKind::kTimer, .rect = {}, .timerPeriodMs = 200},
      {.name = "通用对话框1", .kind = ControlKind::kFileDialog, .rect = {},
       .fileDialog = {.kind = 0, .filter = "文本文档|*.txt", .defaultExtension = ".txt", .fileMustExist = true,
                      .promptToOverwrite = true, .pathMustExist = true}},
  }};
  static const std::array<int, 4> stacking{kStatusBar, kLogBox, kEditor, kLabel1};
  static const std::array<MenuItemDescription, 8> menu{{
      {"程序", true, 0},
      {"新建", false, kCmdNew},
      {"打开", false, kCmdOpen},
      {"保存", false, kCmdSave},
      {"调试", true, 0},
      {"运行\tF11", false, kCmdRun, VK_F11},
      {"关于", true, 0},
      {"帮助", false, kCmdHelp},
  }};
  static const std::array<EventBinding, 11> bindings{{
      {ElementKind::kWindow, 0, kEventCreated, OnCreated},
      {ElementKind::kWindow, 0, kEventResized, OnResized},
      {ElementKind::kWindow, 0, kEventDestroyed, OnDestroyed},
      // Unsaved changes are never thrown away without asking.
      {ElementKind::kWindow, 0, kEventCloseQueryFirst, OnCloseQuery},
      {ElementKind::kControl, kTimer, kEventTick, OnTick},
      {ElementKind::kControl, kLabel1, kEventLabelNotify, OnToggleRun},
      {ElementKind::kMenuItem, 1, kEventMenuSelected, OnNew},
      {ElementKind::kMenuItem, 2, kEventMenuSelected, OnOpen},
      {ElementKind::kMenuItem, 3, kEventMenuSelected, OnSave},
      {ElementKind::kMenuItem, 5, kEventMenuSelected, OnToggleRun},
      {ElementKind::kMenuItem, 7, kEventMenuSelected, OnHelp},
  }};
  static const WindowDescription description{
      .className = L"QuorvaneMain",
      .caption = "Quorvane（键鼠模拟） V2.1 Quorvane 开发组",
      .outerWidth = 666,
      .outerHeight = 567,
      .style = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CLIPCHILDREN,
      .background = kSkyBlue,
      .ownTaskbarButton = true,
      .visible = true,
      .startState = 1,
      .escapeCloses = true,
      .controls = controls,
      .stacking = stacking,
      .menu = menu,
      .bindings = bindings,
  };
  return description;
}

LiveWindow* MainWindow() { return Program::Instance().OpenWindow(MainWindowDescription()); }

HWND MainWindowControl(int index) {
  LiveWindow* window = MainWindow();
  if (!window) FatalRuntimeError(MessageNoLiveControl());
  return window->Control(index);
}

void SetStatusPaneText(int pane, const Text& text) {
  LiveWindow* window = MainWindow();
  if (!window) FatalRuntimeError(MessageNoLiveControl());
  Program::Instance().SetStatusPaneText(*window, kStatusBar, pane, text);
}

Text EditorText() { return WideToGbk(WindowTextOf(MainWindowControl(kEditor))); }

void SetEditorText(const Text& text) {
  HWND editor = MainWindowControl(kEditor);
  SetWindowTextW(editor, GbkToWide(text).c_str());
  MarkScriptSaved();
}

void MarkScriptSaved() {
  HWND editor = MainWindowControl(kEditor);
  if (g_state) g_state->savedText = WindowTextOf(editor);
}

bool ScriptModified() {
  LiveWindow* window = MainWindow();
  return window && g_state && WindowTextOf(window->Control(kEditor)) != g_state->savedText;
}

bool ConfirmDiscardOrSave() {
  LiveWindow* window = MainWindow();
  if (!window || !ScriptModified()) return true;
  const int answer = MessageBoxW(window->Handle(), GbkToWide("脚本已修改，是否保存？").c_str(), L"Quorvane",
                                 MB_YESNOCANCEL | MB_ICONQUESTION);
  if (answer == IDYES) return SaveScript();
  return answer == IDNO;
}

}  // namespace quorvane::ui
