#include "desktop/file_dialog_logic.h"

#include <vector>

namespace quorvane {
namespace {

bool IsWhiteSpace(unsigned char b) { return b == ' ' || (b >= '\t' && b <= '\r'); }

// Start offsets of the characters of a GBK text: a lead byte takes the byte
// after it along, whatever that byte is.
std::vector<std::size_t> CharacterStarts(const Text& text) {
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i < text.size(); i += IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1)
    starts.push_back(i);
  return starts;
}

bool IsSingleByteAt(const Text& text, const std::vector<std::size_t>& starts, std::size_t k, char c) {
  return starts[k] + 1 == (k + 1 < starts.size() ? starts[k + 1] : text.size()) && text[starts[k]] == c;
}

}  // namespace

std::uint32_t FileDialogFlags(const FileDialogState& state) {
  std::uint32_t flags = kOfnHideReadOnly;
  if (SwitchOn(state.promptCreate)) flags |= kOfnCreatePrompt;
  if (SwitchOn(state.fileMustExist)) flags |= kOfnFileMustExist;
  if (SwitchOn(state.promptOverwrite)) flags |= kOfnOverwritePrompt;
  if (SwitchOn(state.folderMustExist)) flags |= kOfnPathMustExist;
  if (SwitchOn(state.keepCurrentFolder)) flags |= kOfnNoChangeDir;
  return flags | kOfnExplorer | kOfnEnableHook | kOfnEnableSizing;
}

Text TrimTrailingWhiteSpace(const Text& text) {
  const std::vector<std::size_t> starts = CharacterStarts(text);
  std::size_t end = starts.size();
  while (end > 0 && starts[end - 1] + 1 == (end < starts.size() ? starts[end] : text.size()) &&
         IsWhiteSpace(static_cast<unsigned char>(text[starts[end - 1]])))
    --end;
  return text.substr(0, end < starts.size() ? starts[end] : text.size());
}

std::string FileDialogFilterList(const Text& filter) {
  const Text trimmed = TrimTrailingWhiteSpace(filter);
  if (trimmed.empty()) return {};
  const std::vector<std::size_t> starts = CharacterStarts(trimmed);
  const std::size_t n = starts.size();
  std::string list = trimmed;
  for (std::size_t k = 0; k < n; ++k)
    if (IsSingleByteAt(trimmed, starts, k, '|')) list[starts[k]] = '\0';
  const bool endsInTwoBars =
      n >= 2 && IsSingleByteAt(trimmed, starts, n - 1, '|') && IsSingleByteAt(trimmed, starts, n - 2, '|');
  if (!endsInTwoBars) list.append(2, '\0');
  return list;
}

std::uint32_t FileDialogFilterNumber(const FileDialogState& state) {
  if (FileDialogFilterList(state.filter).empty()) return 0;
  return static_cast<std::uint32_t>(state.FilterIndex()) + 1;  // no overflow at INT_MAX
}

Text FileDialogStartName(const Text& fileName) {
  const std::size_t limit = kFileNameBufferSize - 1;
  if (fileName.size() <= limit) return fileName;
  std::size_t end = 0;
  for (std::size_t start : CharacterStarts(fileName)) {
    const std::size_t next = start + (IsLeadByte(static_cast<unsigned char>(fileName[start])) ? 2 : 1);
    if (next > limit) break;
    end = next;
  }
  return fileName.substr(0, end);
}

Text FileDialogDefaultExtension(const Text& extension) {
  std::size_t first = 0;
  while (first < extension.size() && extension[first] == '.') ++first;
  return extension.substr(first);
}

}  // namespace quorvane
