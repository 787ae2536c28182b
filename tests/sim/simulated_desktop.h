#pragma once
// SimulatedDesktop: the Desktop seam for tests, with no operating system
// behind it.
//
//   - A clock in milliseconds. Only the test (Advance, SetTick) and waits
//     (WaitForMessage jumps to the next message that can be dispatched, or to
//     the end of its timeout) move it; GetTickCount never does. A loop that
//     polls the clock without waiting is stopped with an exception instead
//     of spinning for ever.
//   - A message queue filled at chosen times (Post, PostAt, PostQuit).
//     ProcessPendingEvents dispatches every message that is due to its
//     window's current procedure and stops in front of WM_QUIT.
//   - Windows with procedures (std::function), created and destroyed by the
//     test; edit boxes with text, selection and a caret-scrolled flag.
//   - Screen metrics and the pointer position, settable.
//   - Files in memory, with read-only files and folders.
//   - Modules and their exports for LoadLibrary/GetProcAddress; user32.dll
//     with keybd_event is there from the start.
//   - A trace: every seam call in order as a readable string, e.g.
//       SetCursorPos(200,100)          mouse_event(0x2,200,100,0,0)
//       keybd_event(65,0,0x0,0)        RegisterHotKey(1,33001,0x0,122)
//       SendMessage(2,0x8075,33001,0)  DispatchMessage(1,0x312,33001,0)
//     Numbers are decimal, flags and message numbers hex. The clock and pump
//     calls (GetTickCount, ProcessPendingEvents, WaitForMessage) are left out
//     unless TraceClockCalls(true); dispatched messages are always recorded.
//
// Window ids, procedure ids and module ids are small numbers handed out in
// order from 1; tests should take them from the functions that create them.
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "desktop/desktop.h"
#include "desktop/fatal.h"

namespace quorvane::sim {

using WindowProc =
    std::function<std::intptr_t(WindowId window, std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam)>;

struct Message {
  WindowId window = 0;
  std::uint32_t msg = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
};

struct HotkeyRegistration {
  WindowId owner = 0;
  int id = 0;
  std::uint32_t modifiers = 0;  // MOD_* bits, as given to RegisterHotKey
  std::uint32_t vk = 0;
};

struct EditBoxState {
  Text text;
  int selectionStart = 0;
  int selectionEnd = 0;
  bool caretScrolled = false;  // ScrollCaret was called since the last SetWindowText
};

class SimulatedDesktop : public Desktop {
 public:
  SimulatedDesktop();

  // --- Clock ---
  std::uint32_t Now() const { return static_cast<std::uint32_t>(now_); }
  void SetTick(std::uint32_t tick);   // the clock shows tick from now on
  void Advance(std::uint32_t ms);     // time passes; nothing is dispatched

  // --- Message queue ---
  // Queues a message now.
  void Post(WindowId window, std::uint32_t msg, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
  // Queues a message at the next moment the clock shows tick (now, if it
  // shows tick already); the clock may wrap before that.
  void PostAt(std::uint32_t tick, WindowId window, std::uint32_t msg, std::uintptr_t wParam = 0,
              std::intptr_t lParam = 0);
  void PostQuit();                   // WM_QUIT, now
  void PostQuitAt(std::uint32_t tick);
  // The messages due now, in the order ProcessPendingEvents would take them.
  std::vector<Message> QueuedMessages() const;
  // Posts WM_HOTKEY to the owner of the registration for vk and modifiers (the
  // system's part of a key press). false when nothing is registered for it.
  bool PressHotkey(std::uint32_t vk, std::uint32_t modifiers = 0);

  // --- Windows ---
  WindowId CreateWindow(WindowProc proc = {}, Text text = {});
  WindowId CreateEditBox(Text text = {});
  void DestroyWindow(WindowId window);
  // The procedure currently installed on the window.
  ProcId WindowProcOf(WindowId window) const;
  // Registers a free-standing procedure (one that belongs to no window yet).
  ProcId AddProc(WindowProc proc);
  EditBoxState& EditBox(WindowId box);  // the box's state; the test may change it

  // --- Screen and pointer ---
  void SetScreen(int width, int height);  // SM_CXSCREEN, SM_CYSCREEN
  void SetVirtualScreen(int left, int top, int width, int height);
  void SetCursor(int x, int y);            // where the pointer is; also makes it readable
  void SetCursorReadable(bool readable);   // false: GetCursorPos fails
  int CursorXNow() const { return cursorX_; }
  int CursorYNow() const { return cursorY_; }

  // --- Hotkeys ---
  void SetHotkeyRegistrationFails(bool fails);
  const std::vector<HotkeyRegistration>& Hotkeys() const { return hotkeys_; }

  // --- Files (names are the GBK bytes widened one byte per unit) ---
  void SetFile(const Text& name, const Bytes& content);
  std::optional<Bytes> File(const Text& name) const;  // nullopt: no such file
  void SetReadOnly(const Text& name, bool readOnly = true);
  void AddFolder(const Text& name);  // a name that is a folder: neither readable nor writable

  // --- Modules ---
  // Adds or replaces a module that LoadLibrary finds by name (ASCII case
  // ignored). Export addresses are handed out by the simulation.
  // systemDirectory: false for a module that only lies beside the program.
  void AddModule(const Text& name, const std::vector<Text>& exports,
                 const std::vector<std::uint16_t>& ordinals = {}, bool systemDirectory = true);
  void RemoveModule(const Text& name);
  // The address of a module's export as GetProcAddress would give it; 0 when none.
  FunctionAddress ExportAddress(const Text& module, const Text& exportName) const;
  FunctionAddress OrdinalAddress(const Text& module, std::uint16_t ordinal) const;
  int LoadedCount(const Text& module) const;  // LoadLibrary minus FreeLibrary

  // --- Trace ---
  const std::vector<std::string>& Trace() const { return trace_; }
  void ClearTrace() { trace_.clear(); }
  void TraceClockCalls(bool on) { traceClock_ = on; }
  // Off: nothing is recorded (benchmarks that make millions of calls).
  void SetTracing(bool on) { tracing_ = on; }

  // --- The Desktop seam ---
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
  ProcId HotkeyProc() override { return hotkeyProc_; }
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
  struct Window {
    ProcId proc = 0;
    bool alive = true;
    bool isEditBox = false;
    EditBoxState edit;
  };
  struct Queued {
    std::uint64_t at = 0;  // internal time (never wraps)
    std::uint64_t order = 0;
    Message message;
  };
  struct Module {
    Text name;
    bool systemDirectory = true;
    std::map<Text, FunctionAddress> exports;  // by lower-case-free exact name
    std::map<std::uint16_t, FunctionAddress> ordinals;
    int loads = 0;
    ModuleId id = 0;
  };
  struct SimFile {
    Bytes content;
    bool readOnly = false;
    bool folder = false;
  };

  void Record(std::string entry) {
    if (tracing_) trace_.push_back(std::move(entry));
  }
  std::uint64_t TimeOfTick(std::uint32_t tick) const;
  void Enqueue(std::uint64_t at, const Message& message);
  std::intptr_t Deliver(WindowId window, std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam);
  Window* Find(WindowId window);
  const Window* Find(WindowId window) const;
  Module* FindModule(const Text& name);
  const Module* FindModule(const Text& name) const;
  Module* FindModule(ModuleId id);
  Text NameOfAddress(FunctionAddress address) const;

  std::uint64_t now_ = 0;
  int readsWithoutTimePassing_ = 0;
  std::vector<Queued> queue_;  // kept in (at, order) order
  std::uint64_t postOrder_ = 0;

  std::map<WindowId, Window> windows_;
  WindowId nextWindow_ = 1;
  std::map<ProcId, WindowProc> procs_;
  ProcId nextProc_ = 1;
  ProcId hotkeyProc_ = 0;

  std::map<int, int> metrics_;
  int cursorX_ = 0, cursorY_ = 0;
  bool cursorReadable_ = true;

  bool hotkeysFail_ = false;
  std::vector<HotkeyRegistration> hotkeys_;

  std::map<WidePath, SimFile> files_;

  std::vector<Module> modules_;
  ModuleId nextModule_ = 1;
  FunctionAddress nextAddress_ = 0x1000;

  std::vector<std::string> trace_;
  bool traceClock_ = false;
  bool tracing_ = true;
};

// Compares the trace with the expected entries, printing both side by side
// when they differ, and then clears the trace so that the next step starts
// afresh.
void ExpectTrace(SimulatedDesktop& desktop, const std::vector<std::string>& expected);

// The fatal stop as tests see it: the handler installed by FatalStopTrap
// throws this instead of ending the process.
struct FatalStop {
  Text message;
  int code = 0;
};

// Installs a fatal handler that throws FatalStop; the previous handler comes
// back when the trap goes out of scope. Usage:
//   FatalStopTrap trap;
//   EXPECT_THROW(AppendToEditBox(sim, 0, {"x"}), FatalStop);
//   EXPECT_EQ(trap.Last()->message, MessageNoLiveControl());
class FatalStopTrap {
 public:
  FatalStopTrap();
  ~FatalStopTrap();
  FatalStopTrap(const FatalStopTrap&) = delete;
  FatalStopTrap& operator=(const FatalStopTrap&) = delete;
  // The latest stop caught while this trap was installed.
  const std::optional<FatalStop>& Last() const;

 private:
  FatalHandler previous_;
};

// Runs f with a FatalStopTrap installed: the stop it raised, or nullopt when
// it returned normally.
std::optional<FatalStop> CatchFatalStop(const std::function<void()>& f);

}  // namespace quorvane::sim
