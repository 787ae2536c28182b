// The wait, the hotkey forwarding and the edit box on real windows and the
// real message queue.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "desktop/fatal.h"
#include "desktop/input.h"
#include "desktop/screen.h"
#include "desktop/win32/codepage.h"
#include "desktop/win32/win32_desktop.h"

namespace quorvane {
namespace {

struct Seen {
  std::string who;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
  bool operator==(const Seen&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Seen& s) {
  return os << s.who << "(0x" << std::hex << s.msg << std::dec << "," << s.wParam << "," << s.lParam << ")";
}

// Every message of interest that reached a test window, in order, across windows.
std::vector<Seen> g_seen;

bool Interesting(UINT msg) {
  return msg == WM_HOTKEY || msg == WM_LABEL_NOTIFY || msg == WM_TIMER || (msg >= WM_USER && msg < 0x7FFF);
}

constexpr LRESULT kOwnResult = 42;

LRESULT CALLBACK TestWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (Interesting(msg)) {
    wchar_t name[32] = {};
    ::GetWindowTextW(hwnd, name, 32);
    g_seen.push_back({WideToGbk(name), msg, wParam, lParam});
    if (msg == WM_USER + 9 || msg == WM_HOTKEY) return kOwnResult;
    return 0;
  }
  return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

// A hidden top-level window of this thread, named for the record of messages.
class TestWindow {
 public:
  explicit TestWindow(const wchar_t* name) {
    static const ATOM atom = [] {
      WNDCLASSEXW wc{sizeof(wc)};
      wc.lpfnWndProc = TestWindowProc;
      wc.hInstance = ::GetModuleHandleW(nullptr);
      wc.lpszClassName = L"QuorvaneTestWindow";
      return ::RegisterClassExW(&wc);
    }();
    (void)atom;
    hwnd_ = ::CreateWindowExW(0, L"QuorvaneTestWindow", name, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                              nullptr, ::GetModuleHandleW(nullptr), nullptr);
  }
  ~TestWindow() {
    if (::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
  }
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;
  HWND hwnd() const { return hwnd_; }
  WindowId id() const { return reinterpret_cast<WindowId>(hwnd_); }

 private:
  HWND hwnd_ = nullptr;
};

// Takes whatever a test left in this thread's queue, WM_QUIT included.
void DrainQueue() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
}

class Win32MessagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DrainQueue();
    g_seen.clear();
    TheHotkeyRegistry() = {};
  }
  void TearDown() override {
    DrainQueue();
    TheHotkeyRegistry() = {};
  }
  Win32Desktop desktop;
};

TEST_F(Win32MessagesTest, WaitDispatchesPostedMessagesAndTimerTicksForItsWholeTime) {
  TestWindow window(L"w");
  ::PostMessageW(window.hwnd(), WM_USER + 1, 11, 22);
  ::SetTimer(window.hwnd(), 1, 50, nullptr);
  const DWORD start = ::GetTickCount();
  PumpingWait(desktop, 400);
  const DWORD elapsed = ::GetTickCount() - start;
  ::KillTimer(window.hwnd(), 1);

  ASSERT_FALSE(g_seen.empty());
  EXPECT_EQ(g_seen.front(), (Seen{"w", WM_USER + 1, 11, 22}));
  int ticks = 0;
  for (const Seen& s : g_seen) ticks += s.msg == WM_TIMER;
  // A timer of 50 ms keeps ticking while the wait sleeps between messages.
  EXPECT_GE(ticks, 3);
  EXPECT_GT(elapsed, 400u);
  EXPECT_LT(elapsed, 400u + 1000u);
}

TEST_F(Win32MessagesTest, MessagesGoThroughTheDispatchHook) {
  static std::vector<UINT> hooked;
  hooked.clear();
  desktop.SetDispatchHook([](MSG& msg) {
    hooked.push_back(msg.message);
    ::DispatchMessageW(&msg);
  });
  TestWindow window(L"w");
  ::PostMessageW(window.hwnd(), WM_USER + 2, 0, 0);
  PumpingWait(desktop, 50);
  desktop.SetDispatchHook(nullptr);
  EXPECT_NE(std::find(hooked.begin(), hooked.end(), WM_USER + 2), hooked.end());
  EXPECT_EQ(g_seen, (std::vector<Seen>{{"w", WM_USER + 2, 0, 0}}));
}

TEST_F(Win32MessagesTest, QuitStaysQueuedAndNothingBehindItIsDispatched) {
  struct Case {
    const char* name;
    bool quitFromPostQuitMessage;
    std::vector<Seen> dispatched;
  };
  // PostQuitMessage raises WM_QUIT once the posted messages are taken; a
  // posted WM_QUIT stands in its place in the queue.
  const std::vector<Case> cases = {
      {"PostQuitMessage", true, {{"w", WM_USER + 1, 0, 0}, {"w", WM_USER + 2, 0, 0}}},
      {"posted WM_QUIT", false, {{"w", WM_USER + 1, 0, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DrainQueue();
    g_seen.clear();
    TestWindow window(L"w");
    ::PostMessageW(window.hwnd(), WM_USER + 1, 0, 0);
    if (c.quitFromPostQuitMessage) {
      ::PostQuitMessage(7);
    } else {
      ::PostThreadMessageW(::GetCurrentThreadId(), WM_QUIT, 7, 0);
    }
    ::PostMessageW(window.hwnd(), WM_USER + 2, 0, 0);

    const DWORD start = ::GetTickCount();
    PumpingWait(desktop, 300);
    const DWORD elapsed = ::GetTickCount() - start;
    EXPECT_EQ(g_seen, c.dispatched);
    EXPECT_GT(elapsed, 300u);  // the wait ran its full time all the same
    EXPECT_LT(elapsed, 300u + 1000u);

    // WM_QUIT is still there for the main loop.
    MSG msg{};
    bool quitFound = false;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        quitFound = true;
        EXPECT_EQ(msg.wParam, 7u);
        break;
      }
    }
    EXPECT_TRUE(quitFound);
  }
}

TEST_F(Win32MessagesTest, WaitOfNothingDispatchesNothing) {
  TestWindow window(L"w");
  ::PostMessageW(window.hwnd(), WM_USER + 1, 0, 0);
  PumpingWait(desktop, 0);
  PumpingWait(desktop, -5);
  EXPECT_TRUE(g_seen.empty());
}

TEST_F(Win32MessagesTest, HotkeyReachesTheLabelThenTheOwner) {
  TestWindow label(L"label");
  TestWindow owner(L"owner");
  // F11 may be held by another program of the session; forwarding does not
  // depend on the registration succeeding.
  const std::uint32_t id = RegisterGlobalHotkey(desktop, owner.id(), label.id(), 0, VK_F11);
  EXPECT_TRUE(id == 33001u || id == 0u);
  ASSERT_EQ(TheHotkeyRegistry().lastId, 33001u);

  struct Case {
    const char* name;
    WPARAM id;
    std::vector<Seen> expected;
  };
  const LPARAM keys = MAKELPARAM(0, VK_F11);
  const std::vector<Case> cases = {
      {"our id", 33001, {{"label", WM_LABEL_NOTIFY, 33001, 0}, {"owner", WM_HOTKEY, 33001, keys}}},
      {"an id below ours", 5, {{"owner", WM_HOTKEY, 5, keys}}},
      {"an id above the last", 33002, {{"owner", WM_HOTKEY, 33002, keys}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    g_seen.clear();
    ::PostMessageW(owner.hwnd(), WM_HOTKEY, c.id, keys);
    PumpingWait(desktop, 30);
    EXPECT_EQ(g_seen, c.expected);
  }
  // The owner's own procedure still answers for itself.
  EXPECT_EQ(::SendMessageW(owner.hwnd(), WM_USER + 9, 0, 0), kOwnResult);
  // And the window stays a Unicode window.
  EXPECT_TRUE(::IsWindowUnicode(owner.hwnd()));
}

TEST_F(Win32MessagesTest, AppendGoesToTheEndOfARealEditControl) {
  struct Case {
    const char* name;
    const wchar_t* initial;
    std::vector<std::string_view> texts;
    const wchar_t* expected;
  };
  const std::vector<Case> cases = {
      {"two texts", L"a", {"x", "y"}, L"axy"},
      {"Chinese lines", L"a", {"代码运行中...\r\n", "代码运行完毕！\r\n"},
       L"a\u4ee3\u7801\u8fd0\u884c\u4e2d...\r\n\u4ee3\u7801\u8fd0\u884c\u5b8c\u6bd5\uff01\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HWND edit = ::CreateWindowExW(0, L"EDIT", c.initial, WS_POPUP | ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL, 0,
                                  0, 200, 60, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(edit, nullptr);
    // The user's own selection in the middle is not where the text goes.
    ::SendMessageW(edit, EM_SETSEL, 0, 1);
    const WindowId box = reinterpret_cast<WindowId>(edit);
    if (c.texts.size() == 2) AppendToEditBox(desktop, box, {c.texts[0], c.texts[1]});

    wchar_t text[256] = {};
    ::GetWindowTextW(edit, text, 256);
    EXPECT_EQ(std::wstring(text), std::wstring(c.expected));
    DWORD selStart = 0, selEnd = 0;
    ::SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&selStart), reinterpret_cast<LPARAM>(&selEnd));
    EXPECT_EQ(selStart, std::wstring(c.expected).size());
    EXPECT_EQ(selEnd, selStart);
    ::DestroyWindow(edit);
  }
}

TEST_F(Win32MessagesTest, AppendScrollsTheNewLinesIntoView) {
  HWND edit = ::CreateWindowExW(0, L"EDIT", L"", WS_POPUP | ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL, 0, 0, 200,
                                60, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(edit, nullptr);
  const WindowId box = reinterpret_cast<WindowId>(edit);
  for (int i = 0; i < 50; ++i) AppendToEditBox(desktop, box, {"第", std::to_string(i), "行\r\n"});
  EXPECT_EQ(::SendMessageW(edit, EM_GETLINECOUNT, 0, 0), 51);
  // The box shows its last lines, not its first.
  EXPECT_GT(::SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0), 40);
  ::DestroyWindow(edit);
}

void ThrowingFatal(const Text& message, int) { throw std::runtime_error(message); }

TEST_F(Win32MessagesTest, DestroyedEditControlIsTheFatalStop) {
  HWND edit = ::CreateWindowExW(0, L"EDIT", L"", WS_POPUP | ES_MULTILINE, 0, 0, 10, 10, nullptr, nullptr,
                                ::GetModuleHandleW(nullptr), nullptr);
  ::DestroyWindow(edit);
  const FatalHandler previous = SetFatalHandler(ThrowingFatal);
  std::string message;
  try {
    AppendToEditBox(desktop, reinterpret_cast<WindowId>(edit), {"x"});
  } catch (const std::runtime_error& e) {
    message = e.what();
  }
  SetFatalHandler(previous);
  EXPECT_EQ(message, MessageNoLiveControl());
}

TEST_F(Win32MessagesTest, PointerPositionAndScreenSize) {
  desktop.SetCursorPos(123, 234);
  EXPECT_EQ(CursorX(desktop), 123);
  EXPECT_EQ(CursorY(desktop), 234);
  const ScreenRect all = VirtualScreen(desktop);
  EXPECT_GT(ScreenWidth(desktop), 0);
  EXPECT_GT(ScreenHeight(desktop), 0);
  // Every monitor together holds the primary one.
  EXPECT_LE(all.left, 0);
  EXPECT_LE(all.top, 0);
  EXPECT_GE(all.left + all.width, ScreenWidth(desktop));
  EXPECT_GE(all.top + all.height, ScreenHeight(desktop));
}

}  // namespace
}  // namespace quorvane
