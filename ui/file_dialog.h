#pragma once
// 通用对话框1: the main window's file-dialog control. It shows nothing by
// itself; it holds the settings the system's open and save dialogs are
// shown with, and the path the user chose last.
#include <windows.h>

#include "desktop/file_dialog_logic.h"
#include "desktop/text.h"
#include "ui/window_description.h"

namespace quorvane::ui {

class FileDialogControl {
 public:
  FileDialogControl() = default;
  explicit FileDialogControl(const FileDialogSettings& description);

  FileDialogState settings;

  // The path to open or save: the one the user chose, UTF-16 as the dialog
  // gave it, so that a name GBK cannot spell still works. When the program
  // has put another name into FileName since, that name.
  WidePath Path() const;
  // The name the next dialog starts with: the chosen path while FileName
  // still shows it, else FileName cut to fit the name buffer.
  std::wstring StartName() const;
  // After OK: FileName shows the chosen path, the path itself is kept.
  void StoreChoice(const std::wstring& path);

 private:
  bool ChoiceStillShown() const { return !chosen_.empty() && settings.fileName == chosenAsGbk_; }
  std::wstring chosen_;
  Text chosenAsGbk_;  // what FileName held right after the choice
};

// Shows the open (DialogKind 0) or save (1) dialog and waits for the user.
// true after OK, with the choice stored; false after cancel or failure, with
// nothing changed. Messages keep flowing meanwhile: every handler may run.
bool ShowFileDialog(FileDialogControl& control);

// The window that owns a dialog opened now: the active window (or its first
// ancestor that is not a child), then its last active pop-up. Null when no
// window of this thread is active.
HWND DialogOwner();

}  // namespace quorvane::ui
