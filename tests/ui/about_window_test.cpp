// The about and help window: how "帮助" opens it, what it shows, how it
// paints its labels, and how it goes away.
#include "ui/about_window.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <string>
#include <vector>

#include "engine/script.h"
#include "ui/main_window.h"
#include "ui_test_support.h"

namespace quorvane::ui {
namespace {

using testing::Box;
using testing::ChildBox;
using testing::PumpFor;
using testing::TextOf;
using testing::Wide;

BOOL CALLBACK CollectAboutWindow(HWND window, LPARAM out) {
  wchar_t cls[32];
  GetClassNameW(window, cls, 32);
  if (wcscmp(cls, L"QuorvaneAbout") == 0) reinterpret_cast<std::vector<HWND>*>(out)->push_back(window);
  return TRUE;
}

std::vector<HWND> AboutWindows() {
  std::vector<HWND> found;
  EnumThreadWindows(GetCurrentThreadId(), CollectAboutWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

class AboutWindowTest : public testing::MainWindowFixture {
 protected:
  // "帮助", as the menu sends it.
  HWND Help() {
    SendMessageW(main_, WM_COMMAND, MAKEWPARAM(kCmdHelp, 0), 0);
    PumpFor(60);
    LiveWindow* about = Program::Instance().OpenWindow(AboutWindowDescription());
    return about ? about->Handle() : nullptr;
  }
  HWND AboutControl(int index) {
    LiveWindow* about = Program::Instance().OpenWindow(AboutWindowDescription());
    return about ? about->Control(index) : nullptr;
  }
};

TEST_F(AboutWindowTest, OpensCentredWithFixedFrameOwnedByTheMainWindow) {
  HWND about = Help();
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(TextOf(about), Wide("关于"));
  RECT r;
  GetWindowRect(about, &r);
  const Box expected{(GetSystemMetrics(SM_CXSCREEN) - 388) / 2, (GetSystemMetrics(SM_CYSCREEN) - 357) / 2, 388, 357};
  EXPECT_EQ((Box{r.left, r.top, r.right - r.left, r.bottom - r.top}), expected);
  const LONG_PTR style = GetWindowLongPtrW(about, GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN),
            WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0);
  EXPECT_EQ(GetMenu(about), nullptr);
  EXPECT_EQ(GetWindow(about, GW_OWNER), main_);
  EXPECT_TRUE(IsWindowVisible(about));
  EXPECT_EQ(GetFocus(), AboutControl(kAboutKeyCodes));
}

TEST_F(AboutWindowTest, ControlsHaveTheirRectanglesTextsStylesAndStacking) {
  ASSERT_NE(Help(), nullptr);
  struct Case {
    const char* name;
    int index;
    const wchar_t* cls;
    Box box;  // outer rectangle in the client area
    std::wstring text;
    LONG_PTR styleOn, styleOff, exStyleOn;
  };
  const Case cases[] = {
      {"标签1, the product line", kAboutProductLine, L"QuorvaneLabel", {37, 9, 308, 24},
       Wide("Quorvane（键鼠模拟） V2.1 Quorvane 开发组"), WS_CLIPSIBLINGS, WS_TABSTOP, 0},
      {"编辑框1, the key codes", kAboutKeyCodes, L"Edit", {7, 38, 161, 280}, Wide(KeyCodeHelpText()),
       ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP | WS_CLIPSIBLINGS,
       ES_AUTOHSCROLL | WS_HSCROLL, WS_EX_CLIENTEDGE},
      {"标签2, the notice", kAboutNotice, L"QuorvaneLabel", {176, 38, 200, 280},
       Wide(AboutWindowDescription().controls[kAboutNotice].text), WS_CLIPSIBLINGS, WS_TABSTOP, WS_EX_STATICEDGE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HWND control = AboutControl(c.index);
    ASSERT_NE(control, nullptr);
    wchar_t cls[32];
    GetClassNameW(control, cls, 32);
    EXPECT_EQ(_wcsicmp(cls, c.cls), 0) << cls;
    EXPECT_EQ(ChildBox(control), c.box);
    EXPECT_EQ(TextOf(control), c.text);
    const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
    EXPECT_EQ(style & c.styleOn, c.styleOn);
    EXPECT_EQ(style & c.styleOff, 0);
    EXPECT_EQ(GetWindowLongPtrW(control, GWL_EXSTYLE) & c.exStyleOn, c.exStyleOn);
    EXPECT_TRUE(IsWindowVisible(control));
  }
  // Topmost first: the notice, the key codes, the product line.
  HWND top = GetWindow(AboutControl(kAboutKeyCodes), GW_HWNDFIRST);
  EXPECT_EQ(top, AboutControl(kAboutNotice));
  EXPECT_EQ(GetWindow(top, GW_HWNDNEXT), AboutControl(kAboutKeyCodes));
  EXPECT_EQ(GetWindow(AboutControl(kAboutKeyCodes), GW_HWNDNEXT), AboutControl(kAboutProductLine));

  // The notice is a plain description: no phone number, no web address.
  const std::wstring notice = TextOf(AboutControl(kAboutNotice));
  EXPECT_NE(notice.find(L"F11"), std::wstring::npos);
  EXPECT_NE(notice.find(L"MIT"), std::wstring::npos);
  EXPECT_EQ(notice.find(L"http"), std::wstring::npos);
  int longestDigitRun = 0;
  for (int run = 0; wchar_t ch : notice) longestDigitRun = std::max(longestDigitRun, run = iswdigit(ch) ? run + 1 : 0);
  EXPECT_LT(longestDigitRun, 5);
}

TEST_F(AboutWindowTest, KeyCodeBoxStartsAtTheTopAndScrollsOnlyDownward) {
  ASSERT_NE(Help(), nullptr);
  HWND box = AboutControl(kAboutKeyCodes);
  EXPECT_EQ(SendMessageW(box, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
  DWORD start = 1, end = 1;
  SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 0u);
  SendMessageW(box, WM_VSCROLL, SB_BOTTOM, 0);
  EXPECT_GT(SendMessageW(box, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
  // Typing changes nothing: the box is read-only.
  SendMessageW(box, WM_CHAR, L'x', 1);
  EXPECT_EQ(TextOf(box), Wide(KeyCodeHelpText()));
}

TEST_F(AboutWindowTest, ControlsPaintTheirOwnColours) {
  HWND about = Help();
  ASSERT_NE(about, nullptr);
  SetForegroundWindow(about);
  UpdateWindow(about);
  PumpFor(100);
  struct Case {
    const char* name;
    int index;
    COLORREF back, text;
  };
  const Case cases[] = {
      {"标签1", kAboutProductLine, RGB(0, 136, 255), RGB(0, 0, 255)},
      {"编辑框1", kAboutKeyCodes, RGB(255, 255, 0), RGB(0, 0, 255)},
      {"标签2", kAboutNotice, RGB(0, 136, 255), RGB(255, 255, 0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HWND control = AboutControl(c.index);
    RECT client;
    GetClientRect(control, &client);
    HDC dc = GetDC(control);
    const COLORREF corner = GetPixel(dc, 0, 0);
    int background = 0, text = 0, textInTopLine = 0;
    for (int y = 0; y < client.bottom; ++y) {
      for (int x = 0; x < client.right; ++x) {
        const COLORREF pixel = GetPixel(dc, x, y);
        if (pixel == c.back) ++background;
        if (pixel == c.text) ++text, textInTopLine += y < 16;
      }
    }
    ReleaseDC(control, dc);
    EXPECT_EQ(corner, c.back);
    EXPECT_GT(background, client.right * client.bottom / 2);
    EXPECT_GT(text, 20);
    EXPECT_GT(textInTopLine, 0);  // the notice's lines start at the top, not centred
  }
}

TEST_F(AboutWindowTest, EscClosesItAndLeavesTheMainWindowOpen) {
  ASSERT_NE(Help(), nullptr);
  HWND box = AboutControl(kAboutKeyCodes);
  PressKey(box, VK_TAB);  // the only stop: the focus stays
  EXPECT_EQ(GetFocus(), box);
  PressKey(box, VK_RETURN);
  EXPECT_EQ(AboutWindows().size(), 1u);
  PressKey(box, VK_ESCAPE);
  EXPECT_TRUE(AboutWindows().empty());
  EXPECT_EQ(MainWindow() ? MainWindow()->Handle() : nullptr, main_);
  EXPECT_TRUE(IsWindowVisible(main_));
}

TEST_F(AboutWindowTest, HelpAgainBringsTheOpenWindowForward) {
  struct Case {
    const char* name;
    bool minimise;
  };
  const Case cases[] = {{"behind the active main window", false}, {"minimised", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HWND about = Help();
    ASSERT_NE(about, nullptr);
    if (c.minimise) ShowWindow(about, SW_MINIMIZE);
    SetForegroundWindow(main_);
    PumpFor(60);
    ASSERT_NE(GetActiveWindow(), about);
    EXPECT_EQ(Help(), about);
    EXPECT_EQ(AboutWindows(), std::vector<HWND>{about});
    EXPECT_FALSE(IsIconic(about));
    EXPECT_EQ(GetActiveWindow(), about);
    SendMessageW(about, WM_CLOSE, 0, 0);
    PumpFor(30);
  }
}

TEST_F(AboutWindowTest, EachOpeningBuildsItAnew) {
  HWND first = Help();
  ASSERT_NE(first, nullptr);
  SendMessageW(AboutControl(kAboutKeyCodes), WM_VSCROLL, SB_BOTTOM, 0);
  SetWindowPos(first, nullptr, 5, 5, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  SendMessageW(first, WM_CLOSE, 0, 0);
  PumpFor(30);
  ASSERT_TRUE(AboutWindows().empty());
  HWND second = Help();
  ASSERT_NE(second, nullptr);
  RECT r;
  GetWindowRect(second, &r);
  EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - 388) / 2);
  EXPECT_EQ(SendMessageW(AboutControl(kAboutKeyCodes), EM_GETFIRSTVISIBLELINE, 0, 0), 0);
}

TEST_F(AboutWindowTest, ClosesWithTheMainWindow) {
  ASSERT_NE(Help(), nullptr);
  SendMessageW(main_, WM_CLOSE, 0, 0);
  PumpFor(30);
  EXPECT_EQ(MainWindow(), nullptr);
  EXPECT_TRUE(AboutWindows().empty());
  EXPECT_FALSE(Program::Instance().AnyWindowOpen());
}

}  // namespace
}  // namespace quorvane::ui
