#include "desktop/screen.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/sim/simulated_desktop.h"

namespace quorvane {
namespace {

using sim::ExpectTrace;
using sim::SimulatedDesktop;

Bytes B(std::string_view s) { return Bytes(s.begin(), s.end()); }

// --- Screen and pointer ---

TEST(ScreenTest, SizeIsThePrimaryDisplaysWhateverTheMonitors) {
  struct Case {
    const char* name;
    int width, height;
    ScreenRect all;
  };
  const std::vector<Case> cases = {
      {"one monitor", 1920, 1080, {0, 0, 1920, 1080}},
      {"second monitor to the right", 1920, 1080, {0, 0, 3840, 1080}},
      {"second monitor to the left and above", 1280, 1024, {-1920, -56, 3200, 1080}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimulatedDesktop d;
    d.SetScreen(c.width, c.height);
    d.SetVirtualScreen(c.all.left, c.all.top, c.all.width, c.all.height);
    EXPECT_EQ(ScreenWidth(d), c.width);
    EXPECT_EQ(ScreenHeight(d), c.height);
    const ScreenRect all = VirtualScreen(d);
    EXPECT_EQ(all.left, c.all.left);
    EXPECT_EQ(all.top, c.all.top);
    EXPECT_EQ(all.width, c.all.width);
    EXPECT_EQ(all.height, c.all.height);
  }
}

TEST(ScreenTest, SizeIsReadAnewAtEveryCall) {
  SimulatedDesktop d;
  d.SetScreen(800, 600);
  EXPECT_EQ(ScreenWidth(d), 800);
  d.SetScreen(1024, 768);
  EXPECT_EQ(ScreenWidth(d), 1024);
  EXPECT_EQ(ScreenHeight(d), 768);
}

TEST(ScreenTest, PointerPositionOrZeroWhenTheSystemDoesNotReportIt) {
  struct Case {
    const char* name;
    bool readable;
    int x, y;
    int expectedX, expectedY;
  };
  const std::vector<Case> cases = {
      {"on the primary display", true, 640, 480, 640, 480},
      {"on a monitor left of the primary", true, -100, 20, -100, 20},
      {"not reported", false, 640, 480, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimulatedDesktop d;
    d.SetCursor(c.x, c.y);
    d.SetCursorReadable(c.readable);
    EXPECT_EQ(CursorX(d), c.expectedX);
    EXPECT_EQ(CursorY(d), c.expectedY);
  }
}

// --- Edit box ---

TEST(EditBoxTest, AppendsEachTextAtTheEnd) {
  struct Case {
    const char* name;
    Text initial;
    int selectionStart, selectionEnd;  // the user's own selection
    std::vector<std::string_view> texts;
    Text expected;
  };
  const std::vector<Case> cases = {
      {"two texts", "a", 0, 0, {"x", "y"}, "axy"},
      {"empty box", "", 0, 0, {"代码运行中...\r\n"}, "代码运行中...\r\n"},
      {"the user's selection is not replaced", "hello", 1, 4, {"!"}, "hello!"},
      {"no line break added", "第1行\r\n", 0, 0, {"代码错误！", "\r\n"}, "第1行\r\n代码错误！\r\n"},
      {"empty text", "a", 0, 0, {""}, "a"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimulatedDesktop d;
    const WindowId box = d.CreateEditBox(c.initial);
    d.EditBox(box).selectionStart = c.selectionStart;
    d.EditBox(box).selectionEnd = c.selectionEnd;
    switch (c.texts.size()) {
      case 1:
        AppendToEditBox(d, box, {c.texts[0]});
        break;
      case 2:
        AppendToEditBox(d, box, {c.texts[0], c.texts[1]});
        break;
      default:
        FAIL() << "unexpected case";
    }
    const sim::EditBoxState& state = d.EditBox(box);
    EXPECT_EQ(state.text, c.expected);
    const int end = static_cast<int>(c.expected.size());
    EXPECT_EQ(state.selectionStart, end);
    EXPECT_EQ(state.selectionEnd, end);
    EXPECT_TRUE(state.caretScrolled);
  }
}

TEST(EditBoxTest, LearnsTheLengthWithoutReadingTheText) {
  SimulatedDesktop d;
  const WindowId box = d.CreateEditBox("a");
  AppendToEditBox(d, box, {"x", "yz"});
  ExpectTrace(d, {"IsWindow(1)", "GetTextLength(1)", "SetSelection(1,1,1)", "ScrollCaret(1)",
                  "ReplaceSelection(1,\"x\")", "IsWindow(1)", "GetTextLength(1)", "SetSelection(1,2,2)",
                  "ScrollCaret(1)", "ReplaceSelection(1,\"yz\")"});
}

TEST(EditBoxTest, ControlThatIsNotOpenIsTheFatalStop) {
  struct Case {
    const char* name;
    bool destroy;
    bool noWindow;
  };
  for (const Case& c : {Case{"window destroyed", true, false}, Case{"no window at all", false, true}}) {
    SCOPED_TRACE(c.name);
    SimulatedDesktop d;
    WindowId box = d.CreateEditBox("keep");
    if (c.destroy) d.DestroyWindow(box);
    if (c.noWindow) box = 0;

    auto append = sim::CatchFatalStop([&] { AppendToEditBox(d, box, {"x"}); });
    ASSERT_TRUE(append.has_value());
    EXPECT_EQ(append->message, "指定窗口或窗口组件不存在或尚未载入");
    EXPECT_EQ(append->code, 0);

    auto handle = sim::CatchFatalStop([&] { WindowHandle(d, box); });
    ASSERT_TRUE(handle.has_value());
    EXPECT_EQ(handle->message, "指定窗口或窗口组件不存在或尚未载入");
    EXPECT_EQ(handle->code, 0);

    for (const std::string& call : d.Trace()) EXPECT_EQ(call.find("ReplaceSelection"), std::string::npos);
    d.ClearTrace();
  }
}

TEST(EditBoxTest, WindowHandleOfAnOpenWindowIsItsHandle) {
  SimulatedDesktop d;
  const WindowId w = d.CreateWindow();
  EXPECT_EQ(WindowHandle(d, w), w);
}

// --- Files ---

TEST(FileTest, WriteStoresTheBuffersInOrderAndReadGivesThemBack) {
  struct Case {
    const char* name;
    std::vector<Bytes> buffers;
    Bytes expected;
  };
  const std::vector<Case> cases = {
      {"a script line: exactly its bytes", {B("M|1|2|0")}, B("M|1|2|0")},
      {"several buffers, empty ones skipped", {B("ab"), {}, B("c")}, B("abc")},
      {"zero bytes kept", {Bytes{0, 1, 0}}, Bytes{0, 1, 0}},
      {"GBK text", {B("代码\r\n")}, B("代码\r\n")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimulatedDesktop d;
    d.SetFile("out.txt", B("old content that is longer"));
    bool written = false;
    if (c.buffers.size() == 1) {
      written = WriteFileBytes(d, "out.txt", {&c.buffers[0]});
    } else {
      written = WriteFileBytes(d, "out.txt", {&c.buffers[0], &c.buffers[1], &c.buffers[2]});
    }
    EXPECT_TRUE(written);
    EXPECT_EQ(d.File("out.txt"), c.expected);
    EXPECT_EQ(ReadFileBytes(d, "out.txt"), c.expected);
  }
}

TEST(FileTest, FailedWriteGivesFalseAndLeavesTheOldFile) {
  struct Case {
    const char* name;
    void (*prepare)(SimulatedDesktop&);
  };
  const std::vector<Case> cases = {
      {"read-only file", [](SimulatedDesktop& d) { d.SetReadOnly("script.txt"); }},
      {"name of a folder", [](SimulatedDesktop& d) { d.AddFolder("script.txt"); }},
  };
  const Bytes data = B("M|1|2|0");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimulatedDesktop d;
    d.SetFile("script.txt", B("K|65|0"));
    c.prepare(d);
    const std::optional<Bytes> before = d.File("script.txt");
    EXPECT_FALSE(WriteFileBytes(d, "script.txt", {&data}));
    EXPECT_EQ(d.File("script.txt"), before);
  }
}

TEST(FileTest, EmptyNameGivesNothingAndTouchesNothing) {
  SimulatedDesktop d;
  const Bytes data = B("x");
  EXPECT_FALSE(WriteFileBytes(d, "", {&data}));
  EXPECT_TRUE(ReadFileBytes(d, "").empty());
  ExpectTrace(d, {});
  EXPECT_FALSE(d.File("").has_value());
}

TEST(FileTest, UnreadableOrEmptyFilesReadAsEmpty) {
  struct Case {
    const char* name;
    void (*prepare)(SimulatedDesktop&);
  };
  const std::vector<Case> cases = {
      {"missing file", [](SimulatedDesktop&) {}},
      {"empty file", [](SimulatedDesktop& d) { d.SetFile("f.txt", {}); }},
      {"a folder", [](SimulatedDesktop& d) { d.AddFolder("f.txt"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimulatedDesktop d;
    c.prepare(d);
    EXPECT_TRUE(ReadFileBytes(d, "f.txt").empty());
  }
}

}  // namespace
}  // namespace quorvane
