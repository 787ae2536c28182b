#pragma once
// The settings of the file-dialog control 通用对话框1 and what the system
// dialog is handed from them: flags, filter list, start name, filter number.
// Plain data, so that every rule can be checked without a window.
#include <cstdint>
#include <string>

#include "desktop/text.h"

namespace quorvane {

// OFN_* values as <commdlg.h> defines them; the Windows side checks that
// they agree.
inline constexpr std::uint32_t kOfnOverwritePrompt = 0x00000002;
inline constexpr std::uint32_t kOfnHideReadOnly = 0x00000004;
inline constexpr std::uint32_t kOfnNoChangeDir = 0x00000008;
inline constexpr std::uint32_t kOfnEnableHook = 0x00000020;
inline constexpr std::uint32_t kOfnPathMustExist = 0x00000800;
inline constexpr std::uint32_t kOfnFileMustExist = 0x00001000;
inline constexpr std::uint32_t kOfnCreatePrompt = 0x00002000;
inline constexpr std::uint32_t kOfnExplorer = 0x00080000;
inline constexpr std::uint32_t kOfnEnableSizing = 0x00800000;

// The name buffer handed to the dialog, terminating zero included.
inline constexpr std::size_t kFileNameBufferSize = 260;

// The twelve settings. DialogKind and FilterIndex are kept in range when
// written; a switch is on only when it holds exactly 1.
class FileDialogState {
 public:
  int DialogKind() const { return dialogKind_; }  // 0 open, 1 save, 2 font, 3 help
  void SetDialogKind(int kind) { dialogKind_ = kind > 3 ? 3 : kind < 0 ? 0 : kind; }
  int FilterIndex() const { return filterIndex_; }  // 0-based
  void SetFilterIndex(int index) { filterIndex_ = index < 0 ? 0 : index; }

  Text title;
  Text fileName;  // the start name; after OK the chosen path (GBK rendering)
  Text filter;    // "description|pattern|description|pattern..."
  Text initialFolder;
  Text defaultExtension;
  int promptCreate = 0;
  int fileMustExist = 0;
  int promptOverwrite = 0;
  int folderMustExist = 0;
  int keepCurrentFolder = 0;

 private:
  int dialogKind_ = 0;
  int filterIndex_ = 0;
};

inline bool SwitchOn(int value) { return value == 1; }

// OFN_HIDEREADONLY, the switches that are on, and the three the dialog
// always uses (Explorer style, hook, resizable).
std::uint32_t FileDialogFlags(const FileDialogState& state);

// White space (space, tab, CR, LF, VT, FF) removed from the end; a byte that
// is the second half of a double-byte character is never taken for it.
Text TrimTrailingWhiteSpace(const Text& text);

// The filter list as the dialog takes it: the pairs separated by zero bytes,
// ended by an empty string. Empty when the filter is empty (no filter).
std::string FileDialogFilterList(const Text& filter);

// The 1-based number of the filter selected at the start; 0 with no filter.
std::uint32_t FileDialogFilterNumber(const FileDialogState& state);

// The start name as it fits the name buffer: at most 259 bytes, never
// ending in half a double-byte character.
Text FileDialogStartName(const Text& fileName);

// The default extension as the dialog takes it: without its leading period
// (the dialog adds the period itself).
Text FileDialogDefaultExtension(const Text& extension);

}  // namespace quorvane
