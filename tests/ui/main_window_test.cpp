// The main window as built under Wine: geometry, controls, status bar, menu,
// keyboard rules and the resized handler.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/script.h"
#include "ui/main_window.h"
#include "ui_test_support.h"

namespace quorvane::ui {
namespace {

using testing::Box;
using testing::ChildBox;
using testing::PaneText;
using testing::PumpFor;
using testing::PumpUntil;
using testing::TextOf;
using testing::Wide;

class MainWindowTest : public testing::MainWindowFixture {};

TEST_F(MainWindowTest, OuterRectangleIsCentredOnThePrimaryScreen) {
  const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
  RECT outer;
  GetWindowRect(main_, &outer);
  EXPECT_EQ(outer.left, (screenW - 666) / 2);
  EXPECT_EQ(outer.top, (screenH - 567) / 2);
  EXPECT_EQ(outer.right - outer.left, 666);
  EXPECT_EQ(outer.bottom - outer.top, 567);
  if (screenW == 1920 && screenH == 1080) {
    EXPECT_EQ(outer.left, 627);
    EXPECT_EQ(outer.top, 256);
  }
  EXPECT_TRUE(IsWindowVisible(main_));
  EXPECT_FALSE(IsIconic(main_) || IsZoomed(main_));
  EXPECT_EQ(GetWindow(main_, GW_OWNER), nullptr);  // its own taskbar button
  EXPECT_EQ(TextOf(main_), Wide("Quorvane（键鼠模拟） V2.1 Quorvane 开发组"));
  const LONG_PTR style = GetWindowLongPtrW(main_, GWL_STYLE);
  for (LONG_PTR bit : {WS_CAPTION, WS_SYSMENU, WS_THICKFRAME, WS_MINIMIZEBOX, WS_MAXIMIZEBOX, WS_CLIPCHILDREN})
    EXPECT_EQ(style & bit, bit) << std::hex << bit;
  EXPECT_EQ(GetWindowLongPtrW(main_, GWL_EXSTYLE) & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW), 0);
  EXPECT_NE(SendMessageW(main_, WM_GETICON, ICON_BIG, 0), 0);
}

TEST_F(MainWindowTest, ControlsHaveTheirClassesRectanglesAndStyles) {
  struct Case {
    const char* name;
    int index;
    const wchar_t* cls;
    Box box;  // width 0: docked status bar, checked apart
    LONG_PTR styleOn, styleOff, exStyleOn;
  };
  const Case cases[] = {
      {"label", kLabel1, L"QuorvaneLabel", {424, 48, 80, 24}, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
       WS_TABSTOP | WS_DISABLED, 0},
      {"editor", kEditor, L"Edit", {1, 0, 657, 432},
       WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN |
           ES_AUTOHSCROLL | WS_HSCROLL | WS_VSCROLL,
       ES_READONLY | ES_NOHIDESEL | WS_DISABLED, WS_EX_CLIENTEDGE},
      {"log box", kLogBox, L"Edit", {2, 434, 656, 62},
       WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN |
           ES_READONLY | WS_VSCROLL,
       ES_AUTOHSCROLL | WS_HSCROLL | ES_NOHIDESEL | WS_DISABLED, WS_EX_CLIENTEDGE},
      {"status bar", kStatusBar, STATUSCLASSNAMEW, {0, 0, 0, 0}, WS_CHILD | WS_VISIBLE | CCS_BOTTOM | SBT_TOOLTIPS,
       WS_CLIPSIBLINGS | WS_TABSTOP | SBARS_SIZEGRIP | WS_DISABLED, 0},
  };
  RECT client;
  GetClientRect(main_, &client);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HWND control = Control(c.index);
    ASSERT_NE(control, nullptr);
    wchar_t cls[64];
    GetClassNameW(control, cls, 64);
    EXPECT_EQ(_wcsicmp(cls, c.cls), 0) << std::wstring(cls).size();
    const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
    EXPECT_EQ(style & c.styleOn, c.styleOn);
    EXPECT_EQ(style & c.styleOff, 0);
    EXPECT_EQ(GetWindowLongPtrW(control, GWL_EXSTYLE) & c.exStyleOn, c.exStyleOn);
    const Box box = ChildBox(control);
    if (c.box.width != 0) {
      EXPECT_EQ(box, c.box);
    } else {
      EXPECT_EQ(box.left, 0);
      EXPECT_EQ(box.width, client.right);
      EXPECT_EQ(box.top + box.height, client.bottom);
    }
  }
  EXPECT_EQ(TextOf(Control(kLabel1)), Wide("标签"));
  // Timer and file dialog have no window of their own.
  EXPECT_EQ(Control(kTimer), nullptr);
  EXPECT_EQ(Control(kFileDialog), nullptr);
}

TEST_F(MainWindowTest, BoxesAndBarHaveTheirFontsAndColours) {
  struct FontCase {
    const char* name;
    int index;
    LONG height;
  };
  for (const FontCase& c : {FontCase{"editor", kEditor, -16}, FontCase{"log box", kLogBox, -14},
                            FontCase{"status bar", kStatusBar, -12}}) {
    SCOPED_TRACE(c.name);
    auto font = reinterpret_cast<HFONT>(SendMessageW(Control(c.index), WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    LOGFONTW lf{};
    ASSERT_NE(GetObjectW(font, sizeof lf, &lf), 0);
    EXPECT_EQ(lf.lfHeight, c.height);
    EXPECT_EQ(lf.lfWidth, 0);
    EXPECT_EQ(lf.lfWeight, FW_NORMAL);
    EXPECT_FALSE(lf.lfItalic || lf.lfUnderline || lf.lfStrikeOut);
  }
  EXPECT_EQ(SendMessageW(Control(kLabel1), WM_GETFONT, 0, 0),
            reinterpret_cast<LRESULT>(GetStockObject(DEFAULT_GUI_FONT)));

  struct ColourCase {
    const char* name;
    int index;
    UINT message;
    COLORREF text, back;
  };
  const ColourCase colours[] = {
      {"editor", kEditor, WM_CTLCOLOREDIT, 0x00FF0000, 0x0000FFFF},
      {"log box", kLogBox, WM_CTLCOLORSTATIC, 0x00FF0000, 0x00FF8800},
  };
  HDC dc = CreateCompatibleDC(nullptr);
  for (const ColourCase& c : colours) {
    SCOPED_TRACE(c.name);
    SetTextColor(dc, 0);
    SetBkColor(dc, 0);
    auto brush = reinterpret_cast<HBRUSH>(
        SendMessageW(main_, c.message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(Control(c.index))));
    ASSERT_NE(brush, nullptr);
    LOGBRUSH lb{};
    GetObjectW(brush, sizeof lb, &lb);
    EXPECT_EQ(lb.lbColor, c.back);
    EXPECT_EQ(GetTextColor(dc), c.text);
    EXPECT_EQ(GetBkColor(dc), c.back);
  }
  DeleteDC(dc);
  // Setting a colour gives back the one it replaces.
  HWND bar = Control(kStatusBar);
  EXPECT_EQ(static_cast<COLORREF>(SendMessageW(bar, SB_SETBKCOLOR, 0, CLR_DEFAULT)), 0x00FF8800u);
  SendMessageW(bar, SB_SETBKCOLOR, 0, 0x00FF8800);
}

TEST_F(MainWindowTest, ControlsAreStackedStatusBarFirstLabelLast) {
  std::vector<HWND> order;
  for (HWND child = GetWindow(main_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    order.push_back(child);
  const std::vector<HWND> expected{Control(kStatusBar), Control(kLogBox), Control(kEditor), Control(kLabel1)};
  EXPECT_EQ(order, expected);
}

TEST_F(MainWindowTest, EditorStartsWithTheDescriptionCaretAtStartAndTheFocus) {
  HWND editor = Control(kEditor);
  EXPECT_EQ(TextOf(editor), Wide(BuiltInDescription()));
  DWORD start = 1, end = 1;
  SendMessageW(editor, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 0u);
  EXPECT_EQ(SendMessageW(editor, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
  PumpUntil([&] { return GetFocus() == editor; }, 1000);
  EXPECT_EQ(GetFocus(), editor);
  EXPECT_FALSE(ScriptModified());
  // The editor takes far more than the old 30000-character default.
  EXPECT_GT(SendMessageW(editor, EM_GETLIMITTEXT, 0, 0), 30000);
}

TEST_F(MainWindowTest, StatusBarStartsWithItsThreePanesThenFollowsThePointer) {
  HWND bar = Control(kStatusBar);
  int edges[4] = {};
  ASSERT_EQ(SendMessageW(bar, SB_GETPARTS, 4, reinterpret_cast<LPARAM>(edges)), 3);
  EXPECT_EQ(edges[0], 260);
  EXPECT_EQ(edges[1], 360);
  EXPECT_EQ(edges[2], -1);
  EXPECT_EQ(PaneText(bar, 0), Wide(" Quorvane V1.0 Quorvane 开发组"));
  EXPECT_EQ(PaneText(bar, 1), Wide(" 运行/停止 F11"));
  EXPECT_EQ(PaneText(bar, 2), Wide(" 当前鼠标位置："));
  EXPECT_EQ(SendMessageW(bar, SB_ISSIMPLE, 0, 0), FALSE);

  // The pane shows where the pointer is at the tick; the desktop may keep
  // it from the point asked for, so the expectation reads it too.
  auto pointerText = [] {
    POINT at{};
    GetCursorPos(&at);
    return Wide(" 当前鼠标位置：X") + std::to_wstring(at.x) + L"  Y" + std::to_wstring(at.y);
  };
  struct Case {
    int x, y;
  };
  for (const Case& c : {Case{1024, 768}, Case{0, 0}, Case{17, 901}}) {
    SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
    SetCursorPos(c.x, c.y);
    EXPECT_TRUE(PumpUntil([&] { return PaneText(bar, 2) == pointerText(); }, 2000))
        << "pane has " << PaneText(bar, 2).size() << " characters";
  }
  EXPECT_EQ(PaneText(bar, 1), Wide(" 运行/停止 F11"));
}

TEST_F(MainWindowTest, SetStatusPaneTextChangesOnlyPanesThatExist) {
  HWND bar = Control(kStatusBar);
  struct Case {
    const char* name;
    int pane;
    bool changes;
  };
  const Case cases[] = {{"first", 0, true}, {"last", 2, true}, {"below range", -1, false},
                        {"one past the end", 3, false}, {"far beyond", 1000, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring before[3] = {PaneText(bar, 0), PaneText(bar, 1), PaneText(bar, 2)};
    const std::vector<Text> storedBefore = window_->PaneTexts(kStatusBar);
    SetStatusPaneText(c.pane, "新文本 x");
    for (int pane = 0; pane < 3; ++pane) {
      const bool target = c.changes && pane == c.pane;
      EXPECT_EQ(PaneText(bar, pane), target ? Wide("新文本 x") : before[pane]) << pane;
      EXPECT_EQ(window_->PaneTexts(kStatusBar)[pane], target ? Text("新文本 x") : storedBefore[pane]) << pane;
    }
  }
  SetStatusPaneText(1);  // no text: the empty text
  EXPECT_EQ(PaneText(bar, 1), L"");
}

TEST_F(MainWindowTest, StatusPaneOfAClosedWindowIsTheFatalStop) {
  DestroyWindow(main_);
  ASSERT_EQ(MainWindow(), nullptr);
  try {
    SetStatusPaneText(2, "x");
    FAIL() << "no fatal stop";
  } catch (const testing::FatalStop& stop) {
    EXPECT_EQ(Text(stop.what()), Text("指定窗口或窗口组件不存在或尚未载入"));
    EXPECT_EQ(stop.code, 0);
  }
}

TEST_F(MainWindowTest, MenuBarHoldsItsItemsAndRunShowsF11) {
  HMENU bar = GetMenu(main_);
  ASSERT_NE(bar, nullptr);
  struct Expected {
    const char* title;
    std::vector<const char*> items;
  };
  const Expected expected[] = {{"程序", {"新建", "打开", "保存"}}, {"调试", {"运行\tF11"}}, {"关于", {"帮助"}}};
  ASSERT_EQ(GetMenuItemCount(bar), 3);
  auto textOf = [](HMENU menu, int pos) {
    wchar_t text[64] = {};
    GetMenuStringW(menu, pos, text, 64, MF_BYPOSITION);
    return std::wstring(text);
  };
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(expected[i].title);
    EXPECT_EQ(textOf(bar, i), Wide(expected[i].title));
    HMENU dropDown = GetSubMenu(bar, i);
    ASSERT_NE(dropDown, nullptr);
    ASSERT_EQ(GetMenuItemCount(dropDown), static_cast<int>(expected[i].items.size()));
    for (size_t j = 0; j < expected[i].items.size(); ++j) {
      EXPECT_EQ(textOf(dropDown, static_cast<int>(j)), Wide(expected[i].items[j]));
      const UINT state = GetMenuState(dropDown, static_cast<UINT>(j), MF_BYPOSITION);
      EXPECT_EQ(state & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_SEPARATOR), 0u);
    }
  }
}

// F11 through the accelerator, the "运行" command and the label's
// notification all reach the runner: a faulty script makes it write its
// diagnostics instead of running.
TEST_F(MainWindowTest, F11MenuAndLabelNotificationReachTheRunner) {
  struct Case {
    const char* name;
    std::function<void(MainWindowTest&)> trigger;
  };
  const Case cases[] = {
      {"F11 key in the editor", [](MainWindowTest& t) { t.PressKey(t.Control(kEditor), VK_F11); }},
      {"F11 key in the log box", [](MainWindowTest& t) { t.PressKey(t.Control(kLogBox), VK_F11); }},
      {"menu command", [](MainWindowTest& t) { SendMessageW(t.main_, WM_COMMAND, kCmdRun, 0); }},
      {"label notification", [](MainWindowTest& t) { SendMessageW(t.Control(kLabel1), WM_LABEL_NOTIFY, 1, 0); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetEditorText("Q|1|2\r\n");
    SetWindowTextW(Control(kLogBox), L"");
    c.trigger(*this);
    PumpFor(50);
    const std::wstring log = TextOf(Control(kLogBox));
    EXPECT_NE(log.find(Wide("代码错误！")), std::wstring::npos) << log.size();
    EXPECT_NE(log.find(Wide("代码中有错误，已停止运行！")), std::wstring::npos);
  }
}

// The run goes on inside the command's handler; the window closes inside
// the run's wait. The run must end without touching the closed window's
// controls (that would be the fatal stop) and the handler must return.
TEST_F(MainWindowTest, ClosingTheWindowDuringARunEndsTheRun) {
  struct Case {
    const char* name;
    UINT closeMessage;
  };
  for (const Case& c : {Case{"WM_CLOSE", WM_CLOSE}, Case{"Esc", WM_KEYDOWN}}) {
    SCOPED_TRACE(c.name);
    if (!MainWindow()) SetUp();
    SetEditorText("T|30\r\n");
    SetWindowTextW(Control(kLogBox), L"");
    const HWND target = c.closeMessage == WM_CLOSE ? main_ : Control(kEditor);
    PostMessageW(target, c.closeMessage, c.closeMessage == WM_CLOSE ? 0 : VK_ESCAPE, 0);
    EXPECT_NO_THROW(SendMessageW(main_, WM_COMMAND, kCmdRun, 0));
    EXPECT_EQ(MainWindow(), nullptr);
    EXPECT_FALSE(IsWindow(main_));
  }
}

TEST_F(MainWindowTest, TabSwitchesBetweenTheEditBoxesAndEnterOnlyBreaksLinesInTheEditor) {
  struct Case {
    const char* name;
    int focus;
    WPARAM key;
    bool shift;
    int expectedFocus;
    bool editorChanges;
  };
  const Case cases[] = {
      {"Tab from editor", kEditor, VK_TAB, false, kLogBox, false},
      {"Tab from log box", kLogBox, VK_TAB, false, kEditor, false},
      {"Shift+Tab from editor", kEditor, VK_TAB, true, kLogBox, false},
      {"Shift+Tab from log box", kLogBox, VK_TAB, true, kEditor, false},
      {"Enter in editor", kEditor, VK_RETURN, false, kEditor, true},
      {"Enter in log box", kLogBox, VK_RETURN, false, kLogBox, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetEditorText("abc");
    const std::wstring logBefore = TextOf(Control(kLogBox));
    SetFocus(Control(c.focus));
    ASSERT_EQ(GetFocus(), Control(c.focus));
    {
      testing::HeldModifiers held(c.shift, false);
      PressKey(Control(c.focus), c.key);
    }
    EXPECT_EQ(GetFocus(), Control(c.expectedFocus));
    EXPECT_EQ(TextOf(Control(kEditor)) != L"abc", c.editorChanges) << TextOf(Control(kEditor)).size();
    EXPECT_EQ(TextOf(Control(kEditor)).find(L'\t'), std::wstring::npos);
    EXPECT_EQ(TextOf(Control(kLogBox)), logBefore);
  }
}

TEST_F(MainWindowTest, EscapeClosesOnlyWithoutModifiers) {
  struct Case {
    const char* name;
    bool shift, ctrl;
    bool closes;
  };
  const Case cases[] = {{"Shift+Esc", true, false, false}, {"Ctrl+Esc", false, true, false}, {"Esc", false, false, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_NE(MainWindow(), nullptr);
    {
      testing::HeldModifiers held(c.shift, c.ctrl);
      PressKey(Control(kEditor), VK_ESCAPE);
    }
    EXPECT_EQ(MainWindow() == nullptr, c.closes);
    EXPECT_EQ(IsWindow(main_) == FALSE, c.closes);
  }
}

TEST_F(MainWindowTest, FocusComesBackToTheControlThatHadIt) {
  SetFocus(Control(kLogBox));
  SendMessageW(main_, WM_ACTIVATE, WA_INACTIVE, 0);
  SetFocus(nullptr);
  SendMessageW(main_, WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_EQ(GetFocus(), Control(kLogBox));
}

TEST_F(MainWindowTest, ResizingKeepsTheLogBoxHeightAndTheEditorFillingTheRest) {
  struct Case {
    int width, height;
  };
  RECT startClient;
  GetClientRect(main_, &startClient);
  for (const Case& c : {Case{900, 700}, Case{1200, 560}, Case{500, 400}, Case{666, 567}}) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
    SetWindowPos(main_, nullptr, 0, 0, c.width, c.height, SWP_NOMOVE | SWP_NOZORDER);
    RECT client;
    GetClientRect(main_, &client);
    const Box bar = ChildBox(Control(kStatusBar));
    const Box editor = ChildBox(Control(kEditor));
    const Box log = ChildBox(Control(kLogBox));
    EXPECT_EQ(bar.left, 0);
    EXPECT_EQ(bar.width, client.right);
    EXPECT_EQ(bar.top + bar.height, client.bottom);
    EXPECT_EQ(log.height, 62);
    EXPECT_EQ(log.left, 2);
    EXPECT_EQ(editor.left, 1);
    EXPECT_EQ(editor.top, 0);
    // The space the start layout leaves stays the same at every size.
    EXPECT_EQ(client.right - (editor.left + editor.width), startClient.right - 658);
    EXPECT_EQ(log.left + log.width, editor.left + editor.width);
    EXPECT_EQ(log.top - (editor.top + editor.height), 2);
    EXPECT_EQ(bar.top - (log.top + log.height), (startClient.bottom - bar.height) - 496);
    if (c.width == 666 && c.height == 567) {
      EXPECT_EQ(editor, (Box{1, 0, 657, 432}));
      EXPECT_EQ(log, (Box{2, 434, 656, 62}));
    }
  }
}

}  // namespace
}  // namespace quorvane::ui

namespace quorvane::ui {
namespace {

TEST(MainWindowHotkeyTest, LogSaysSoWhenF11IsTakenAndStaysEmptyOtherwise) {
  struct Case {
    const char* name;
    bool takenElsewhere;
    const char* expectedLog;
  };
  const Case cases[] = {
      {"F11 free", false, ""},
      {"F11 taken", true, "F11 热键注册失败，可能已被其他程序占用，请使用菜单“调试 → 运行”。\r\n"},
  };
  testing::StartedProgram();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HWND other = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    if (c.takenElsewhere) {
      ASSERT_TRUE(RegisterHotKey(other, 1, 0, VK_F11));
    }
    Program::Instance().OpenMainWindow(MainWindowDescription());
    ASSERT_NE(MainWindow(), nullptr);
    EXPECT_EQ(TextOf(MainWindow()->Control(kLogBox)), Wide(c.expectedLog));
    DestroyWindow(MainWindow()->Handle());
    DestroyWindow(other);
    PumpFor(20);
  }
}

}  // namespace
}  // namespace quorvane::ui
