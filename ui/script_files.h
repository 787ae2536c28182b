#pragma once
// The script commands of the "程序" menu: new, open and save, and the
// main window's file-dialog control they use.
#include "desktop/text.h"
#include "ui/file_dialog.h"

namespace quorvane::ui {

// Empties the editor after asking about unsaved changes.
void NewScript();
// Asks about unsaved changes, then loads the file chosen in the open
// dialog into the editor. Says in the log box what happened.
void OpenScript();
// Writes the editor's text to the file chosen in the save dialog. true when
// the file was written. Says in the log box what happened.
bool SaveScript();

// 通用对话框1 of the open main window; its settings start from the
// description each time the main window is built. The fatal stop when the
// main window is not open.
FileDialogControl& MainFileDialog();

// The editor's text from a script file's bytes: UTF-8 converted to GBK,
// line breaks made CR LF, cut at the first zero byte.
Text ScriptTextFromFileBytes(const Bytes& file);

}  // namespace quorvane::ui
