// Closing the main window with a script the user changed and never saved:
// the question, and what each answer does.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "ui/main_window.h"
#include "ui_test_support.h"

namespace quorvane::ui {
namespace {

using testing::Press;
using testing::PumpFor;
using testing::StaticTexts;
using testing::TextOf;
using testing::Wide;

// Answers the dialogs that come up on this thread, from inside their own
// message loops: a thread timer runs there too.
struct DialogAnswers {
  int questionAnswer = 0;      // IDYES, IDNO or IDCANCEL
  std::wstring saveAs;         // empty: cancel the save dialog
  std::vector<std::wstring> questions;  // caption + "|" + text of each question
  int saveDialogs = 0;
  std::vector<HWND> handled;
};
DialogAnswers* g_answers = nullptr;

BOOL CALLBACK AnswerDialog(HWND dialog, LPARAM) {
  wchar_t cls[16];
  GetClassNameW(dialog, cls, 16);
  DialogAnswers& a = *g_answers;
  if (wcscmp(cls, L"#32770") != 0 || !IsWindowVisible(dialog)) return TRUE;
  for (HWND done : a.handled)
    if (done == dialog) return TRUE;
  a.handled.push_back(dialog);
  if (GetDlgItem(dialog, IDNO)) {  // the question
    a.questions.push_back(TextOf(dialog) + L"|" + StaticTexts(dialog));
    Press(dialog, a.questionAnswer);
  } else {  // the save dialog
    ++a.saveDialogs;
    if (a.saveAs.empty()) {
      Press(dialog, IDCANCEL);
    } else {
      SetDlgItemTextW(dialog, 0x47c, a.saveAs.c_str());  // cmb13, the file name box
      SetDlgItemTextW(dialog, 0x480, a.saveAs.c_str());  // edt1 in older dialogs
      Press(dialog, IDOK);
    }
  }
  return TRUE;
}

void CALLBACK AnswerDialogs(HWND, UINT, UINT_PTR, DWORD) { EnumThreadWindows(GetCurrentThreadId(), AnswerDialog, 0); }

class UnsavedChangesTest : public testing::MainWindowFixture {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    g_answers = &answers_;
    timer_ = SetTimer(nullptr, 0, 80, AnswerDialogs);
  }
  void TearDown() override {
    KillTimer(nullptr, timer_);
    g_answers = nullptr;
    MainWindowFixture::TearDown();
  }
  void Type(const wchar_t* text) {
    SendMessageW(Control(kEditor), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
  }
  DialogAnswers answers_;
  UINT_PTR timer_ = 0;
};

std::wstring SavePath() {
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  return std::wstring(folder) + L"quorvane_ui_unsaved.txt";
}

std::string FileContent(const std::wstring& path) {
  std::string content;
  if (FILE* file = _wfopen(path.c_str(), L"rb")) {
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, file)) > 0;) content.append(buffer, n);
    fclose(file);
  }
  return content;
}

TEST_F(UnsavedChangesTest, ClosingAsksOnlyWhenTheUserChangedTheScript) {
  enum Change { kNone, kProgramSetsText, kUserTypes, kUserTypesThenUndoes };
  struct Case {
    const char* name;
    Change change;
    bool escape;  // close with Esc instead of WM_CLOSE
    int answer;
    bool saveInDialog;
    bool asked, closed;
    int saveDialogs;
  };
  const Case cases[] = {
      {"unchanged", kNone, false, IDYES, false, false, true, 0},
      {"text set by the program", kProgramSetsText, false, IDYES, false, false, true, 0},
      {"typed back to the saved text", kUserTypesThenUndoes, false, IDYES, false, false, true, 0},
      {"changed, No", kUserTypes, false, IDNO, false, true, true, 0},
      {"changed, Esc, No", kUserTypes, true, IDNO, false, true, true, 0},
      {"changed, Cancel", kUserTypes, false, IDCANCEL, false, true, false, 0},
      {"changed, Esc, Cancel", kUserTypes, true, IDCANCEL, false, true, false, 0},
      {"changed, Yes, save dialog cancelled", kUserTypes, false, IDYES, false, true, false, 1},
      {"changed, Yes, saved", kUserTypes, false, IDYES, true, true, true, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (!MainWindow()) SetUp();
    answers_ = DialogAnswers{};
    answers_.questionAnswer = c.answer;
    DeleteFileW(SavePath().c_str());
    if (c.saveInDialog) answers_.saveAs = SavePath();
    switch (c.change) {
      case kNone: break;
      case kProgramSetsText: SetEditorText("由程序写入"); break;
      case kUserTypes: Type(L"typed "); break;
      case kUserTypesThenUndoes: {
        const std::wstring before = TextOf(Control(kEditor));
        Type(L"x");
        SetWindowTextW(Control(kEditor), before.c_str());
        break;
      }
    }
    const std::wstring script = TextOf(Control(kEditor));
    if (c.escape) {
      PressKey(Control(kEditor), VK_ESCAPE);
    } else {
      SendMessageW(main_, WM_CLOSE, 0, 0);
    }
    PumpFor(50);
    EXPECT_EQ(!answers_.questions.empty(), c.asked);
    if (!answers_.questions.empty()) {
      EXPECT_EQ(answers_.questions[0], L"Quorvane|" + Wide("脚本已修改，是否保存？"));
    }
    EXPECT_EQ(answers_.saveDialogs, c.saveDialogs);
    EXPECT_EQ(MainWindow() == nullptr, c.closed);
    if (c.saveInDialog) {
      EXPECT_EQ(FileContent(SavePath()), WideToGbk(script));
    }
    if (MainWindow()) {
      EXPECT_TRUE(ScriptModified());  // kept open with the changes still there
      EXPECT_EQ(TextOf(Control(kEditor)), script);
      MarkScriptSaved();
    }
  }
  DeleteFileW(SavePath().c_str());
}

TEST_F(UnsavedChangesTest, EndOfSessionNeverAsksAndNeverRefuses) {
  Type(L"typed ");
  EXPECT_NE(SendMessageW(main_, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), 0);
  PumpFor(200);
  EXPECT_TRUE(answers_.questions.empty());
}

}  // namespace
}  // namespace quorvane::ui
