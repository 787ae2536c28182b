#include "engine/runner.h"

#include "desktop/input.h"
#include "desktop/screen.h"
#include "engine/checker.h"

namespace quorvane {
namespace {
constexpr std::string_view kRunning = "代码运行中...\r\n";
constexpr std::string_view kFinished = "代码运行完毕！\r\n";

// A script without waits looks at the message queue after this many actions.
// A look costs about as much as a click (both go through the window system),
// and a few actions take well under a millisecond, so F11, the menus and the
// timer are still handled at once.
constexpr int kActionsPerPump = 8;

// The modifier code of the held keys, in the form RegisterGlobalHotkey takes.
int HeldModifierCode(const std::set<int>& held) {
  int code = 0;
  bool windowsKey = false;
  for (int vk : held) {
    if (vk == 17 || vk == 162 || vk == 163) code |= 1;  // Ctrl, left and right
    if (vk == 16 || vk == 160 || vk == 161) code |= 2;  // Shift
    if (vk == 18 || vk == 164 || vk == 165) code |= 4;  // Alt
    if (vk == 91 || vk == 92) windowsKey = true;
  }
  // Codes above 7 reach RegisterHotKey unchanged, so a Windows key (MOD_WIN,
  // 8) goes with the already mapped bits of the others.
  return windowsKey ? 8 | static_cast<int>(MapHotkeyModifiers(code)) : code;
}
}  // namespace

void PerformAction(Desktop& desktop, const Action& action, const std::function<bool()>& stop) {
  if (const auto* mouse = std::get_if<MouseAction>(&action)) {
    ClickAt(desktop, mouse->x, mouse->y, mouse->kind);
  } else if (const auto* key = std::get_if<KeyAction>(&action)) {
    switch (key->kind) {
      case 1: KeyDown(desktop, key->vk); break;
      case 2: KeyUp(desktop, key->vk); break;
      default: KeyTap(desktop, key->vk); break;
    }
  } else {
    const auto& delay = std::get<DelayAction>(action);
    const int ms = delay.low == delay.high ? delay.low : RandomInt(delay.low, delay.high);
    PumpingWait(desktop, ms, stop);
  }
}

Runner::Runner(Desktop& desktop, WindowId editor, WindowId logBox)
    : desktop_(desktop), editor_(editor), logBox_(logBox) {}

RunState Runner::State() const { return state_; }

void Runner::ToggleRun() {
  if (state_ == RunState::kRunning) {
    // Nested inside the run's own wait or pump: the run sees it at once.
    stopRequested_ = true;
    return;
  }
  if (windowClosed_) return;
  // Every start checks the editor as it is now and begins at the first action.
  const Text script = desktop_.GetWindowText(editor_);
  std::optional<std::vector<Action>> actions = CheckScript(desktop_, logBox_, script);
  if (!actions) return;
  AppendToEditBox(desktop_, logBox_, {kRunning});
  Run(*actions);
}

void Runner::SetModifiersHeldHandler(std::function<void(int modifiers)> handler) {
  modifiersHeld_ = std::move(handler);
}

void Runner::WindowClosed() {
  windowClosed_ = true;
  stopRequested_ = true;
}

void Runner::Run(const std::vector<Action>& actions) {
  state_ = RunState::kRunning;
  stopRequested_ = false;
  const std::function<bool()> stop = [this] { return stopRequested_ || windowClosed_; };
  int sincePump = 0;
  for (std::size_t next = 0; !stop(); next = (next + 1) % actions.size()) {
    const Action& action = actions[next];
    PerformAction(desktop_, action, stop);
    if (const auto* key = std::get_if<KeyAction>(&action)) {
      if (key->kind == 1) {
        heldKeys_.insert(key->vk);
        const int modifiers = HeldModifierCode(heldKeys_);
        if (modifiers != 0 && modifiersHeld_) modifiersHeld_(modifiers);
      }
      if (key->kind == 2) heldKeys_.erase(key->vk);
    }
    // Between actions, let F11, the menus, the timer and closing the window
    // through, so that a script without waits can still be stopped.
    if (++sincePump >= kActionsPerPump && !stop()) {
      desktop_.ProcessPendingEvents();
      sincePump = 0;
    }
  }
  // Never leave a key held down on the user's desktop.
  for (int vk : heldKeys_) KeyUp(desktop_, vk);
  heldKeys_.clear();
  state_ = RunState::kIdle;
  if (!windowClosed_) AppendToEditBox(desktop_, logBox_, {kFinished});
}

}  // namespace quorvane
