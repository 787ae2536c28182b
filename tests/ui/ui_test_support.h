#pragma once
// Shared helpers of the window tests: one started program per test process,
// message pumping with a deadline, and readers for window state.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <stdexcept>
#include <string>

#include "desktop/fatal.h"
#include "desktop/win32/codepage.h"
#include "ui/frame.h"
#include "ui/main_window.h"

namespace quorvane::ui::testing {

// A fatal stop inside a test throws, so that the test can see it.
struct FatalStop : std::runtime_error {
  FatalStop(const Text& message, int code) : std::runtime_error(message), code(code) {}
  int code;
};
inline void ThrowingFatalHandler(const Text& message, int code) { throw FatalStop(message, code); }

// The current folder right after start-up; the process was started from
// another folder, the way a shortcut may start it.
inline std::wstring& FolderAfterStart() {
  static std::wstring folder;
  return folder;
}

inline Program& StartedProgram() {
  static const bool started = [] {
    wchar_t elsewhere[MAX_PATH];
    GetTempPathW(MAX_PATH, elsewhere);
    SetCurrentDirectoryW(elsewhere);
    Program::Instance().Start(GetModuleHandleW(nullptr));
    wchar_t current[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, current);
    FolderAfterStart() = current;
    SetFatalHandler(ThrowingFatalHandler);
    return true;
  }();
  (void)started;
  return Program::Instance();
}

// Dispatches messages until done() or the deadline.
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 3000) {
  const DWORD start = GetTickCount();
  for (;;) {
    StartedProgram().ProcessPendingEvents();
    if (done()) return true;
    if (GetTickCount() - start > timeoutMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}
inline void PumpFor(DWORD ms) {
  PumpUntil([] { return false; }, ms);
}

inline std::wstring TextOf(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}
inline std::wstring Wide(const Text& gbk) { return GbkToWide(gbk); }

// The texts of a dialog's static controls, joined: what a message box says.
inline BOOL CALLBACK CollectStaticText(HWND child, LPARAM out) {
  wchar_t cls[32];
  GetClassNameW(child, cls, 32);
  if (_wcsicmp(cls, L"Static") == 0) *reinterpret_cast<std::wstring*>(out) += TextOf(child);
  return TRUE;
}
inline std::wstring StaticTexts(HWND box) {
  std::wstring texts;
  EnumChildWindows(box, CollectStaticText, reinterpret_cast<LPARAM>(&texts));
  return texts;
}

// Clicks a dialog's button as the user would, without waiting for it.
inline void Press(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

inline std::wstring PaneText(HWND bar, int pane) {
  const auto length = LOWORD(SendMessageW(bar, SB_GETTEXTLENGTHW, pane, 0));
  std::wstring text(length + 1u, L'\0');
  SendMessageW(bar, SB_GETTEXTW, pane, reinterpret_cast<LPARAM>(text.data()));
  text.resize(length);
  return text;
}

// left, top, width, height in the parent's client area.
struct Box {
  long left, top, width, height;
  bool operator==(const Box&) const = default;
};
inline Box ChildBox(HWND child) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}
inline std::ostream& operator<<(std::ostream& out, const Box& b) {
  return out << "{" << b.left << "," << b.top << " " << b.width << "x" << b.height << "}";
}

// Holds the thread's Shift/Ctrl state for the keyboard rules to read.
class HeldModifiers {
 public:
  HeldModifiers(bool shift, bool ctrl) {
    GetKeyboardState(saved_);
    BYTE state[256];
    GetKeyboardState(state);
    state[VK_SHIFT] = state[VK_LSHIFT] = shift ? 0x80 : 0;
    state[VK_CONTROL] = state[VK_LCONTROL] = ctrl ? 0x80 : 0;
    state[VK_MENU] = state[VK_LMENU] = 0;
    SetKeyboardState(state);
  }
  ~HeldModifiers() { SetKeyboardState(saved_); }

 private:
  BYTE saved_[256];
};

// The main window, opened fresh for each test and closed afterwards
// without asking about the script.
class MainWindowFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    StartedProgram().OpenMainWindow(MainWindowDescription());
    window_ = MainWindow();
    ASSERT_NE(window_, nullptr);
    main_ = window_->Handle();
    SetForegroundWindow(main_);
  }
  void TearDown() override {
    if (MainWindow()) {
      MarkScriptSaved();
      DestroyWindow(MainWindow()->Handle());
    }
    PumpFor(30);
  }

 public:  // the tables of cases reach these
  HWND Control(int index) const { return window_->Control(index); }
  // Posts a key press as the keyboard would, and lets it run.
  void PressKey(HWND target, WPARAM vk) {
    PostMessageW(target, WM_KEYDOWN, vk, 1);
    PostMessageW(target, WM_KEYUP, vk, 0xC0000001);
    PumpFor(60);
  }

  LiveWindow* window_ = nullptr;
  HWND main_ = nullptr;
};

}  // namespace quorvane::ui::testing
