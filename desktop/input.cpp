#include "desktop/input.h"

#include "desktop/external.h"

namespace quorvane {
namespace {

constexpr std::uint32_t kFirstHotkeyId = 33001;

void SendKeyEvent(Desktop& desktop, int vk, std::uint32_t flags) {
  const FunctionAddress keybdEvent = ResolveExternalFunction(desktop, kKeybdEventEntry);
  // keybd_event takes a byte: only the low 8 bits of the key code count.
  desktop.CallKeybdEvent(keybdEvent, static_cast<std::uint8_t>(vk & 0xFF), 0, flags, 0);
}

}  // namespace

void ClickAt(Desktop& desktop, int x, int y, int kind) {
  std::uint32_t down = win::kMouseLeftDown, up = win::kMouseLeftUp;
  int clicks = 1;
  switch (kind) {
    case 1:
      clicks = 2;
      break;
    case 2:
      down = win::kMouseRightDown;
      up = win::kMouseRightUp;
      break;
    case 3:
      down = win::kMouseRightDown;
      up = win::kMouseRightUp;
      clicks = 2;
      break;
    default:
      break;
  }
  // Its result is not looked at: a pointer that cannot be moved still clicks
  // where it is.
  desktop.SetCursorPos(x, y);
  // The button events follow at once, so that two clicks make a double click.
  for (int i = 0; i < clicks; ++i) {
    desktop.MouseEvent(down, x, y, 0, 0);
    desktop.MouseEvent(up, x, y, 0, 0);
  }
}

void KeyDown(Desktop& desktop, int vk) { SendKeyEvent(desktop, vk, 0); }

void KeyUp(Desktop& desktop, int vk) { SendKeyEvent(desktop, vk, win::kKeyEventKeyUp); }

void KeyTap(Desktop& desktop, int vk) {
  KeyDown(desktop, vk);
  KeyUp(desktop, vk);
}

void PumpingWait(Desktop& desktop, int ms, const std::function<bool()>& stop) {
  if (ms <= 0) return;
  const std::uint32_t start = desktop.GetTickCount();
  const std::uint32_t length = static_cast<std::uint32_t>(ms);
  for (;;) {
    desktop.ProcessPendingEvents();
    if (stop && stop()) return;
    // Unsigned difference: a wait across the clock's wrap to 0 still lasts.
    const std::uint32_t elapsed = desktop.GetTickCount() - start;
    if (elapsed > length) return;
    // Sleep until something can be dispatched or the first moment that ends
    // the wait, instead of polling the clock.
    desktop.WaitForMessage(length - elapsed + 1);
  }
}

HotkeyRegistry& TheHotkeyRegistry() {
  static HotkeyRegistry registry;
  return registry;
}

std::uint32_t MapHotkeyModifiers(int modifiers) {
  // 1 Ctrl, 2 Shift, 4 Alt -> MOD_CONTROL 2, MOD_SHIFT 4, MOD_ALT 1. Values
  // outside 0..7 pass unchanged, and so does 7 (all three either way).
  if (modifiers < 0 || modifiers > 7) return static_cast<std::uint32_t>(modifiers);
  std::uint32_t bits = 0;
  if (modifiers & 1) bits |= win::kModControl;
  if (modifiers & 2) bits |= win::kModShift;
  if (modifiers & 4) bits |= win::kModAlt;
  return bits;
}

std::uint32_t RegisterGlobalHotkey(Desktop& desktop, WindowId owner, WindowId target, int modifiers, int vk) {
  HotkeyRegistry& registry = TheHotkeyRegistry();
  registry.targetWindow = target;
  const std::uint32_t mapped = MapHotkeyModifiers(modifiers);
  // Only the first owner is subclassed; later registrations share it.
  if (registry.savedWindowProc == 0) registry.savedWindowProc = desktop.SetWindowProc(owner, desktop.HotkeyProc());
  // The id is used up even when the registration fails.
  registry.callCount += 1;
  registry.lastId = kFirstHotkeyId - 1 + static_cast<std::uint32_t>(registry.callCount);
  const bool registered = desktop.RegisterHotKey(owner, static_cast<int>(registry.lastId), mapped,
                                                 static_cast<std::uint32_t>(vk));
  return registered ? registry.lastId : 0;
}

std::intptr_t HotkeyWindowProc(Desktop& desktop, WindowId window, std::uint32_t msg, std::uintptr_t wParam,
                               std::intptr_t lParam) {
  const HotkeyRegistry& registry = TheHotkeyRegistry();
  if (msg == win::kWmHotkey && wParam >= kFirstHotkeyId && wParam <= registry.lastId)
    desktop.SendMessage(registry.targetWindow, WM_LABEL_NOTIFY, wParam, 0);
  // The owner's own procedure sees every message, WM_HOTKEY included, after
  // the target has handled it.
  return desktop.CallWindowProc(registry.savedWindowProc, window, msg, wParam, lParam);
}

}  // namespace quorvane
