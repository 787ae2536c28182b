// New, open and save with the system file dialogs.
#include "ui/script_files.h"

#include <windows.h>
#include <commdlg.h>

#include <string>

#include "desktop/screen.h"
#include "desktop/text_ops.h"
#include "desktop/win32/codepage.h"
#include "ui/frame.h"
#include "ui/main_window.h"

namespace quorvane::ui {
namespace {

// The file chosen in the dialog, as GBK, or nothing when cancelled.
bool ChooseFile(bool save, Text& chosen) {
  HWND owner = MainWindowControl(kEditor);
  owner = GetAncestor(owner, GA_ROOT);
  std::wstring file(32768, L'\0');
  static const wchar_t kFilter[] = L"\u6587\u672c\u6587\u6863\0*.txt\0";  // 文本文档
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = kFilter;
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrDefExt = L"txt";
  ofn.Flags = OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_EXPLORER |
              (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
  const BOOL ok = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
  if (!ok) return false;
  file.resize(wcslen(file.c_str()));
  chosen = WideToGbk(file);
  return true;
}

}  // namespace

void NewScript() {
  if (!ConfirmDiscardOrSave() || !MainWindow()) return;
  SetEditorText("");
}

void OpenScript() {
  if (!ConfirmDiscardOrSave() || !MainWindow()) return;
  Text name;
  if (!ChooseFile(false, name) || !MainWindow()) return;
  const Bytes content = ReadFileBytes(Program::Instance().Desktop(), name);
  SetEditorText(ToText(content));  // a text stops at a zero byte
}

bool SaveScript() {
  if (!MainWindow()) return false;
  Text name;
  if (!ChooseFile(true, name) || !MainWindow()) return false;
  const Text script = EditorText();
  const Bytes content(script.begin(), script.end());
  if (!WriteFileBytes(Program::Instance().Desktop(), name, {&content})) return false;
  MarkScriptSaved();
  return true;
}

}  // namespace quorvane::ui
