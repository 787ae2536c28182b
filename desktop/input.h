#pragma once
// The program's hand on the desktop: clicks, key events, the message-pumping
// wait and the global hotkey.
#include <cstdint>
#include <functional>

#include "desktop/desktop.h"

namespace quorvane {

// Click kinds: 1 left double, 2 right, 3 right double; anything else a left click.
void ClickAt(Desktop& desktop, int x, int y, int kind = 0);

// Key events go through the external function table (keybd_event is bound
// on first use).
void KeyDown(Desktop& desktop, int vk);
void KeyUp(Desktop& desktop, int vk);
void KeyTap(Desktop& desktop, int vk);

// Waits ms milliseconds while dispatching every queued message (nested
// handlers run inside it). ms <= 0 returns at once. WM_QUIT stays queued.
// Between clock checks it sleeps until a message arrives or the time is up.
// When stop is given and becomes true, the wait ends at once.
void PumpingWait(Desktop& desktop, int ms, const std::function<bool()>& stop = {});

// --- Global hotkey ---

struct HotkeyRegistry {
  std::int32_t callCount = 0;
  std::uint32_t lastId = 0;
  WindowId targetWindow = 0;
  ProcId savedWindowProc = 0;
};

// The process-wide registry.
HotkeyRegistry& TheHotkeyRegistry();

// modifiers: sum of 1 Ctrl, 2 Shift, 4 Alt. Returns the id (33001 on), or 0.
std::uint32_t RegisterGlobalHotkey(Desktop& desktop, WindowId owner, WindowId target, int modifiers,
                                   int vk);

// Maps the 1/2/4 modifier code to the MOD_* bits RegisterHotKey takes.
std::uint32_t MapHotkeyModifiers(int modifiers);

// Put in front of the owner's procedure: forwards WM_HOTKEY with one of our
// ids to the target as WM_LABEL_NOTIFY, then passes every message on.
std::intptr_t HotkeyWindowProc(Desktop& desktop, WindowId window, std::uint32_t msg,
                               std::uintptr_t wParam, std::intptr_t lParam);

}  // namespace quorvane
