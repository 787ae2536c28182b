// New, open and save through the real system dialogs. A thread timer answers
// each dialog from inside its own message loop: it types a name into the
// file dialog and presses OK or Cancel, and presses a button of each
// message box, recording what it saw.
#include <windows.h>
#include <commdlg.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "desktop/win32/codepage.h"
#include "ui/about_window.h"
#include "ui/main_window.h"
#include "ui/script_files.h"
#include "ui_test_support.h"

namespace quorvane::ui {
namespace {

using testing::Press;
using testing::PumpFor;
using testing::StaticTexts;
using testing::TextOf;
using testing::Wide;

constexpr int kNameCombo = 0x47c;  // cmb13: the file name box of an Explorer dialog
constexpr int kNameEdit = 0x480;   // edt1

struct SeenFileDialog {
  std::wstring title;
  std::wstring startName;  // the folder shown and the name box when the dialog came up
  bool ownerWasEnabled = true;
  HWND owner = nullptr;
};

struct Responder {
  std::deque<std::optional<std::wstring>> names;  // nullopt or empty queue: Cancel
  std::deque<int> buttons;                        // empty queue: IDCANCEL
  std::vector<SeenFileDialog> fileDialogs;
  std::vector<std::wstring> boxes;  // the text of each message box
  std::vector<HWND> answered;
  HWND main = nullptr;
};
Responder* g_responder = nullptr;

BOOL CALLBACK AnswerOne(HWND dialog, LPARAM) {
  Responder& r = *g_responder;
  wchar_t cls[16];
  GetClassNameW(dialog, cls, 16);
  if (wcscmp(cls, L"#32770") != 0 || !IsWindowVisible(dialog) || !IsWindowEnabled(dialog)) return TRUE;
  for (HWND done : r.answered)
    if (done == dialog) return TRUE;
  r.answered.push_back(dialog);
  HWND nameBox = GetDlgItem(dialog, kNameCombo);
  if (!nameBox) nameBox = GetDlgItem(dialog, kNameEdit);
  if (nameBox) {
    // The dialog shows the folder of a full start path and the name alone.
    std::wstring start = TextOf(nameBox);
    wchar_t folder[MAX_PATH] = L"";
    if (!start.empty() && SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder)) > 0)
      start = std::wstring(folder) + (folder[wcslen(folder) - 1] == L'\\' ? L"" : L"\\") + start;
    r.fileDialogs.push_back({TextOf(dialog), start, IsWindowEnabled(r.main) != FALSE, GetWindow(dialog, GW_OWNER)});
    std::optional<std::wstring> name;
    if (!r.names.empty()) {
      name = r.names.front();
      r.names.pop_front();
    }
    if (!name) return Press(dialog, IDCANCEL), TRUE;
    SetDlgItemTextW(dialog, kNameCombo, name->c_str());
    SetDlgItemTextW(dialog, kNameEdit, name->c_str());
    Press(dialog, IDOK);
  } else {
    r.boxes.push_back(StaticTexts(dialog));
    int button = IDCANCEL;
    if (!r.buttons.empty()) {
      button = r.buttons.front();
      r.buttons.pop_front();
    }
    Press(dialog, button);
    // The file dialog under a box (the overwrite question) may be answered again.
    r.answered.clear();
  }
  return TRUE;
}

void CALLBACK AnswerDialogs(HWND, UINT, UINT_PTR, DWORD) {
  if (g_responder) EnumThreadWindows(GetCurrentThreadId(), AnswerOne, 0);
}

std::wstring TempPath(const std::wstring& name) {
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  return std::wstring(folder) + name;
}

std::optional<std::string> FileBytes(const std::wstring& path) {
  FILE* file = _wfopen(path.c_str(), L"rb");
  if (!file) return std::nullopt;
  std::string content;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, file)) > 0;) content.append(buffer, n);
  fclose(file);
  return content;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  FILE* file = _wfopen(path.c_str(), L"wb");
  ASSERT_NE(file, nullptr);
  fwrite(bytes.data(), 1, bytes.size(), file);
  fclose(file);
}

void Remove(const std::wstring& path) {
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(path.c_str());
}

class FilesTest : public testing::MainWindowFixture {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    responder_.main = main_;
    g_responder = &responder_;
    timer_ = SetTimer(nullptr, 0, 60, AnswerDialogs);
  }
  void TearDown() override {
    KillTimer(nullptr, timer_);
    g_responder = nullptr;
    for (const std::wstring& path : created_) Remove(path);
    MainWindowFixture::TearDown();
  }
  std::wstring Path(const std::wstring& name) {
    created_.push_back(TempPath(name));
    Remove(created_.back());
    return created_.back();
  }
  void Command(UINT id) {
    SendMessageW(main_, WM_COMMAND, MAKEWPARAM(id, 0), 0);
    PumpFor(30);
  }
  void Type(const wchar_t* text) {
    SendMessageW(Control(kEditor), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
  }
  void ResetResponder() {
    responder_ = Responder{};
    responder_.main = main_;
  }
  std::wstring Log() const { return TextOf(Control(kLogBox)); }

  Responder responder_;
  UINT_PTR timer_ = 0;
  std::vector<std::wstring> created_;
};

TEST_F(FilesTest, SaveWritesExactlyTheEditorsBytesAndOpenBringsThemBack) {
  struct Case {
    const char* name;
    Text script;
  };
  const Case cases[] = {
      {"script with Chinese text and CR LF", "' 点击\r\nM|100|200|0\r\nT|500-800\r\n東|亅"},
      {"one line, no line break at the end", "K|65|0"},
      {"empty editor", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring path = Path(L"quorvane_files_roundtrip.txt");
    ResetResponder();
    SetEditorText(c.script);
    responder_.names = {path};
    Command(kCmdSave);
    ASSERT_EQ(responder_.fileDialogs.size(), 1u);
    EXPECT_EQ(FileBytes(path), std::optional<std::string>(c.script));
    EXPECT_EQ(MainFileDialog().settings.fileName, WideToGbk(path));
    EXPECT_NE(Log().find(Wide("已保存：") + path + L"\r\n"), std::wstring::npos);

    Command(kCmdNew);
    EXPECT_EQ(TextOf(Control(kEditor)), L"");
    responder_.names = {path};
    Command(kCmdOpen);
    ASSERT_EQ(responder_.fileDialogs.size(), 2u);
    EXPECT_EQ(responder_.fileDialogs[1].startName, path);  // the open dialog starts with the saved path
    EXPECT_EQ(EditorText(), c.script);
    EXPECT_FALSE(ScriptModified());
    EXPECT_NE(Log().find(Wide("已打开：") + path + L"\r\n"), std::wstring::npos);
    EXPECT_TRUE(responder_.boxes.empty());
  }
}

TEST_F(FilesTest, TheDialogIsOwnedByTheMainWindowWhichIsDisabledMeanwhile) {
  SetFocus(Control(kEditor));
  ResetResponder();
  Command(kCmdOpen);
  ASSERT_EQ(responder_.fileDialogs.size(), 1u);
  EXPECT_EQ(responder_.fileDialogs[0].owner, main_);
  EXPECT_FALSE(responder_.fileDialogs[0].ownerWasEnabled);
  EXPECT_EQ(responder_.fileDialogs[0].startName, L"");  // nothing chosen yet
  EXPECT_TRUE(IsWindowEnabled(main_));
  EXPECT_EQ(GetFocus(), Control(kEditor));
}

TEST_F(FilesTest, TheDialogOwnerIsTheActiveProgramWindow) {
  struct Case {
    const char* name;
    bool aboutOpen;
    bool aboutActive;
  };
  const Case cases[] = {
      {"main window active", false, false},
      {"about window open, main window active", true, false},
      {"about window active", true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HWND about = nullptr;
    if (c.aboutOpen) {
      Command(kCmdHelp);
      LiveWindow* window = Program::Instance().OpenWindow(AboutWindowDescription());
      ASSERT_NE(window, nullptr);
      about = window->Handle();
    }
    SetForegroundWindow(c.aboutActive ? about : main_);
    PumpFor(60);
    EXPECT_EQ(DialogOwner(), c.aboutActive ? about : main_);
    if (about) SendMessageW(about, WM_CLOSE, 0, 0);
    PumpFor(30);
  }
}

TEST_F(FilesTest, CancelChangesNothing) {
  const std::wstring earlier = Path(L"quorvane_files_earlier.txt");
  WriteBytes(earlier, "T|1");
  struct Case {
    const char* name;
    UINT command;
  };
  const Case cases[] = {{"open", kCmdOpen}, {"save", kCmdSave}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetResponder();
    responder_.names = {earlier};
    Command(kCmdOpen);  // FileName now holds a path
    SetEditorText("K|13|0");
    const std::wstring log = Log();
    ResetResponder();
    Command(c.command);  // the responder cancels
    ASSERT_EQ(responder_.fileDialogs.size(), 1u);
    EXPECT_EQ(EditorText(), "K|13|0");
    EXPECT_EQ(MainFileDialog().settings.fileName, WideToGbk(earlier));
    EXPECT_EQ(FileBytes(earlier), std::optional<std::string>("T|1"));
    EXPECT_EQ(Log(), log);
  }
}

TEST_F(FilesTest, SavingOverAnExistingFileAsksFirst) {
  struct Case {
    const char* name;
    int answer;
    std::string fileAfter;
    bool saved;
  };
  const Case cases[] = {
      {"Yes replaces the file", IDYES, "M|1|2|0", true},
      {"No leaves it, then Cancel", IDNO, "old", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring path = Path(L"quorvane_files_existing.txt");
    WriteBytes(path, "old");
    ResetResponder();
    SetEditorText("M|1|2|0");
    const size_t logBefore = Log().size();
    responder_.names = {path, std::nullopt};
    responder_.buttons = {c.answer};
    Command(kCmdSave);
    EXPECT_EQ(responder_.boxes.size(), 1u);  // the system's own question
    EXPECT_EQ(FileBytes(path), std::optional<std::string>(c.fileAfter));
    EXPECT_EQ(Log().find(Wide("已保存："), logBefore) != std::wstring::npos, c.saved);
  }
}

TEST_F(FilesTest, UnsavedChangesAreOfferedForSavingBeforeNewAndOpen) {
  struct Case {
    const char* name;
    UINT command;
    int answer;
    bool saveFirst;   // Yes: the save dialog is answered with a name
    bool replaced;    // the editor then holds the new or opened script
    int fileDialogs;
  };
  const Case cases[] = {
      {"new, Cancel keeps the script", kCmdNew, IDCANCEL, false, false, 0},
      {"new, No throws it away", kCmdNew, IDNO, false, true, 0},
      {"new, Yes saves it first", kCmdNew, IDYES, true, true, 1},
      {"new, Yes but the save is cancelled", kCmdNew, IDYES, false, false, 1},
      {"open, Cancel shows no dialog", kCmdOpen, IDCANCEL, false, false, 0},
      {"open, No opens", kCmdOpen, IDNO, false, true, 1},
      {"open, Yes saves, then opens", kCmdOpen, IDYES, true, true, 2},
  };
  const std::wstring other = Path(L"quorvane_files_other.txt");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring saved = Path(L"quorvane_files_unsaved.txt");
    WriteBytes(other, "T|42");
    SetEditorText("T|1");
    Type(L"typed ");
    const std::wstring script = TextOf(Control(kEditor));
    ResetResponder();
    responder_.buttons = {c.answer};
    if (c.answer == IDYES) responder_.names.push_back(c.saveFirst ? std::optional(saved) : std::nullopt);
    if (c.command == kCmdOpen) responder_.names.push_back(other);
    Command(c.command);
    ASSERT_EQ(responder_.boxes.size(), 1u);
    EXPECT_EQ(responder_.boxes[0], Wide("脚本已修改，是否保存？"));
    EXPECT_EQ(responder_.fileDialogs.size(), static_cast<size_t>(c.fileDialogs));
    const std::wstring expected = !c.replaced ? script : c.command == kCmdNew ? L"" : L"T|42";
    EXPECT_EQ(TextOf(Control(kEditor)), expected);
    EXPECT_EQ(ScriptModified(), !c.replaced);
    if (c.saveFirst) {
      EXPECT_EQ(FileBytes(saved), std::optional<std::string>(WideToGbk(script)));
    }
  }
}

TEST_F(FilesTest, FailuresAreReportedAndKeepWhatWasThere) {
  const std::wstring path = Path(L"quorvane_files_failure.txt");
  WriteBytes(path, "old");
  {
    SCOPED_TRACE("a read-only file is not replaced");
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
    SetEditorText("T|1");
    Type(L"new ");
    responder_.names = {path};
    responder_.buttons = {IDYES};  // replace it? yes
    Command(kCmdSave);
    EXPECT_EQ(FileBytes(path), std::optional<std::string>("old"));
    EXPECT_NE(Log().find(Wide("保存失败：") + path + L"\r\n"), std::wstring::npos);
    EXPECT_EQ(Log().find(Wide("已保存：")), std::wstring::npos);
    EXPECT_TRUE(ScriptModified());
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
  {
    SCOPED_TRACE("a file that cannot be read leaves the editor as it was");
    MarkScriptSaved();
    const std::wstring script = TextOf(Control(kEditor));
    HANDLE lock = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    ResetResponder();
    responder_.names = {path};
    Command(kCmdOpen);
    CloseHandle(lock);
    ASSERT_EQ(responder_.fileDialogs.size(), 1u);
    EXPECT_EQ(TextOf(Control(kEditor)), script);
    EXPECT_NE(Log().find(Wide("无法读取文件：") + path + L"\r\n"), std::wstring::npos);
    EXPECT_EQ(Log().find(Wide("已打开：")), std::wstring::npos);
  }
}

TEST_F(FilesTest, ANameTypedWithoutExtensionGetsTxt) {
  struct Case {
    const char* name;
    Text filter;
  };
  // With "*.*" selected only the default extension can supply ".txt".
  const Case cases[] = {{"text files", "文本文档|*.txt"}, {"all files", "所有文件|*.*"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring bare = Path(L"quorvane_files_bare");
    const std::wstring path = Path(L"quorvane_files_bare.txt");
    Path(L"quorvane_files_bare..txt");
    MainFileDialog().settings.filter = c.filter;
    SetEditorText("T|3");
    ResetResponder();
    responder_.names = {bare};
    Command(kCmdSave);
    EXPECT_EQ(FileBytes(path), std::optional<std::string>("T|3"));
    EXPECT_EQ(MainFileDialog().settings.fileName, WideToGbk(path));
  }
}

TEST_F(FilesTest, OpenAcceptsOnlyAnExistingFile) {
  const std::wstring missing = Path(L"quorvane_files_missing.txt");
  SetEditorText("T|9");
  responder_.names = {missing, std::nullopt};  // then Cancel
  responder_.buttons = {IDOK};                 // the system's "file not found"
  Command(kCmdOpen);
  EXPECT_EQ(responder_.boxes.size(), 1u);
  EXPECT_EQ(responder_.fileDialogs.size(), 2u);  // the same dialog, answered twice
  EXPECT_EQ(EditorText(), "T|9");
  EXPECT_EQ(MainFileDialog().settings.fileName, "");
  EXPECT_FALSE(FileBytes(missing).has_value());
}

TEST_F(FilesTest, SettingsStartFromTheDescriptionWithEachMainWindow) {
  FileDialogState& s = MainFileDialog().settings;
  s.fileName = "C:\\a.txt";
  s.filter = "所有文件|*.*";
  s.SetDialogKind(1);
  s.fileMustExist = 0;
  MarkScriptSaved();
  SendMessageW(main_, WM_CLOSE, 0, 0);
  PumpFor(30);
  ASSERT_EQ(MainWindow(), nullptr);
  testing::StartedProgram().OpenMainWindow(MainWindowDescription());
  ASSERT_NE(MainWindow(), nullptr);
  main_ = responder_.main = MainWindow()->Handle();
  window_ = MainWindow();
  const FileDialogState& fresh = MainFileDialog().settings;
  EXPECT_EQ(fresh.fileName, "");
  EXPECT_EQ(fresh.filter, "文本文档|*.txt");
  EXPECT_EQ(fresh.defaultExtension, ".txt");
  EXPECT_EQ(fresh.DialogKind(), 0);
  EXPECT_EQ(FileDialogFlags(fresh),
            kOfnHideReadOnly | kOfnFileMustExist | kOfnOverwritePrompt | kOfnPathMustExist | kOfnExplorer |
                kOfnEnableHook | kOfnEnableSizing);
}

TEST_F(FilesTest, ANameThatGbkCannotSpellStillOpensAndSaves) {
  const std::wstring path = Path(L"quorvane_\uD55C\uAE00_\u811A\u672C.txt");  // Hangul, then 脚本
  ASSERT_NE(WideToGbk(path).find('?'), std::string::npos) << "GBK should not hold these characters";
  SetEditorText("T|7");
  responder_.names = {path};
  Command(kCmdSave);
  EXPECT_EQ(FileBytes(path), std::optional<std::string>("T|7"));
  Command(kCmdNew);
  responder_.names = {path};
  Command(kCmdOpen);
  EXPECT_EQ(EditorText(), "T|7");
  EXPECT_EQ(Log().find(Wide("无法读取文件：")), std::wstring::npos);
}

TEST(FileDialogControlTest, StartNameAndPathFollowTheLastChoiceWhileFileNameShowsIt) {
  const std::wstring hangul = L"C:\\\uD55C\uAE00.txt";  // GBK cannot spell it
  struct Case {
    const char* name;
    std::optional<std::wstring> choice;
    std::optional<Text> fileNameAfter;  // what the program writes to FileName afterwards
    std::wstring start;
    std::wstring path;
  };
  const Text long300(300, 'a');
  const Case cases[] = {
      {"nothing chosen yet", std::nullopt, std::nullopt, L"", L""},
      {"a name the program wrote", std::nullopt, "C:\\脚本.txt", L"C:\\\u811A\u672C.txt", L"C:\\\u811A\u672C.txt"},
      {"a name too long for the buffer", std::nullopt, long300, std::wstring(259, L'a'), std::wstring(300, L'a')},
      {"a chosen path GBK cannot spell", hangul, std::nullopt, hangul, hangul},
      {"FileName written after the choice", hangul, "D:\\b.txt", L"D:\\b.txt", L"D:\\b.txt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FileDialogControl control(MainWindowDescription().controls[kFileDialog].fileDialog);
    if (c.choice) control.StoreChoice(*c.choice);
    if (c.fileNameAfter) control.settings.fileName = *c.fileNameAfter;
    EXPECT_EQ(control.StartName(), c.start);
    EXPECT_EQ(PathToWide(control.Path()), c.path);
  }
}

TEST(ScriptFileLoadingTest, Utf8FilesBecomeGbkText) {
  struct Case {
    const char* name;
    std::string file;
    Text text;
  };
  const Case cases[] = {
      {"UTF-8", "' \xE7\x82\xB9\xE5\x87\xBB\nM|1|2|0", "' 点击\r\nM|1|2|0"},
      {"UTF-8 with its mark", "\xEF\xBB\xBF' \xE7\x82\xB9\xE5\x87\xBB\r\n", "' 点击\r\n"},
      {"a character GBK lacks", "\xED\x95\x9C|\xE6\x96\x87", "?|文"},
      {"GBK stays as it is", "' 点击\rT|5", "' 点击\r\nT|5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ScriptTextFromFileBytes(Bytes(c.file.begin(), c.file.end())), c.text);
  }
}

}  // namespace
}  // namespace quorvane::ui
