// New, open and save with the system file dialogs.
#include "ui/script_files.h"

#include <windows.h>

#include <string_view>

#include "desktop/fatal.h"
#include "desktop/screen.h"
#include "desktop/script_file_format.h"
#include "desktop/win32/codepage.h"
#include "ui/frame.h"
#include "ui/main_window.h"

namespace quorvane::ui {
namespace {

struct MainDialog {
  HWND window = nullptr;  // the main window these settings belong to
  FileDialogControl control;
};
MainDialog g_dialog;

Text Utf8ToGbk(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
  return WideToGbk(wide);
}

// One line in the log box. The main window may have closed inside a dialog.
void Log(std::string_view what, const Text& path) {
  LiveWindow* window = MainWindow();
  if (!window) return;
  AppendToEditBox(Program::Instance().Desktop(), reinterpret_cast<WindowId>(window->Control(kLogBox)),
                  {what, path, "\r\n"});
}

}  // namespace

FileDialogControl& MainFileDialog() {
  LiveWindow* window = MainWindow();
  if (!window) FatalRuntimeError(MessageNoLiveControl());
  if (g_dialog.window != window->Handle()) {
    g_dialog.window = window->Handle();
    g_dialog.control = FileDialogControl(MainWindowDescription().controls[kFileDialog].fileDialog);
  }
  return g_dialog.control;
}

Text ScriptTextFromFileBytes(const Bytes& file) { return ScriptTextFromFile(file, Utf8ToGbk); }

void NewScript() {
  if (!ConfirmDiscardOrSave() || !MainWindow()) return;
  SetEditorText("");
}

void OpenScript() {
  if (!ConfirmDiscardOrSave() || !MainWindow()) return;
  FileDialogControl& dialog = MainFileDialog();
  dialog.settings.SetDialogKind(0);
  dialog.settings.fileMustExist = 1;
  if (!ShowFileDialog(dialog) || !MainWindow()) return;
  // A file that cannot be read leaves the script as it is.
  const auto content = Program::Instance().Desktop().ReadWholeFile(dialog.Path());
  if (!content) {
    Log("无法读取文件：", dialog.settings.fileName);
    return;
  }
  SetEditorText(ScriptTextFromFileBytes(*content));
  Log("已打开：", dialog.settings.fileName);
}

bool SaveScript() {
  if (!MainWindow()) return false;
  FileDialogControl& dialog = MainFileDialog();
  dialog.settings.SetDialogKind(1);
  // With it on, the save dialog would refuse every name not yet on disk.
  dialog.settings.fileMustExist = 0;
  if (!ShowFileDialog(dialog) || !MainWindow()) return false;
  const Text script = EditorText();
  if (!Program::Instance().Desktop().WriteWholeFile(dialog.Path(), Bytes(script.begin(), script.end()))) {
    Log("保存失败：", dialog.settings.fileName);
    return false;
  }
  MarkScriptSaved();
  Log("已保存：", dialog.settings.fileName);
  return true;
}

}  // namespace quorvane::ui
