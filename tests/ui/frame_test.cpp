// The frame with small windows of the tests' own: event order and holding,
// close queries, the destroyed event, LoadWindow's owner and modal rules,
// and the pure helpers of start-up and the fatal stop.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include "ui/frame.h"
#include "ui_test_support.h"

namespace quorvane::ui {
namespace {

using testing::PumpFor;
using testing::PumpUntil;
using testing::StartedProgram;

struct Recorded {
  std::string what;
  bool visible;
  bool operator==(const Recorded&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Recorded& r) { return out << r.what << (r.visible ? "+" : "-"); }

std::vector<Recorded> g_log;
bool g_closeQueryFirst = true;
bool g_closeQuery = true;
HWND g_otherWindow = nullptr;
bool g_otherEnabledDuringModal = true;

void Note(LiveWindow& window, const char* what) { g_log.push_back({what, IsWindowVisible(window.Handle()) != 0}); }
bool OnCreated(LiveWindow& w) { return Note(w, "created"), true; }
bool OnMoved(LiveWindow& w) { return Note(w, "moved"), true; }
bool OnResized(LiveWindow& w) { return Note(w, "resized"), true; }
bool OnTick(LiveWindow& w) { return Note(w, "tick"), true; }
bool OnDestroyed(LiveWindow& w) {
  // The controls still exist while the destroyed event runs.
  g_log.push_back({IsWindow(w.Control(0)) ? "destroyed, edit alive" : "destroyed, edit gone", false});
  return true;
}
bool OnCloseQueryFirst(LiveWindow& w) { return Note(w, "query 12"), g_closeQueryFirst; }
bool OnCloseQuery(LiveWindow& w) { return Note(w, "query 1"), g_closeQuery; }
bool OnModalTick(LiveWindow& w) {
  g_otherEnabledDuringModal = IsWindowEnabled(g_otherWindow) != 0;
  PostMessageW(w.Handle(), WM_CLOSE, 0, 0);
  return true;
}

constexpr std::array<ControlDescription, 2> kControls{{
    {.name = "编辑框1", .kind = ControlKind::kEdit, .rect = {5, 5, 100, 20}, .style = WS_TABSTOP | WS_BORDER},
    {.name = "时钟1", .kind = ControlKind::kTimer, .rect = {}, .timerPeriodMs = 30},
}};
constexpr std::array<EventBinding, 7> kBindings{{
    {ElementKind::kWindow, 0, kEventCreated, OnCreated},
    {ElementKind::kWindow, 0, kEventMoved, OnMoved},
    {ElementKind::kWindow, 0, kEventResized, OnResized},
    {ElementKind::kWindow, 0, kEventDestroyed, OnDestroyed},
    {ElementKind::kWindow, 0, kEventCloseQueryFirst, OnCloseQueryFirst},
    {ElementKind::kWindow, 0, kEventCloseQuery, OnCloseQuery},
    {ElementKind::kControl, 1, kEventTick, OnTick},
}};
const WindowDescription kRecorder{
    .className = L"QuorvaneFrameTestRecorder",
    .caption = "recorder",
    .outerWidth = 300,
    .outerHeight = 200,
    .style = WS_OVERLAPPEDWINDOW,
    .background = RGB(1, 2, 3),
    .controls = kControls,
    .bindings = kBindings,
};

constexpr std::array<ControlDescription, 1> kModalControls{{
    {.name = "时钟1", .kind = ControlKind::kTimer, .rect = {}, .timerPeriodMs = 50},
}};
constexpr std::array<EventBinding, 1> kModalBindings{{{ElementKind::kControl, 0, kEventTick, OnModalTick}}};
const WindowDescription kModal{
    .className = L"QuorvaneFrameTestModal",
    .caption = "modal",
    .outerWidth = 200,
    .outerHeight = 100,
    .style = WS_OVERLAPPEDWINDOW,
    .controls = kModalControls,
    .bindings = kModalBindings,
};

const WindowDescription kPlain{
    .className = L"QuorvaneFrameTestPlain",
    .caption = "plain",
    .outerWidth = 200,
    .outerHeight = 100,
    .style = WS_OVERLAPPEDWINDOW,
    .ownTaskbarButton = false,
};

class FrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StartedProgram();
    g_log.clear();
    g_closeQueryFirst = g_closeQuery = true;
  }
  void TearDown() override {
    for (const WindowDescription* d : {&kRecorder, &kModal, &kPlain})
      if (LiveWindow* w = StartedProgram().OpenWindow(*d)) DestroyWindow(w->Handle());
    while (StartedProgram().HoldCount() > 0) StartedProgram().ReleaseEvents();
    PumpFor(20);
  }
  // The recorder's events without the timer's ticks.
  static std::vector<Recorded> WindowEvents() {
    std::vector<Recorded> events;
    for (const Recorded& r : g_log)
      if (r.what != "tick") events.push_back(r);
    return events;
  }
};

TEST_F(FrameTest, CreatedMovedAndResizedRunOnceBeforeTheWindowShowsAndBuildingRaisesNothing) {
  ASSERT_TRUE(StartedProgram().LoadWindow(kRecorder, nullptr, false));
  // Showing may size and move the window once more; before it, exactly these.
  const std::vector<Recorded> events = WindowEvents();
  ASSERT_GE(events.size(), 3u);
  const std::vector<Recorded> expected{{"created", false}, {"moved", false}, {"resized", false}};
  EXPECT_EQ(std::vector<Recorded>(events.begin(), events.begin() + 3), expected);
  for (size_t i = 3; i < events.size(); ++i) EXPECT_TRUE(events[i].visible) << events[i];
  HWND hwnd = StartedProgram().OpenWindow(kRecorder)->Handle();
  EXPECT_TRUE(IsWindowVisible(hwnd));

  g_log.clear();
  SetWindowPos(hwnd, nullptr, 0, 0, 320, 240, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(WindowEvents(), (std::vector<Recorded>{{"resized", true}}));
}

TEST_F(FrameTest, EventsRaisedWhileHeldAreDroppedNotPostponed) {
  ASSERT_TRUE(StartedProgram().LoadWindow(kRecorder, nullptr, false));
  LiveWindow& window = *StartedProgram().OpenWindow(kRecorder);
  g_log.clear();

  StartedProgram().HoldEvents();
  SendMessageW(window.Handle(), WM_SIZE, 0, MAKELPARAM(10, 10));
  PumpFor(150);  // several timer periods
  StartedProgram().ReleaseEvents();
  EXPECT_TRUE(g_log.empty()) << g_log.size();
  PumpFor(20);
  EXPECT_TRUE(WindowEvents().empty());

  SendMessageW(window.Handle(), WM_SIZE, 0, MAKELPARAM(10, 10));
  EXPECT_EQ(WindowEvents(), (std::vector<Recorded>{{"resized", true}}));
  EXPECT_TRUE(PumpUntil([] { return !g_log.empty() && g_log.back().what == "tick"; }, 1000));
}

TEST_F(FrameTest, HoldingNeverGoesBelowZero) {
  StartedProgram().ReleaseEvents();
  StartedProgram().ReleaseEvents();
  EXPECT_EQ(StartedProgram().HoldCount(), 0);
  StartedProgram().HoldEvents();
  EXPECT_EQ(StartedProgram().HoldCount(), 1);
}

TEST_F(FrameTest, CloseQueriesDecideWhetherTheWindowCloses) {
  struct Case {
    const char* name;
    bool first, second;
    std::vector<std::string> queries;
    bool closes;
  };
  const Case cases[] = {
      {"both agree", true, true, {"query 12", "query 1"}, true},
      {"first refuses", false, true, {"query 12"}, false},
      {"second refuses", true, false, {"query 12", "query 1"}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (!StartedProgram().OpenWindow(kRecorder)) {
      ASSERT_TRUE(StartedProgram().LoadWindow(kRecorder, nullptr, false));
    }
    HWND hwnd = StartedProgram().OpenWindow(kRecorder)->Handle();
    g_closeQueryFirst = c.first;
    g_closeQuery = c.second;
    g_log.clear();
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    std::vector<std::string> queries;
    for (const Recorded& r : g_log)
      if (r.what.starts_with("query")) queries.push_back(r.what);
    EXPECT_EQ(queries, c.queries);
    EXPECT_EQ(IsWindow(hwnd) == FALSE, c.closes);
    EXPECT_EQ(StartedProgram().OpenWindow(kRecorder) == nullptr, c.closes);
    if (c.closes) {
      EXPECT_EQ(g_log.back().what, "destroyed, edit alive");
    }
  }
}

TEST_F(FrameTest, EndOfSessionAsksOnlyTheSecondCloseQuery) {
  ASSERT_TRUE(StartedProgram().LoadWindow(kRecorder, nullptr, false));
  HWND hwnd = StartedProgram().OpenWindow(kRecorder)->Handle();
  for (bool agree : {true, false}) {
    SCOPED_TRACE(agree ? "agrees" : "refuses");
    g_closeQuery = agree;
    g_log.clear();
    EXPECT_EQ(SendMessageW(hwnd, WM_QUERYENDSESSION, 0, 0) != 0, agree);
    EXPECT_EQ(WindowEvents(), (std::vector<Recorded>{{"query 1", true}}));
  }
}

TEST_F(FrameTest, LoadWindowOpensOnceAndRefusesAnOwnerThatIsNotOpen) {
  Program& program = StartedProgram();
  ASSERT_TRUE(program.LoadWindow(kRecorder, nullptr, false));
  HWND first = program.OpenWindow(kRecorder)->Handle();
  g_log.clear();
  EXPECT_TRUE(program.LoadWindow(kRecorder, nullptr, false));
  EXPECT_EQ(program.OpenWindow(kRecorder)->Handle(), first);
  EXPECT_TRUE(g_log.empty());  // no second building

  HWND notOpen = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  EXPECT_FALSE(program.LoadWindow(kPlain, notOpen, false));
  EXPECT_EQ(program.OpenWindow(kPlain), nullptr);
  DestroyWindow(notOpen);

  ASSERT_TRUE(program.LoadWindow(kPlain, first, false));
  EXPECT_EQ(GetWindow(program.OpenWindow(kPlain)->Handle(), GW_OWNER), first);
}

TEST_F(FrameTest, WindowWithoutTaskbarButtonHangsOnTheHiddenOwner) {
  ASSERT_TRUE(StartedProgram().LoadWindow(kPlain, nullptr, false));
  HWND owner = GetWindow(StartedProgram().OpenWindow(kPlain)->Handle(), GW_OWNER);
  EXPECT_EQ(owner, StartedProgram().HiddenOwner());
  wchar_t cls[32];
  GetClassNameW(owner, cls, 32);
  EXPECT_STREQ(cls, L"QuorvaneOwner");
  EXPECT_FALSE(IsWindowVisible(owner));
  EXPECT_EQ(GetWindowLongPtrW(owner, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, WS_EX_TOOLWINDOW);
}

TEST_F(FrameTest, ModalWindowDisablesTheOthersUntilItCloses) {
  Program& program = StartedProgram();
  ASSERT_TRUE(program.LoadWindow(kRecorder, nullptr, false));
  g_otherWindow = program.OpenWindow(kRecorder)->Handle();
  g_otherEnabledDuringModal = true;
  // Returns once the modal window's own timer has closed it.
  EXPECT_TRUE(program.LoadWindow(kModal, nullptr, true));
  EXPECT_EQ(program.OpenWindow(kModal), nullptr);
  EXPECT_FALSE(g_otherEnabledDuringModal);
  EXPECT_TRUE(IsWindowEnabled(g_otherWindow));
}

TEST(StartUpTest, ProgramFolderBecomesTheCurrentFolder) {
  StartedProgram();
  std::wstring module(MAX_PATH, L'\0');
  module.resize(GetModuleFileNameW(nullptr, module.data(), MAX_PATH));
  EXPECT_EQ(module.substr(0, module.rfind(L'\\')), StartedProgram().ProgramFolder());
  EXPECT_EQ(_wcsicmp(testing::FolderAfterStart().c_str(), StartedProgram().ProgramFolder().c_str()), 0);
}

TEST(StartUpTest, ProgramPathSplitsAtTheLastBackslash) {
  struct Case {
    const wchar_t* path;
    const wchar_t* folder;
    const wchar_t* file;
  };
  // 乗 is 0x81 0x5C in GBK: its trail byte must not count as a backslash.
  const Case cases[] = {
      {L"C:\\Tools\\Quorvane.exe", L"C:\\Tools", L"Quorvane.exe"},
      {L"C:\\\u4e57\\Quorvane.exe", L"C:\\\u4e57", L"Quorvane.exe"},
      {L"C:\\Tools\\\u4e57.exe", L"C:\\Tools", L"\u4e57.exe"},
      {L"Quorvane.exe", L"", L"Quorvane.exe"},
      {L"C:\\Quorvane.exe", L"C:", L"Quorvane.exe"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Wide("") + c.path);
    std::wstring folder, file;
    SplitProgramPath(c.path, folder, file);
    EXPECT_EQ(folder, c.folder);
    EXPECT_EQ(file, c.file);
  }
}

TEST(FatalStopTest, BoxTextNamesCodeAndMessageOnlyWhenGiven) {
  struct Case {
    const char* name;
    const char* message;
    int code;
    const char* expected;
  };
  const Case cases[] = {
      {"message only", "载入启动窗口失败", 0, "运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n"},
      {"code and message", "x", 7, "运行时出错!\r\n\r\n错误代码：7\r\n\r\n错误信息：x\r\n"},
      {"negative code", "", -3, "运行时出错!\r\n\r\n错误代码：-3\r\n\r\n"},
      {"neither", "", 0, "运行时出错!\r\n\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FatalMessageText(c.message, c.code), Text(c.expected));
  }
}

}  // namespace
}  // namespace quorvane::ui

namespace quorvane::ui {
namespace {

TEST(MemoryTest, MemoryThatCannotBeHadIsTheFatalStopWithItsSize) {
  testing::StartedProgram();
  // More than any process can have, yet a size the heap is asked for.
  volatile std::size_t asked = static_cast<std::size_t>(std::numeric_limits<std::ptrdiff_t>::max()) - 4096;
  const std::size_t size = asked;
  try {
    // Kept in a volatile so the allocation cannot be left out.
    static char* volatile kept;
    kept = new char[size];
    delete[] kept;
    FAIL() << "allocation succeeded";
  } catch (const testing::FatalStop& stop) {
    EXPECT_EQ(Text(stop.what()), "分配 " + std::to_string(size) + " 字节内存失败!");
    EXPECT_EQ(stop.code, 0);
  }
  char* small = new (std::nothrow) char[16];
  EXPECT_NE(small, nullptr);
  delete[] small;
}

}  // namespace
}  // namespace quorvane::ui
