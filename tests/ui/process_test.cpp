// Whole processes: the exit code after the last window closes, and after the
// fatal stop, whose box is answered here so that it never blocks.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "desktop/win32/codepage.h"
#include "ui/frame.h"

namespace quorvane::ui {
namespace {

// The build hands over host paths; Wine's Z: drive is the host's root.
std::wstring WindowsPath(const char* hostPath) {
  std::wstring path = L"Z:";
  for (const char* p = hostPath; *p; ++p) path += *p == '/' ? L'\\' : static_cast<wchar_t>(*p);
  return path;
}

struct Found {
  DWORD pid;
  const wchar_t* cls;
  HWND window = nullptr;
};

BOOL CALLBACK MatchProcessWindow(HWND window, LPARAM param) {
  auto& f = *reinterpret_cast<Found*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  wchar_t name[64];
  GetClassNameW(window, name, 64);
  if (owner != f.pid || wcscmp(name, f.cls) != 0 || !IsWindowVisible(window)) return TRUE;
  f.window = window;
  return FALSE;
}

HWND FindProcessWindow(DWORD pid, const wchar_t* cls, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  do {
    Found found{pid, cls};
    EnumWindows(MatchProcessWindow, reinterpret_cast<LPARAM>(&found));
    if (found.window) return found.window;
    Sleep(100);
  } while (GetTickCount() - start < timeoutMs);
  return nullptr;
}

std::wstring TextOf(HWND window) {
  wchar_t text[512] = {};
  SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, nullptr);
  return text;
}

BOOL CALLBACK CollectStaticText(HWND child, LPARAM out) {
  wchar_t cls[32];
  GetClassNameW(child, cls, 32);
  if (_wcsicmp(cls, L"Static") == 0) *reinterpret_cast<std::wstring*>(out) += TextOf(child);
  return TRUE;
}

std::wstring StaticTexts(HWND box) {
  std::wstring texts;
  EnumChildWindows(box, CollectStaticText, reinterpret_cast<LPARAM>(&texts));
  return texts;
}

class Child {
 public:
  Child(const char* exe, const wchar_t* argument) {
    std::wstring commandLine = L"\"" + WindowsPath(exe) + L"\" " + argument;
    STARTUPINFOW startup{sizeof(startup)};
    // Started from another folder, as through a shortcut.
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    started_ = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, temp, &startup,
                              &info_) != 0;
  }
  ~Child() {
    if (!started_) return;
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 99);
    CloseHandle(info_.hProcess);
    CloseHandle(info_.hThread);
  }
  bool Started() const { return started_; }
  DWORD Pid() const { return info_.dwProcessId; }
  // The exit code, or nothing when the process does not end in time.
  std::optional<DWORD> ExitCode(DWORD timeoutMs) {
    if (WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
  }

 private:
  PROCESS_INFORMATION info_{};
  bool started_ = false;
};

TEST(ProcessTest, ClosingTheMainWindowEndsTheProgramWithExitCodeZero) {
  Child child(QUORVANE_EXE, L"");
  ASSERT_TRUE(child.Started());
  HWND main = FindProcessWindow(child.Pid(), L"QuorvaneMain", 20000);
  ASSERT_NE(main, nullptr);
  PostMessageW(main, WM_CLOSE, 0, 0);
  const auto code = child.ExitCode(20000);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 0u);
}

TEST(ProcessTest, FatalStopShowsItsBoxThenEndsWithExitCodeMinusOne) {
  Child child(UI_CHILD_EXE, L"closed-control");
  ASSERT_TRUE(child.Started());
  HWND box = FindProcessWindow(child.Pid(), L"#32770", 20000);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(TextOf(box), GbkToWide("错误"));
  EXPECT_NE(StaticTexts(box).find(GbkToWide(FatalMessageText("指定窗口或窗口组件不存在或尚未载入", 0))),
            std::wstring::npos);
  EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr);
  // The program waits for the box: nothing ends it before the button.
  EXPECT_FALSE(child.ExitCode(300).has_value());
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  const auto code = child.ExitCode(20000);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, static_cast<DWORD>(-1));
}

}  // namespace
}  // namespace quorvane::ui
