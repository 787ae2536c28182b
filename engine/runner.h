#pragma once
// Performs a checked script on the desktop, over and over, until stopped.
//
// A run is not a thread: it proceeds inside the handler that started it, and
// its waits dispatch messages, so the F11 handler, the menus and the closing
// of the window all run nested inside it.
#include <functional>
#include <set>
#include <vector>

#include "desktop/desktop.h"
#include "engine/script.h"

namespace quorvane {

enum class RunState { kIdle, kRunning };

void PerformAction(Desktop& desktop, const Action& action, const std::function<bool()>& stop = {});

class Runner {
 public:
  // editor and logBox are controls of the main window; they are touched only
  // while that window is open.
  Runner(Desktop& desktop, WindowId editor, WindowId logBox);

  // F11 and the run command: starts a run when idle (returning only when the
  // run has ended), asks the run to stop when one is under way.
  void ToggleRun();

  // The main window is being destroyed: stop, and never touch its controls again.
  void WindowClosed();

  // Called when the run holds modifier keys down, with the modifier code of
  // the whole held set (as RegisterGlobalHotkey takes it: 1 Ctrl, 2 Shift,
  // 4 Alt, and 8 plus the mapped MOD_* bits when a Windows key is held).
  // While a script holds Shift, the system reports F11 as Shift+F11, which the
  // plain F11 hotkey does not match; the handler registers that combination
  // too, so that F11 still stops the run.
  void SetModifiersHeldHandler(std::function<void(int modifiers)> handler);

  RunState State() const;

 private:
  void Run(const std::vector<Action>& actions);
  Desktop& desktop_;
  WindowId editor_;
  WindowId logBox_;
  RunState state_ = RunState::kIdle;
  bool stopRequested_ = false;
  bool windowClosed_ = false;
  std::set<int> heldKeys_;  // pressed by the run and not yet released
  std::function<void(int)> modifiersHeld_;
};

}  // namespace quorvane
