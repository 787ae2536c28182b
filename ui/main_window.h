#pragma once
// The main window: the script editor, the log box, the status bar that
// follows the pointer, the menu and F11.
#include <windows.h>

#include "desktop/text.h"
#include "ui/frame.h"

namespace quorvane::ui {

// Control indices in the main window's description.
inline constexpr int kLabel1 = 0;       // 标签1: receives the F11 notification
inline constexpr int kEditor = 1;       // 编辑框1
inline constexpr int kLogBox = 2;       // 编辑框2
inline constexpr int kStatusBar = 3;    // 状态条1
inline constexpr int kTimer = 4;        // 时钟1
inline constexpr int kFileDialog = 5;   // 通用对话框1

// Menu command identifiers.
inline constexpr UINT kCmdNew = 101;
inline constexpr UINT kCmdOpen = 102;
inline constexpr UINT kCmdSave = 103;
inline constexpr UINT kCmdRun = 104;
inline constexpr UINT kCmdHelp = 105;

const WindowDescription& MainWindowDescription();

// The open main window, or null.
LiveWindow* MainWindow();
// A control of the main window; the fatal stop when the window is not open.
HWND MainWindowControl(int index);

// Shows text in the status bar's pane (0-based); other pane numbers change
// nothing.
void SetStatusPaneText(int pane, const Text& text = {});

// The editor's script, and the program's own way to replace it: a text the
// program puts there is not a change the user could lose.
Text EditorText();
void SetEditorText(const Text& text);
void MarkScriptSaved();
bool ScriptModified();

// Before the script is thrown away: when it holds unsaved changes, asks
// whether to save them, and saves when told to. true: go on; false: the
// user cancelled (or the save did not happen).
bool ConfirmDiscardOrSave();

}  // namespace quorvane::ui
