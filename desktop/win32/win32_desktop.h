#pragma once
// The Desktop seam on the real Win32 API: each call is the Win32 call. Texts
// cross as UTF-16 converted from GBK (code page 936).
//
// <windows.h> comes first on purpose: some seam operations share their names
// with Win32 macros (LoadLibrary, SendMessage, ...), and every file that sees
// this class must see the same spelling of them.
#include <windows.h>

#include "desktop/desktop.h"

namespace quorvane {

class Win32Desktop : public Desktop {
 public:
  Win32Desktop() = default;
  ~Win32Desktop() override;
  Win32Desktop(const Win32Desktop&) = delete;
  Win32Desktop& operator=(const Win32Desktop&) = delete;

  // How ProcessPendingEvents hands on each message it takes from the queue.
  // The frame installs its own (accelerators and dialog keys first); the
  // default is TranslateMessage and DispatchMessageW. nullptr restores it.
  using DispatchHook = void (*)(MSG& msg);
  void SetDispatchHook(DispatchHook hook);

  bool SetCursorPos(int x, int y) override;
  void MouseEvent(std::uint32_t flags, std::int32_t dx, std::int32_t dy, std::uint32_t data,
                  std::uintptr_t extraInfo) override;

  ModuleId LoadLibrary(const Text& name, bool systemDirectoryOnly) override;
  FunctionAddress GetProcAddress(ModuleId module, const Text& exportName) override;
  FunctionAddress GetProcAddressByOrdinal(ModuleId module, std::uint16_t ordinal) override;
  void FreeLibrary(ModuleId module) override;
  void CallKeybdEvent(FunctionAddress function, std::uint8_t vk, std::uint8_t scan, std::uint32_t flags,
                      std::uintptr_t extraInfo) override;

  std::uint32_t GetTickCount() override;
  void ProcessPendingEvents() override;
  void WaitForMessage(std::uint32_t timeoutMs) override;

  bool RegisterHotKey(WindowId owner, int id, std::uint32_t modifiers, std::uint32_t vk) override;
  ProcId SetWindowProc(WindowId window, ProcId proc) override;
  std::intptr_t CallWindowProc(ProcId proc, WindowId window, std::uint32_t msg, std::uintptr_t wParam,
                               std::intptr_t lParam) override;
  std::intptr_t SendMessage(WindowId window, std::uint32_t msg, std::uintptr_t wParam,
                            std::intptr_t lParam) override;
  // A real WNDPROC that calls HotkeyWindowProc with the desktop that asked
  // for it last (the program has one).
  ProcId HotkeyProc() override;

  int GetSystemMetrics(int index) override;
  bool GetCursorPos(int& x, int& y) override;

  bool IsWindow(WindowId window) override;
  int GetTextLength(WindowId window) override;
  void SetSelection(WindowId box, int start, int end) override;
  void ScrollCaret(WindowId box) override;
  void ReplaceSelection(WindowId box, const Text& text) override;
  Text GetWindowText(WindowId window) override;
  void SetWindowText(WindowId window, const Text& text) override;

  WidePath PathFromText(const Text& name) override;
  std::optional<Bytes> ReadWholeFile(const WidePath& path) override;
  bool WriteWholeFile(const WidePath& path, const Bytes& content) override;

 private:
  DispatchHook hook_ = nullptr;
};

}  // namespace quorvane
