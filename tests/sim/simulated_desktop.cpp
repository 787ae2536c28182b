#include "tests/sim/simulated_desktop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "desktop/input.h"

namespace quorvane::sim {
namespace {

// A polling loop reads the clock over and over while no time passes; this
// many reads in a row stop it with an exception instead of a hung test.
constexpr int kMaxReadsWithoutTimePassing = 100000;

std::string Hex(std::uint64_t v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "0x%llx", static_cast<unsigned long long>(v));
  return buf;
}

std::string Dec(long long v) { return std::to_string(v); }

WidePath Widen(const Text& name) {
  WidePath path;
  for (unsigned char c : name) path.push_back(static_cast<char16_t>(c));
  return path;
}

Text Narrow(const WidePath& path) {
  Text name;
  for (char16_t c : path) name.push_back(static_cast<char>(c & 0xFF));
  return name;
}

Text AsciiLower(Text s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

}  // namespace

SimulatedDesktop::SimulatedDesktop() {
  hotkeyProc_ = AddProc([this](WindowId w, std::uint32_t m, std::uintptr_t wp, std::intptr_t lp) {
    return HotkeyWindowProc(*this, w, m, wp, lp);
  });
  SetScreen(1920, 1080);
  SetVirtualScreen(0, 0, 1920, 1080);
  AddModule("user32.dll", {"keybd_event", "mouse_event", "SetCursorPos"});
}

// --- Clock ---

void SimulatedDesktop::SetTick(std::uint32_t tick) {
  // Keep internal time monotonic: jump forward to the next moment showing tick.
  now_ = TimeOfTick(tick);
  readsWithoutTimePassing_ = 0;
}

void SimulatedDesktop::Advance(std::uint32_t ms) {
  now_ += ms;
  if (ms > 0) readsWithoutTimePassing_ = 0;
}

std::uint64_t SimulatedDesktop::TimeOfTick(std::uint32_t tick) const {
  return now_ + static_cast<std::uint32_t>(tick - Now());
}

std::uint32_t SimulatedDesktop::GetTickCount() {
  if (traceClock_) Record("GetTickCount()=" + Dec(Now()));
  if (++readsWithoutTimePassing_ > kMaxReadsWithoutTimePassing)
    throw std::runtime_error("the clock was read over and over while no time passed: a busy wait");
  return Now();
}

// --- Message queue ---

void SimulatedDesktop::Enqueue(std::uint64_t at, const Message& message) {
  Queued q{at, postOrder_++, message};
  auto pos = std::upper_bound(queue_.begin(), queue_.end(), q, [](const Queued& a, const Queued& b) {
    return a.at != b.at ? a.at < b.at : a.order < b.order;
  });
  queue_.insert(pos, q);
}

void SimulatedDesktop::Post(WindowId window, std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
  Enqueue(now_, {window, msg, wParam, lParam});
}

void SimulatedDesktop::PostAt(std::uint32_t tick, WindowId window, std::uint32_t msg, std::uintptr_t wParam,
                              std::intptr_t lParam) {
  Enqueue(TimeOfTick(tick), {window, msg, wParam, lParam});
}

void SimulatedDesktop::PostQuit() { Post(0, win::kWmQuit); }

void SimulatedDesktop::PostQuitAt(std::uint32_t tick) { PostAt(tick, 0, win::kWmQuit); }

std::vector<Message> SimulatedDesktop::QueuedMessages() const {
  std::vector<Message> due;
  for (const Queued& q : queue_)
    if (q.at <= now_) due.push_back(q.message);
  return due;
}

bool SimulatedDesktop::PressHotkey(std::uint32_t vk, std::uint32_t modifiers) {
  for (const HotkeyRegistration& r : hotkeys_) {
    if (r.vk == vk && r.modifiers == modifiers) {
      Post(r.owner, win::kWmHotkey, static_cast<std::uintptr_t>(r.id),
           static_cast<std::intptr_t>((vk << 16) | modifiers));
      return true;
    }
  }
  return false;
}

void SimulatedDesktop::ProcessPendingEvents() {
  if (traceClock_) Record("ProcessPendingEvents()");
  // Take one message at a time: a procedure may post, destroy windows or
  // pump again while it runs.
  while (!queue_.empty() && queue_.front().at <= now_ && queue_.front().message.msg != win::kWmQuit) {
    Message m = queue_.front().message;
    queue_.erase(queue_.begin());
    Record("DispatchMessage(" + Dec(m.window) + "," + Hex(m.msg) + "," + Dec(m.wParam) + "," + Dec(m.lParam) + ")");
    Deliver(m.window, m.msg, m.wParam, m.lParam);
  }
}

void SimulatedDesktop::WaitForMessage(std::uint32_t timeoutMs) {
  if (traceClock_) Record("WaitForMessage(" + Dec(timeoutMs) + ")");
  const std::uint64_t deadline = now_ + timeoutMs;
  // The queue is in delivery order: whatever stands behind a WM_QUIT can never
  // be dispatched, so then the whole timeout passes.
  if (queue_.empty() || queue_.front().message.msg == win::kWmQuit || queue_.front().at > deadline) {
    Advance(timeoutMs);
  } else if (queue_.front().at > now_) {
    Advance(static_cast<std::uint32_t>(queue_.front().at - now_));
  }
}

// --- Windows ---

ProcId SimulatedDesktop::AddProc(WindowProc proc) {
  ProcId id = nextProc_++;
  procs_[id] = std::move(proc);
  return id;
}

WindowId SimulatedDesktop::CreateWindow(WindowProc proc, Text text) {
  WindowId id = nextWindow_++;
  Window w;
  w.proc = AddProc(std::move(proc));
  w.edit.text = std::move(text);
  windows_[id] = std::move(w);
  return id;
}

WindowId SimulatedDesktop::CreateEditBox(Text text) {
  WindowId id = CreateWindow({}, std::move(text));
  Window& w = windows_[id];
  w.isEditBox = true;
  w.edit.selectionStart = w.edit.selectionEnd = 0;
  return id;
}

void SimulatedDesktop::DestroyWindow(WindowId window) {
  if (Window* w = Find(window)) w->alive = false;
  // The system drops the messages queued for a destroyed window.
  std::erase_if(queue_, [window](const Queued& q) { return q.message.window == window && window != 0; });
}

SimulatedDesktop::Window* SimulatedDesktop::Find(WindowId window) {
  auto it = windows_.find(window);
  return it == windows_.end() || !it->second.alive ? nullptr : &it->second;
}

const SimulatedDesktop::Window* SimulatedDesktop::Find(WindowId window) const {
  auto it = windows_.find(window);
  return it == windows_.end() || !it->second.alive ? nullptr : &it->second;
}

ProcId SimulatedDesktop::WindowProcOf(WindowId window) const {
  const Window* w = Find(window);
  return w ? w->proc : 0;
}

EditBoxState& SimulatedDesktop::EditBox(WindowId box) { return windows_.at(box).edit; }

std::intptr_t SimulatedDesktop::Deliver(WindowId window, std::uint32_t msg, std::uintptr_t wParam,
                                        std::intptr_t lParam) {
  Window* w = Find(window);
  if (!w) return 0;
  auto it = procs_.find(w->proc);
  if (it == procs_.end() || !it->second) return 0;
  WindowProc proc = it->second;  // the procedure may replace itself while it runs
  return proc(window, msg, wParam, lParam);
}

bool SimulatedDesktop::IsWindow(WindowId window) {
  Record("IsWindow(" + Dec(window) + ")");
  return Find(window) != nullptr;
}

ProcId SimulatedDesktop::SetWindowProc(WindowId window, ProcId proc) {
  Record("SetWindowProc(" + Dec(window) + "," + (proc == hotkeyProc_ ? std::string("HotkeyProc") : Dec(proc)) +
         ")");
  Window* w = Find(window);
  if (!w) return 0;
  ProcId previous = w->proc;
  w->proc = proc;
  return previous;
}

std::intptr_t SimulatedDesktop::CallWindowProc(ProcId proc, WindowId window, std::uint32_t msg,
                                               std::uintptr_t wParam, std::intptr_t lParam) {
  Record("CallWindowProc(" + Dec(proc) + "," + Dec(window) + "," + Hex(msg) + "," + Dec(wParam) + "," +
         Dec(lParam) + ")");
  auto it = procs_.find(proc);
  if (it == procs_.end() || !it->second) return 0;
  WindowProc f = it->second;
  return f(window, msg, wParam, lParam);
}

std::intptr_t SimulatedDesktop::SendMessage(WindowId window, std::uint32_t msg, std::uintptr_t wParam,
                                            std::intptr_t lParam) {
  Record("SendMessage(" + Dec(window) + "," + Hex(msg) + "," + Dec(wParam) + "," + Dec(lParam) + ")");
  return Deliver(window, msg, wParam, lParam);
}

// --- Hotkeys ---

void SimulatedDesktop::SetHotkeyRegistrationFails(bool fails) { hotkeysFail_ = fails; }

bool SimulatedDesktop::RegisterHotKey(WindowId owner, int id, std::uint32_t modifiers, std::uint32_t vk) {
  Record("RegisterHotKey(" + Dec(owner) + "," + Dec(id) + "," + Hex(modifiers) + "," + Dec(vk) + ")");
  if (hotkeysFail_ || !Find(owner)) return false;
  for (const HotkeyRegistration& r : hotkeys_)
    if (r.vk == vk && r.modifiers == modifiers) return false;  // the combination is taken
  hotkeys_.push_back({owner, id, modifiers, vk});
  return true;
}

// --- Screen and pointer ---

void SimulatedDesktop::SetScreen(int width, int height) {
  metrics_[win::kSmCxScreen] = width;
  metrics_[win::kSmCyScreen] = height;
}

void SimulatedDesktop::SetVirtualScreen(int left, int top, int width, int height) {
  metrics_[win::kSmXVirtualScreen] = left;
  metrics_[win::kSmYVirtualScreen] = top;
  metrics_[win::kSmCxVirtualScreen] = width;
  metrics_[win::kSmCyVirtualScreen] = height;
}

void SimulatedDesktop::SetCursor(int x, int y) {
  cursorX_ = x;
  cursorY_ = y;
  cursorReadable_ = true;
}

void SimulatedDesktop::SetCursorReadable(bool readable) { cursorReadable_ = readable; }

int SimulatedDesktop::GetSystemMetrics(int index) {
  Record("GetSystemMetrics(" + Dec(index) + ")");
  auto it = metrics_.find(index);
  return it == metrics_.end() ? 0 : it->second;
}

bool SimulatedDesktop::GetCursorPos(int& x, int& y) {
  Record("GetCursorPos()");
  if (!cursorReadable_) return false;
  x = cursorX_;
  y = cursorY_;
  return true;
}

bool SimulatedDesktop::SetCursorPos(int x, int y) {
  Record("SetCursorPos(" + Dec(x) + "," + Dec(y) + ")");
  cursorX_ = x;
  cursorY_ = y;
  return true;
}

void SimulatedDesktop::MouseEvent(std::uint32_t flags, std::int32_t dx, std::int32_t dy, std::uint32_t data,
                                  std::uintptr_t extraInfo) {
  Record("mouse_event(" + Hex(flags) + "," + Dec(dx) + "," + Dec(dy) + "," + Dec(data) + "," + Dec(extraInfo) +
         ")");
}

// --- Edit boxes ---

int SimulatedDesktop::GetTextLength(WindowId window) {
  Record("GetTextLength(" + Dec(window) + ")");
  const Window* w = Find(window);
  return w ? static_cast<int>(w->edit.text.size()) : 0;
}

void SimulatedDesktop::SetSelection(WindowId box, int start, int end) {
  Record("SetSelection(" + Dec(box) + "," + Dec(start) + "," + Dec(end) + ")");
  Window* w = Find(box);
  if (!w) return;
  const int length = static_cast<int>(w->edit.text.size());
  // Like EM_SETSEL: out-of-range ends are clamped, and either order is taken.
  start = std::clamp(start, 0, length);
  end = std::clamp(end, 0, length);
  w->edit.selectionStart = std::min(start, end);
  w->edit.selectionEnd = std::max(start, end);
}

void SimulatedDesktop::ScrollCaret(WindowId box) {
  Record("ScrollCaret(" + Dec(box) + ")");
  if (Window* w = Find(box)) w->edit.caretScrolled = true;
}

void SimulatedDesktop::ReplaceSelection(WindowId box, const Text& text) {
  Record("ReplaceSelection(" + Dec(box) + ",\"" + text + "\")");
  Window* w = Find(box);
  if (!w) return;
  EditBoxState& e = w->edit;
  e.text.replace(static_cast<std::size_t>(e.selectionStart),
                 static_cast<std::size_t>(e.selectionEnd - e.selectionStart), text);
  e.selectionStart = e.selectionEnd = e.selectionStart + static_cast<int>(text.size());
}

Text SimulatedDesktop::GetWindowText(WindowId window) {
  Record("GetWindowText(" + Dec(window) + ")");
  const Window* w = Find(window);
  return w ? w->edit.text : Text{};
}

void SimulatedDesktop::SetWindowText(WindowId window, const Text& text) {
  Record("SetWindowText(" + Dec(window) + ",\"" + text + "\")");
  Window* w = Find(window);
  if (!w) return;
  w->edit.text = text;
  w->edit.selectionStart = w->edit.selectionEnd = 0;
  w->edit.caretScrolled = false;
}

// --- Files ---

void SimulatedDesktop::SetFile(const Text& name, const Bytes& content) {
  SimFile& f = files_[Widen(name)];
  f.content = content;
  f.folder = false;
}

std::optional<Bytes> SimulatedDesktop::File(const Text& name) const {
  auto it = files_.find(Widen(name));
  if (it == files_.end() || it->second.folder) return std::nullopt;
  return it->second.content;
}

void SimulatedDesktop::SetReadOnly(const Text& name, bool readOnly) { files_[Widen(name)].readOnly = readOnly; }

void SimulatedDesktop::AddFolder(const Text& name) {
  SimFile& f = files_[Widen(name)];
  f.folder = true;
  f.content.clear();
}

WidePath SimulatedDesktop::PathFromText(const Text& name) {
  Record("PathFromText(\"" + name + "\")");
  return Widen(name);
}

std::optional<Bytes> SimulatedDesktop::ReadWholeFile(const WidePath& path) {
  Record("ReadWholeFile(\"" + Narrow(path) + "\")");
  auto it = files_.find(path);
  if (it == files_.end() || it->second.folder) return std::nullopt;
  return it->second.content;
}

bool SimulatedDesktop::WriteWholeFile(const WidePath& path, const Bytes& content) {
  Record("WriteWholeFile(\"" + Narrow(path) + "\"," + Dec(static_cast<long long>(content.size())) + ")");
  if (path.empty()) return false;
  auto it = files_.find(path);
  if (it != files_.end() && (it->second.folder || it->second.readOnly)) return false;
  files_[path].content = content;
  return true;
}

// --- Modules ---

void SimulatedDesktop::AddModule(const Text& name, const std::vector<Text>& exports,
                                 const std::vector<std::uint16_t>& ordinals, bool systemDirectory) {
  RemoveModule(name);
  Module m;
  m.name = name;
  m.systemDirectory = systemDirectory;
  m.id = nextModule_++;
  for (const Text& e : exports) m.exports[e] = nextAddress_++;
  for (std::uint16_t o : ordinals) m.ordinals[o] = nextAddress_++;
  modules_.push_back(std::move(m));
}

void SimulatedDesktop::RemoveModule(const Text& name) {
  std::erase_if(modules_, [&](const Module& m) { return AsciiLower(m.name) == AsciiLower(name); });
}

SimulatedDesktop::Module* SimulatedDesktop::FindModule(const Text& name) {
  for (Module& m : modules_)
    if (AsciiLower(m.name) == AsciiLower(name)) return &m;
  return nullptr;
}

const SimulatedDesktop::Module* SimulatedDesktop::FindModule(const Text& name) const {
  for (const Module& m : modules_)
    if (AsciiLower(m.name) == AsciiLower(name)) return &m;
  return nullptr;
}

SimulatedDesktop::Module* SimulatedDesktop::FindModule(ModuleId id) {
  for (Module& m : modules_)
    if (m.id == id) return &m;
  return nullptr;
}

FunctionAddress SimulatedDesktop::ExportAddress(const Text& module, const Text& exportName) const {
  const Module* m = FindModule(module);
  if (!m) return 0;
  auto it = m->exports.find(exportName);
  return it == m->exports.end() ? 0 : it->second;
}

FunctionAddress SimulatedDesktop::OrdinalAddress(const Text& module, std::uint16_t ordinal) const {
  const Module* m = FindModule(module);
  if (!m) return 0;
  auto it = m->ordinals.find(ordinal);
  return it == m->ordinals.end() ? 0 : it->second;
}

int SimulatedDesktop::LoadedCount(const Text& module) const {
  const Module* m = FindModule(module);
  return m ? m->loads : 0;
}

Text SimulatedDesktop::NameOfAddress(FunctionAddress address) const {
  for (const Module& m : modules_) {
    for (const auto& [name, a] : m.exports)
      if (a == address) return name;
    for (const auto& [ordinal, a] : m.ordinals)
      if (a == address) return "#" + Dec(ordinal);
  }
  return Hex(address);
}

ModuleId SimulatedDesktop::LoadLibrary(const Text& name, bool systemDirectoryOnly) {
  Record("LoadLibrary(" + name + (systemDirectoryOnly ? ",system)" : ")"));
  Module* m = FindModule(name);
  if (!m || (systemDirectoryOnly && !m->systemDirectory)) return 0;
  ++m->loads;
  return m->id;
}

FunctionAddress SimulatedDesktop::GetProcAddress(ModuleId module, const Text& exportName) {
  Module* m = FindModule(module);
  Record("GetProcAddress(" + (m ? m->name : Dec(module)) + "," + exportName + ")");
  if (!m) return 0;
  auto it = m->exports.find(exportName);
  return it == m->exports.end() ? 0 : it->second;
}

FunctionAddress SimulatedDesktop::GetProcAddressByOrdinal(ModuleId module, std::uint16_t ordinal) {
  Module* m = FindModule(module);
  Record("GetProcAddress(" + (m ? m->name : Dec(module)) + ",#" + Dec(ordinal) + ")");
  if (!m) return 0;
  auto it = m->ordinals.find(ordinal);
  return it == m->ordinals.end() ? 0 : it->second;
}

void SimulatedDesktop::FreeLibrary(ModuleId module) {
  Module* m = FindModule(module);
  Record("FreeLibrary(" + (m ? m->name : Dec(module)) + ")");
  if (m && m->loads > 0) --m->loads;
}

void SimulatedDesktop::CallKeybdEvent(FunctionAddress function, std::uint8_t vk, std::uint8_t scan,
                                      std::uint32_t flags, std::uintptr_t extraInfo) {
  // Named after the function actually called, so a wrong binding shows.
  Record(NameOfAddress(function) + "(" + Dec(vk) + "," + Dec(scan) + "," + Hex(flags) + "," + Dec(extraInfo) +
         ")");
}

// --- Test helpers ---

void ExpectTrace(SimulatedDesktop& desktop, const std::vector<std::string>& expected) {
  const std::vector<std::string>& actual = desktop.Trace();
  if (actual != expected) {
    std::size_t width = 8;
    for (const std::string& e : expected) width = std::max(width, e.size());
    std::string table = "trace differs (expected | actual):\n";
    for (std::size_t i = 0; i < std::max(actual.size(), expected.size()); ++i) {
      std::string left = i < expected.size() ? expected[i] : "<none>";
      std::string right = i < actual.size() ? actual[i] : "<none>";
      const bool same = i < expected.size() && i < actual.size() && expected[i] == actual[i];
      table += (same ? "   " : "!! ") + left + std::string(width - left.size(), ' ') + " | " + right + "\n";
    }
    ADD_FAILURE() << table;
  }
  desktop.ClearTrace();
}

namespace {

std::optional<FatalStop> g_lastStop;

void ThrowingFatalHandler(const Text& message, int code) {
  g_lastStop = FatalStop{message, code};
  throw FatalStop{message, code};
}

}  // namespace

FatalStopTrap::FatalStopTrap() : previous_(SetFatalHandler(ThrowingFatalHandler)) { g_lastStop.reset(); }

FatalStopTrap::~FatalStopTrap() { SetFatalHandler(previous_); }

const std::optional<FatalStop>& FatalStopTrap::Last() const { return g_lastStop; }

std::optional<FatalStop> CatchFatalStop(const std::function<void()>& f) {
  FatalStopTrap trap;
  try {
    f();
  } catch (const FatalStop& stop) {
    return stop;
  }
  return std::nullopt;
}

}  // namespace quorvane::sim
