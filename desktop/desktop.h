#pragma once
// The Desktop seam: everything the script engine and the desktop services
// need from the operating system, and nothing more. Win32Desktop
// (desktop/win32) makes each call the Win32 call; SimulatedDesktop (tests/sim)
// answers from a simulated clock, message queue, windows and files and
// records every call in order.
//
// Logic lives above the seam (input.h, screen.h, external.h); an
// implementation only forwards.
#include <cstdint>
#include <optional>

#include "desktop/text.h"

namespace quorvane {

using WindowId = std::uintptr_t;         // a native window handle; 0 is none
using ProcId = std::uintptr_t;           // a window procedure's address
using ModuleId = std::uintptr_t;         // a loaded module; 0 is none
using FunctionAddress = std::uintptr_t;  // an export's address; 0 is none

// The Win32 values the portable logic uses, so that it needs no <windows.h>.
namespace win {
inline constexpr std::uint32_t kWmQuit = 0x0012;
inline constexpr std::uint32_t kWmHotkey = 0x0312;
inline constexpr std::uint32_t kMouseLeftDown = 0x0002;
inline constexpr std::uint32_t kMouseLeftUp = 0x0004;
inline constexpr std::uint32_t kMouseRightDown = 0x0008;
inline constexpr std::uint32_t kMouseRightUp = 0x0010;
inline constexpr std::uint32_t kKeyEventKeyUp = 0x0002;
inline constexpr std::uint32_t kModAlt = 0x0001;
inline constexpr std::uint32_t kModControl = 0x0002;
inline constexpr std::uint32_t kModShift = 0x0004;
inline constexpr int kSmCxScreen = 0;
inline constexpr int kSmCyScreen = 1;
inline constexpr int kSmXVirtualScreen = 76;
inline constexpr int kSmYVirtualScreen = 77;
inline constexpr int kSmCxVirtualScreen = 78;
inline constexpr int kSmCyVirtualScreen = 79;
}  // namespace win

// The private message through which the hotkey service raises a label's
// notification event: wParam the hotkey id, lParam 0.
inline constexpr std::uint32_t WM_LABEL_NOTIFY = 0x8075;

class Desktop {
 public:
  virtual ~Desktop() = default;

  // --- Synthetic input ---
  virtual bool SetCursorPos(int x, int y) = 0;
  virtual void MouseEvent(std::uint32_t flags, std::int32_t dx, std::int32_t dy, std::uint32_t data,
                          std::uintptr_t extraInfo) = 0;

  // --- Modules, for the external function table ---
  // systemDirectoryOnly: load from the system directory and nowhere else
  // (a DLL planted beside the program is never taken).
  virtual ModuleId LoadLibrary(const Text& name, bool systemDirectoryOnly) = 0;
  virtual FunctionAddress GetProcAddress(ModuleId module, const Text& exportName) = 0;
  virtual FunctionAddress GetProcAddressByOrdinal(ModuleId module, std::uint16_t ordinal) = 0;
  virtual void FreeLibrary(ModuleId module) = 0;
  // Calls a bound keybd_event with the caller's arguments, unchanged.
  virtual void CallKeybdEvent(FunctionAddress function, std::uint8_t vk, std::uint8_t scan,
                              std::uint32_t flags, std::uintptr_t extraInfo) = 0;

  // --- Clock and messages ---
  virtual std::uint32_t GetTickCount() = 0;
  // One pump step: dispatches every message already queued, stopping in
  // front of WM_QUIT and leaving it queued. Never waits.
  virtual void ProcessPendingEvents() = 0;
  // Blocks until a message that ProcessPendingEvents would dispatch is queued
  // or timeoutMs have passed, whichever comes first.
  virtual void WaitForMessage(std::uint32_t timeoutMs) = 0;

  // --- Window procedures and messages ---
  virtual bool RegisterHotKey(WindowId owner, int id, std::uint32_t modifiers, std::uint32_t vk) = 0;
  // Installs proc as the window's procedure; returns the one it replaces.
  virtual ProcId SetWindowProc(WindowId window, ProcId proc) = 0;
  virtual std::intptr_t CallWindowProc(ProcId proc, WindowId window, std::uint32_t msg,
                                       std::uintptr_t wParam, std::intptr_t lParam) = 0;
  virtual std::intptr_t SendMessage(WindowId window, std::uint32_t msg, std::uintptr_t wParam,
                                    std::intptr_t lParam) = 0;
  // The address of this desktop's entry to HotkeyWindowProc (input.h): a
  // window procedure that calls HotkeyWindowProc(*this, ...).
  virtual ProcId HotkeyProc() = 0;

  // --- Screen and pointer ---
  virtual int GetSystemMetrics(int index) = 0;
  virtual bool GetCursorPos(int& x, int& y) = 0;

  // --- Windows and edit boxes ---
  virtual bool IsWindow(WindowId window) = 0;
  // Lengths and selections count in the control's own units; the portable
  // logic only ever selects the end.
  virtual int GetTextLength(WindowId window) = 0;            // WM_GETTEXTLENGTH
  virtual void SetSelection(WindowId box, int start, int end) = 0;  // EM_SETSEL
  virtual void ScrollCaret(WindowId box) = 0;                // EM_SCROLLCARET
  virtual void ReplaceSelection(WindowId box, const Text& text) = 0;  // EM_REPLACESEL, not undoable
  virtual Text GetWindowText(WindowId window) = 0;
  virtual void SetWindowText(WindowId window, const Text& text) = 0;

  // --- Files ---
  virtual WidePath PathFromText(const Text& name) = 0;  // GBK to UTF-16
  // The whole file, or nothing when it cannot be opened or read.
  virtual std::optional<Bytes> ReadWholeFile(const WidePath& path) = 0;
  // Replaces the file in one step: the old content stays whole when this
  // gives false.
  virtual bool WriteWholeFile(const WidePath& path, const Bytes& content) = 0;
};

}  // namespace quorvane
