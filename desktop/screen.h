#pragma once
// Screen size, pointer position, appending to an edit box, window handles
// and whole-file reading and writing.
#include <initializer_list>
#include <string_view>

#include "desktop/desktop.h"

namespace quorvane {

int ScreenWidth(Desktop& desktop);   // primary display
int ScreenHeight(Desktop& desktop);
// The pointer's position; 0 when the system does not report it (another
// desktop is active, for instance).
int CursorX(Desktop& desktop);
int CursorY(Desktop& desktop);

// All monitors together: the rectangle the pointer can reach.
struct ScreenRect {
  int left = 0, top = 0, width = 0, height = 0;
};
ScreenRect VirtualScreen(Desktop& desktop);

// Appends each text at the end of the box, byte for byte (no line break
// added). A box whose window is not open is the fatal stop.
void AppendToEditBox(Desktop& desktop, WindowId box, std::initializer_list<std::string_view> texts);

// The box's handle, or the fatal stop when its window is not open.
WindowId WindowHandle(Desktop& desktop, WindowId window);

// An empty buffer for an empty name, a missing, locked, unreadable or empty file.
Bytes ReadFileBytes(Desktop& desktop, const Text& name);
// false for an empty name or any failure; the old file then stays as it was.
bool WriteFileBytes(Desktop& desktop, const Text& name, std::initializer_list<const Bytes*> buffers);

}  // namespace quorvane
