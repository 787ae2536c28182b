// The system's open and save dialogs, shown from the settings of 通用对话框1.
#include "ui/file_dialog.h"

#include <commdlg.h>

#include <array>
#include <vector>

#include "desktop/win32/codepage.h"

namespace quorvane::ui {
namespace {

static_assert(kOfnOverwritePrompt == OFN_OVERWRITEPROMPT && kOfnHideReadOnly == OFN_HIDEREADONLY &&
              kOfnNoChangeDir == OFN_NOCHANGEDIR && kOfnEnableHook == OFN_ENABLEHOOK &&
              kOfnPathMustExist == OFN_PATHMUSTEXIST && kOfnFileMustExist == OFN_FILEMUSTEXIST &&
              kOfnCreatePrompt == OFN_CREATEPROMPT && kOfnExplorer == OFN_EXPLORER &&
              kOfnEnableSizing == OFN_ENABLESIZING);

// The hook adds nothing; asking for one keeps the dialog's layout the same
// whatever the system's default for hook-less dialogs is.
UINT_PTR CALLBACK NoHook(HWND, UINT, WPARAM, LPARAM) { return 0; }

// Disables the owner (and its top-level window when that is another one)
// while the dialog is up, and puts back the enabled state and the focus.
class OwnerDisabled {
 public:
  explicit OwnerDisabled(HWND owner) : focus_(GetFocus()) {
    if (!owner) return;
    Disable(owner);
    HWND root = GetAncestor(owner, GA_ROOT);
    if (root && root != owner) Disable(root);
  }
  ~OwnerDisabled() {
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it)
      if (IsWindow(it->first)) EnableWindow(it->first, it->second);
    if (focus_ && IsWindow(focus_)) SetFocus(focus_);
  }
  OwnerDisabled(const OwnerDisabled&) = delete;
  OwnerDisabled& operator=(const OwnerDisabled&) = delete;

 private:
  void Disable(HWND window) {
    windows_.emplace_back(window, IsWindowEnabled(window));
    EnableWindow(window, FALSE);
  }
  HWND focus_;
  std::vector<std::pair<HWND, BOOL>> windows_;
};

}  // namespace

FileDialogControl::FileDialogControl(const FileDialogSettings& d) {
  settings.SetDialogKind(d.kind);
  settings.title = d.title;
  settings.fileName = d.fileName;
  settings.filter = d.filter;
  settings.SetFilterIndex(d.initialFilter);
  settings.initialFolder = d.initialFolder;
  settings.defaultExtension = d.defaultExtension;
  settings.promptCreate = d.promptToCreate ? 1 : 0;
  settings.fileMustExist = d.fileMustExist ? 1 : 0;
  settings.promptOverwrite = d.promptToOverwrite ? 1 : 0;
  settings.folderMustExist = d.pathMustExist ? 1 : 0;
  settings.keepCurrentFolder = d.keepCurrentFolder ? 1 : 0;
}

WidePath FileDialogControl::Path() const {
  return WideToPath(ChoiceStillShown() ? chosen_ : GbkToWide(settings.fileName));
}

std::wstring FileDialogControl::StartName() const {
  return ChoiceStillShown() ? chosen_ : GbkToWide(FileDialogStartName(settings.fileName));
}

void FileDialogControl::StoreChoice(const std::wstring& path) {
  chosen_ = path;
  chosenAsGbk_ = WideToGbk(path);
  settings.fileName = chosenAsGbk_;
}

HWND DialogOwner() {
  HWND window = GetActiveWindow();
  while (window && (GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD)) window = GetParent(window);
  return window ? GetLastActivePopup(window) : nullptr;
}

bool ShowFileDialog(FileDialogControl& control) {
  const FileDialogState& s = control.settings;
  const int kind = s.DialogKind();
  if (kind != 0 && kind != 1) return false;  // font and help are not file dialogs

  std::array<wchar_t, kFileNameBufferSize> name{};
  control.StartName().copy(name.data(), name.size() - 1);

  const std::wstring filter = GbkToWide(FileDialogFilterList(s.filter));
  const std::wstring title = GbkToWide(s.title);
  const std::wstring folder = GbkToWide(s.initialFolder);
  // The dialog puts the period in front of the extension itself.
  const std::wstring extension = GbkToWide(FileDialogDefaultExtension(s.defaultExtension));

  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof(ofn);
  ofn.hInstance = GetModuleHandleW(nullptr);
  ofn.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
  ofn.nFilterIndex = FileDialogFilterNumber(s);
  ofn.lpstrFile = name.data();
  ofn.nMaxFile = static_cast<DWORD>(name.size());
  ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
  ofn.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
  ofn.Flags = FileDialogFlags(s);
  ofn.lpfnHook = NoHook;

  BOOL ok = FALSE;
  {
    ofn.hwndOwner = DialogOwner();
    OwnerDisabled disabled(ofn.hwndOwner);
    ok = kind == 0 ? GetOpenFileNameW(&ofn) : GetSaveFileNameW(&ofn);
  }
  if (!ok) return false;
  name.back() = L'\0';
  control.StoreChoice(name.data());
  return true;
}

}  // namespace quorvane::ui
