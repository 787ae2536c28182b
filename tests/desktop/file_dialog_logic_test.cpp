// What the file dialog is handed from the settings of 通用对话框1. Texts here
// are GBK at run time; "東" is 96 7C, its second byte a "|".
#include "desktop/file_dialog_logic.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace quorvane {
namespace {

using namespace std::string_literals;

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char b : bytes) {
    if (!out.empty()) out += ' ';
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

// The settings the main window starts with.
FileDialogState DescriptionSettings() {
  FileDialogState s;
  s.filter = "文本文档|*.txt";
  s.defaultExtension = ".txt";
  s.fileMustExist = 1;
  s.promptOverwrite = 1;
  s.folderMustExist = 1;
  return s;
}

TEST(FileDialogSettingsTest, DialogKindAndFilterIndexAreKeptInRange) {
  struct Case {
    const char* name;
    int written;
    int kind;
    int filterIndex;
  };
  const Case cases[] = {
      {"open", 0, 0, 0},
      {"save", 1, 1, 1},
      {"help, the highest kind", 3, 3, 3},
      {"just above the highest kind", 4, 3, 4},
      {"far above", INT_MAX, 3, INT_MAX},
      {"just below zero", -1, 0, 0},
      {"far below", INT_MIN, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FileDialogState s;
    s.SetDialogKind(c.written);
    s.SetFilterIndex(c.written);
    EXPECT_EQ(s.DialogKind(), c.kind);
    EXPECT_EQ(s.FilterIndex(), c.filterIndex);
  }
}

TEST(FileDialogSettingsTest, FlagsHoldTheSwitchesThatAreExactlyOne) {
  constexpr std::uint32_t kAlways = kOfnHideReadOnly | kOfnExplorer | kOfnEnableHook | kOfnEnableSizing;
  struct Case {
    const char* name;
    FileDialogState settings;
    std::uint32_t flags;
  };
  FileDialogState forSave = DescriptionSettings();
  forSave.SetDialogKind(1);
  forSave.fileMustExist = 0;
  FileDialogState allOn;
  allOn.promptCreate = allOn.fileMustExist = allOn.promptOverwrite = allOn.folderMustExist =
      allOn.keepCurrentFolder = 1;
  FileDialogState notExactlyOne;
  notExactlyOne.promptCreate = 2;
  notExactlyOne.fileMustExist = -1;
  notExactlyOne.promptOverwrite = 256 + 1;
  notExactlyOne.folderMustExist = INT_MIN + 1;
  notExactlyOne.keepCurrentFolder = 3;
  const Case cases[] = {
      {"the description's settings (open)", DescriptionSettings(),
       kAlways | kOfnFileMustExist | kOfnOverwritePrompt | kOfnPathMustExist},
      {"save, a new name allowed", forSave, kAlways | kOfnOverwritePrompt | kOfnPathMustExist},
      {"every switch on", allOn,
       kAlways | kOfnCreatePrompt | kOfnFileMustExist | kOfnOverwritePrompt | kOfnPathMustExist | kOfnNoChangeDir},
      {"every switch off", FileDialogState{}, kAlways},
      {"non-zero values other than 1", notExactlyOne, kAlways},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FileDialogFlags(c.settings), c.flags);
  }
}

TEST(FileDialogSettingsTest, FilterListSeparatesAtRealBarsOnly) {
  struct Case {
    const char* name;
    Text filter;
    std::string list;
  };
  const std::string kText = "文本文档\0*.txt\0\0"s;
  const Case cases[] = {
      {"one pair", "文本文档|*.txt", kText},
      {"already ending in ||", "文本文档|*.txt||", kText},
      {"ending in spaces", "文本文档|*.txt   ", kText},
      {"ending in tab, CR, LF, VT, FF", "文本文档|*.txt\t\r\n\v\f", kText},
      {"|| then a space", "文本文档|*.txt|| ", kText},
      {"two pairs", "Text|*.txt|All|*.*", "Text\0*.txt\0All\0*.*\0\0"s},
      {"empty: no filter", "", ""},
      {"only spaces: no filter", "  \t ", ""},
      {"a character whose second byte is |", "東|*.txt", "東\0*.txt\0\0"s},
      {"ending in such a character", "*.txt|東", "*.txt\0東\0\0"s},
      // 96 7C 7C: one real bar after the character, so || is still added.
      {"such a character then one bar", "*.txt|東|", "*.txt\0東\0\0\0"s},
      {"a space that is the second byte of a character", "a|\x81 ", "a\0\x81 \0\0"s},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Hex(FileDialogFilterList(c.filter)), Hex(c.list));
  }
}

TEST(FileDialogSettingsTest, FilterNumberIsOneBasedAndNoneWithoutFilter) {
  struct Case {
    const char* name;
    Text filter;
    int index;
    std::uint32_t number;
  };
  const Case cases[] = {
      {"first pair", "文本文档|*.txt", 0, 1},
      {"third pair", "a|*.a|b|*.b|c|*.c", 2, 3},
      {"largest index does not wrap", "文本文档|*.txt", INT_MAX, 0x80000000u},
      {"no filter", "", 4, 0},
      {"a filter of spaces is none", "   ", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FileDialogState s;
    s.filter = c.filter;
    s.SetFilterIndex(c.index);
    EXPECT_EQ(FileDialogFilterNumber(s), c.number);
  }
}

TEST(FileDialogSettingsTest, StartNameFitsTheBufferWithItsTerminator) {
  struct Case {
    const char* name;
    Text fileName;
    Text expected;
  };
  const Text a259(259, 'a');
  const Case cases[] = {
      {"empty", "", ""},
      {"short path", "C:\\脚本\\a.txt", "C:\\脚本\\a.txt"},
      {"exactly 259 bytes", a259, a259},
      {"260 bytes", a259 + "b", a259},
      {"far too long", Text(1000, 'x'), Text(259, 'x')},
      {"a character ending at byte 259", Text(257, 'a') + "文", Text(257, 'a') + "文"},
      {"a character across the cut", Text(258, 'a') + "文", Text(258, 'a')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Text name = FileDialogStartName(c.fileName);
    EXPECT_EQ(name, c.expected);
    EXPECT_LT(name.size(), kFileNameBufferSize);
  }
}

TEST(FileDialogSettingsTest, DefaultExtensionLosesItsLeadingPeriod) {
  struct Case {
    const char* name;
    Text extension;
    Text expected;
  };
  const Case cases[] = {
      {"with period", ".txt", "txt"},
      {"without period", "txt", "txt"},
      {"two periods", "..txt", "txt"},
      {"empty", "", ""},
      {"only a period", ".", ""},
      {"a period inside stays", ".tar.gz", "tar.gz"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FileDialogDefaultExtension(c.extension), c.expected);
  }
}

}  // namespace
}  // namespace quorvane
