#include "desktop/screen.h"

#include "desktop/fatal.h"

namespace quorvane {
namespace {

void RequireLiveWindow(Desktop& desktop, WindowId window) {
  if (window == 0 || !desktop.IsWindow(window)) FatalRuntimeError(MessageNoLiveControl(), 0);
}

}  // namespace

int ScreenWidth(Desktop& desktop) { return desktop.GetSystemMetrics(win::kSmCxScreen); }

int ScreenHeight(Desktop& desktop) { return desktop.GetSystemMetrics(win::kSmCyScreen); }

// When the system does not report the pointer (another desktop is active,
// for instance) the position reads as 0.
int CursorX(Desktop& desktop) {
  int x = 0, y = 0;
  return desktop.GetCursorPos(x, y) ? x : 0;
}

int CursorY(Desktop& desktop) {
  int x = 0, y = 0;
  return desktop.GetCursorPos(x, y) ? y : 0;
}

ScreenRect VirtualScreen(Desktop& desktop) {
  ScreenRect r;
  r.left = desktop.GetSystemMetrics(win::kSmXVirtualScreen);
  r.top = desktop.GetSystemMetrics(win::kSmYVirtualScreen);
  r.width = desktop.GetSystemMetrics(win::kSmCxVirtualScreen);
  r.height = desktop.GetSystemMetrics(win::kSmCyVirtualScreen);
  return r;
}

void AppendToEditBox(Desktop& desktop, WindowId box, std::initializer_list<std::string_view> texts) {
  for (std::string_view text : texts) {
    // The box's own change notifications run code of ours between texts;
    // check it is still there each time.
    RequireLiveWindow(desktop, box);
    // The length alone, not the whole text: a long log stays cheap to append to.
    const int end = desktop.GetTextLength(box);
    desktop.SetSelection(box, end, end);
    desktop.ScrollCaret(box);
    desktop.ReplaceSelection(box, Text(text));
  }
}

WindowId WindowHandle(Desktop& desktop, WindowId window) {
  RequireLiveWindow(desktop, window);
  return window;
}

Bytes ReadFileBytes(Desktop& desktop, const Text& name) {
  if (name.empty()) return {};
  return desktop.ReadWholeFile(desktop.PathFromText(name)).value_or(Bytes{});
}

bool WriteFileBytes(Desktop& desktop, const Text& name, std::initializer_list<const Bytes*> buffers) {
  if (name.empty()) return false;
  // One buffer, written in one step: the file is either replaced whole or
  // left as it was.
  Bytes content;
  for (const Bytes* buffer : buffers)
    if (buffer) content.insert(content.end(), buffer->begin(), buffer->end());
  return desktop.WriteWholeFile(desktop.PathFromText(name), content);
}

}  // namespace quorvane
