#pragma once
// The frame every window runs in: start-up, the one message loop, window
// building from descriptions, event delivery, closing and the end sequence.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "desktop/text.h"
#include "desktop/win32/win32_desktop.h"
#include "ui/window_description.h"

namespace quorvane::ui {

template <typename Handle, auto Release>
struct HandleDeleter {
  using pointer = Handle;
  void operator()(Handle h) const {
    if (h) Release(h);
  }
};
inline void DeleteGdiObject(HGDIOBJ object) { DeleteObject(object); }
using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, HandleDeleter<HFONT, DeleteGdiObject>>;
using UniqueBrush = std::unique_ptr<std::remove_pointer_t<HBRUSH>, HandleDeleter<HBRUSH, DeleteGdiObject>>;
using UniqueMenu = std::unique_ptr<std::remove_pointer_t<HMENU>, HandleDeleter<HMENU, DestroyMenu>>;
using UniqueAccel =
    std::unique_ptr<std::remove_pointer_t<HACCEL>, HandleDeleter<HACCEL, DestroyAcceleratorTable>>;

// An open program window: its native window, its controls and what it owns.
// It exists from building to WM_NCDESTROY; the description outlives it.
class LiveWindow {
 public:
  explicit LiveWindow(const WindowDescription& description) : description_(description) {}

  const WindowDescription& Description() const { return description_; }
  HWND Handle() const { return hwnd_; }
  // The control's native window (0 for a timer or a file dialog); controls
  // are owned by the window, so these are plain handles.
  HWND Control(int index) const { return controls_[index].hwnd; }
  int ControlIndex(HWND control) const;
  int ControlIndexByName(const char* name) const;

  // The status bar's pane table: pane texts as last set.
  const std::vector<Text>& PaneTexts(int index) const { return controls_[index].paneTexts; }

 private:
  friend class Program;
  struct LiveControl {
    HWND hwnd = nullptr;  // owned by the window: destroyed with it
    UniqueFont font;
    UniqueBrush brush;
    UINT_PTR timerId = 0;
    std::vector<Text> paneTexts;
  };
  const WindowDescription& description_;
  HWND hwnd_ = nullptr;
  std::vector<LiveControl> controls_;
  UniqueMenu menu_;
  UniqueAccel accelerators_;
  HWND lastFocus_ = nullptr;
  std::vector<std::pair<HWND, bool>> disabledByModal_;  // window, was enabled
};

// The process-wide program: one per process.
class Program {
 public:
  static Program& Instance();

  // Start-up up to the main window: DLL search, OLE, current folder, hidden
  // owner, fatal handler, floating-point state. Safe to call once.
  void Start(HINSTANCE instance);
  // Builds and shows a window; a main window that cannot be built is fatal.
  void OpenMainWindow(const WindowDescription& description);
  // Runs the one message loop until WM_QUIT; gives its exit code.
  int RunMessageLoop();
  // The end sequence, once; then the process may end.
  void EndSequence();
  [[noreturn]] void EndProgram(int exitCode);

  // Opens a program window (built from its description each time). false
  // when the given owner is not open or the window cannot be built.
  bool LoadWindow(const WindowDescription& description, HWND owner, bool modal);
  // The live window built from this description, or null when not open.
  LiveWindow* OpenWindow(const WindowDescription& description) const;
  bool AnyWindowOpen() const { return !windows_.empty(); }

  // Dispatches every queued message exactly as the main loop does, stopping
  // in front of WM_QUIT.
  void ProcessPendingEvents();

  // Raises an event of a window element; dropped while events are held.
  // Gives the handler's result, true when nothing is bound.
  bool RaiseEvent(LiveWindow& window, ElementKind element, int index, int event);
  void HoldEvents() { ++holdCount_; }
  void ReleaseEvents() {
    if (holdCount_ > 0) --holdCount_;
  }
  int HoldCount() const { return holdCount_; }

  // The status bar pane's text; out-of-range panes change nothing.
  void SetStatusPaneText(LiveWindow& window, int control, int pane, const Text& text);

  // Hands a target to the shell. Verb 1..5: edit, explore, find, open, print.
  void ShellOpen(int verb, const Text& target, const Text& parameters, const Text& folder, int show);

  Win32Desktop& Desktop() { return desktop_; }
  HINSTANCE Module() const { return instance_; }
  HWND HiddenOwner() const { return hiddenOwner_; }
  const std::wstring& ProgramFolder() const { return folder_; }
  bool LoopStarted() const { return loopStarted_; }
  bool Ending() const { return ending_; }

 private:
  Program() = default;
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK LabelProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static void Dispatch(MSG& msg);
  bool PreTranslate(MSG& msg);
  LRESULT HandleMessage(LiveWindow& window, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT OnPaint(LiveWindow& window);
  LRESULT OnControlColour(LiveWindow& window, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT OnCommand(LiveWindow& window, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT OnTimer(LiveWindow& window, WPARAM timerId);
  LRESULT OnSize(LiveWindow& window);
  LRESULT OnQueryEndSession(LiveWindow& window, WPARAM wParam, LPARAM lParam);
  void OnDestroy(LiveWindow& window);
  void OnClose(LiveWindow& window);
  void OnActivate(LiveWindow& window, WPARAM wParam);
  void OnNcDestroy(HWND hwnd);
  bool Build(LiveWindow& window, HWND owner);
  void CreateControl(LiveWindow& window, int index);
  void SetUpStatusBar(LiveWindow& window, int index);
  void RegisterClasses(const WindowDescription& description);
  LiveWindow* FindWindow(HWND hwnd) const;

  Win32Desktop desktop_;
  HINSTANCE instance_ = nullptr;
  DWORD guiThread_ = 0;
  std::wstring folder_;
  std::wstring fileName_;
  bool started_ = false;
  bool oleInitialised_ = false;
  int holdCount_ = 0;
  bool loopStarted_ = false;
  bool ending_ = false;
  bool ended_ = false;
  HWND hiddenOwner_ = nullptr;
  std::vector<std::unique_ptr<LiveWindow>> windows_;
};

// The program folder: the path before its last backslash (empty without
// one), and the file name after it.
void SplitProgramPath(const std::wstring& path, std::wstring& folder, std::wstring& fileName);

// The fatal stop's box text.
Text FatalMessageText(const Text& message, int code);

}  // namespace quorvane::ui
