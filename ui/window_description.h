#pragma once
// Window descriptions: the program's windows as plain data, read by one
// builder (frame.cpp). A description lists the window's geometry, frame,
// colours and font, its controls with their settings in creation order, the
// stacking order, the menu and the event bindings by event number. Changing a
// colour or a rectangle is a one-line change in the window's own file.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <span>

namespace quorvane::ui {

class LiveWindow;

// A handler gets the live window whose element raised the event. Only close
// queries read the result: false keeps the window open.
using EventHandler = bool (*)(LiveWindow& window);

// Event numbers of a window.
inline constexpr int kEventCreated = 0;
inline constexpr int kEventCloseQuery = 1;  // also asked on WM_QUERYENDSESSION
inline constexpr int kEventDestroyed = 2;
inline constexpr int kEventMoved = 3;
inline constexpr int kEventResized = 4;
inline constexpr int kEventCloseQueryFirst = 12;
// The one event of a timer, a label and a menu item.
inline constexpr int kEventTick = 0;
inline constexpr int kEventLabelNotify = 0;
inline constexpr int kEventMenuSelected = 0;

// A LOGFONT with this height and weight (everything else default); a height
// of 0 means the stock DEFAULT_GUI_FONT.
struct FontSpec {
  int height = 0;
  int weight = FW_NORMAL;
};

enum class ControlKind { kLabel, kEdit, kStatusBar, kTimer, kFileDialog };

struct StatusPane {
  int rightEdge;     // as SB_SETPARTS takes it; -1 to the end of the bar
  int drawingStyle;  // SBT_* bits, 0 the normal sunken pane
  const char* text;  // GBK
};

// The settings the file dialog is shown with.
struct FileDialogSettings {
  int kind = 0;  // 0 open, 1 save
  const char* title = "";
  const char* fileName = "";
  const char* filter = "";  // "description|pattern|description|pattern..."
  int initialFilter = 0;
  const char* initialFolder = "";
  const char* defaultExtension = "";
  bool promptToCreate = false;
  bool fileMustExist = false;
  bool promptToOverwrite = false;
  bool pathMustExist = false;
  bool keepCurrentFolder = false;
};

struct ControlDescription {
  const char* name;  // the control's name in the program, GBK
  ControlKind kind;
  RECT rect;  // left, top, width, height in the client area (right/bottom hold width/height)
  DWORD style = 0;  // WS_CHILD is added by the builder
  DWORD exStyle = 0;
  bool visible = true;
  bool hasColours = false;  // answer WM_CTLCOLOR* with the two colours below
  COLORREF textColour = 0;
  COLORREF backColour = 0;
  FontSpec font{};
  const char* text = "";  // caption or start text, GBK
  bool limitTextToMaximum = false;  // EM_LIMITTEXT 0
  UINT timerPeriodMs = 0;
  std::span<const StatusPane> panes{};
  COLORREF barColour = CLR_DEFAULT;
  FileDialogSettings fileDialog{};
};

struct MenuItemDescription {
  const char* caption;  // GBK
  bool onMenuBar;       // false: under the last item that is on the menu bar
  UINT commandId;       // 0 for a drop-down's title
  WORD acceleratorKey = 0;  // virtual key, no modifier
};

// Which element of the window an event binding is for.
enum class ElementKind { kWindow, kControl, kMenuItem };
struct EventBinding {
  ElementKind element;
  int index;  // control or menu item index in the description; ignored for the window
  int event;
  EventHandler handler;
};

struct WindowDescription {
  const wchar_t* className;
  const char* caption;  // GBK
  int outerWidth;
  int outerHeight;
  DWORD style;
  DWORD exStyle = 0;
  COLORREF background = 0;
  bool ownTaskbarButton = true;
  bool visible = true;
  int startState = 1;  // 2 minimised, 3 maximised, anything else normal
  bool escapeCloses = false;
  bool useProgramIcon = true;
  std::span<const ControlDescription> controls{};
  std::span<const int> stacking{};  // control indices, topmost first
  std::span<const MenuItemDescription> menu{};
  std::span<const EventBinding> bindings{};
};

}  // namespace quorvane::ui
