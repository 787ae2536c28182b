#include "engine/checker.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/sim/simulated_desktop.h"

namespace quorvane {
namespace {

using sim::SimulatedDesktop;

const Text kStopped = "代码中有错误，已停止运行！\r\n";

// The first `count` lines of the built-in description, joined as the editor holds them.
Text FirstLinesOfDescription(int count) {
  Text out;
  int line = 0;
  for (std::size_t i = 0; i < BuiltInDescription().size(); ++i) {
    if (BuiltInDescription().compare(i, 2, "\r\n") == 0 && ++line == count) break;
    out += BuiltInDescription()[i];
  }
  return out;
}

struct CheckerTest : ::testing::Test {
  CheckerTest() { desktop.SetScreen(1920, 1080); desktop.SetVirtualScreen(0, 0, 1920, 1080); }
  Text Log() { return desktop.EditBox(log).text; }
  SimulatedDesktop desktop;
  WindowId log = desktop.CreateEditBox();
};

TEST_F(CheckerTest, EachFaultyLineGetsItsDiagnosticThenTheClosingMessage) {
  struct Case {
    const char* name;
    Text script;
    Text log;  // without the closing message
  };
  const std::vector<Case> cases = {
      {"empty editor", "", "未写入任何代码！\r\n"},
      {"description comments only", FirstLinesOfDescription(22), "只有注释文本，没有需要执行的代码！\r\n"},
      {"blank lines and spaces only", "  \r\n\r\n　\r\n", "只有注释文本，没有需要执行的代码！\r\n"},
      {"full-width quote comment", "‘M|1|2|0\r\n’K", "只有注释文本，没有需要执行的代码！\r\n"},
      {"mouse event type 4", "M|1|2|4", "第1行：鼠标事件代码错误，只能为 0左击 1双击 2右击 3右键双击！\r\n"},
      {"mouse event type -1", "M|1|2|-1", "第1行：鼠标事件代码错误，只能为 0左击 1双击 2右击 3右键双击！\r\n"},
      {"keyboard event type 3", "K|65|3", "第1行：键盘事件代码错误，只能为 0单击 1按下 2放开 ！\r\n"},
      {"mouse with three fields", "M|1|2", "第1行：代码数组数量错误！\r\n"},
      {"key with four fields", "K|65|0|0", "第1行：代码数组数量错误！\r\n"},
      {"delay with a range and a third field", "T|1|2", "第1行：代码数组数量错误！\r\n"},
      {"unknown command", "X|1|2", "第1行：代码错误！\r\n"},
      {"field that is no number", "T|abc", "第1行：代码错误！\r\n"},
      {"number with trailing letters", "K|65a|0", "第1行：代码错误！\r\n"},
      {"negative delay", "T|-5", "第1行：代码错误！\r\n"},
      {"negative range bound", "T|-5-10", "第1行：代码错误！\r\n"},
      {"key code 0", "K|0|0", "第1行：键盘按键代码错误，具体值请查看本软件帮助信息！\r\n"},
      {"key code 255", "K|255|0", "第1行：键盘按键代码错误，具体值请查看本软件帮助信息！\r\n"},
      {"key code 321 would tap A", "K|321|0", "第1行：键盘按键代码错误，具体值请查看本软件帮助信息！\r\n"},
      {"negative key code", "K|-1|0", "第1行：键盘按键代码错误，具体值请查看本软件帮助信息！\r\n"},
      {"x equal to the width", "M|1920|5|0", "第1行：x值超出屏幕宽度！\r\n"},
      {"y equal to the height", "M|5|1080|0", "第1行：y值超出屏幕高度！\r\n"},
      {"negative x on one monitor", "M|-1|5|0", "第1行：x值超出屏幕宽度！\r\n"},
      {"x is checked before y and the event", "M|5000|5000|9", "第1行：x值超出屏幕宽度！\r\n"},
      {"y is checked before the event", "M|5|5000|9", "第1行：y值超出屏幕高度！\r\n"},
      {"far-off x does not wrap into range", "M|2147483647|5|0", "第1行：x值超出屏幕宽度！\r\n"},
      {"every faulty line in order, by editor line",
       "'说明\r\nM|1|2\r\n\r\nK|65|0\r\nK|65|9\r\nQ\r\n",
       "第2行：代码数组数量错误！\r\n第5行：键盘事件代码错误，只能为 0单击 1按下 2放开 ！\r\n第6行：代码错误！\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    desktop.EditBox(log).text.clear();
    EXPECT_FALSE(CheckScript(desktop, log, c.script).has_value());
    EXPECT_EQ(Log(), c.log + kStopped);
  }
}

TEST_F(CheckerTest, CleanScriptsGiveTheirActionsAndWriteNothing) {
  struct Case {
    const char* name;
    Text script;
    std::vector<Action> actions;
  };
  const std::vector<Case> cases = {
      {"built-in description", BuiltInDescription(),
       {MouseAction{200, 100, 0}, DelayAction{1000, 1000}, MouseAction{300, 600, 1}, DelayAction{1000, 1500},
        KeyAction{65, 0}}},
      {"screen corners", "M|0|0|3\r\nM|1919|1079|2", {MouseAction{0, 0, 3}, MouseAction{1919, 1079, 2}}},
      {"key code limits", "K|1|1\r\nK|254|2", {KeyAction{1, 1}, KeyAction{254, 2}}},
      {"zero delay and a reversed range", "T|0\r\nT|1500-1000", {DelayAction{0, 0}, DelayAction{1500, 1000}}},
      {"lower case, spaces and full-width digits", "m | 1 | 2 | 0   'x\r\nk|６５|０",
       {MouseAction{1, 2, 0}, KeyAction{65, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto actions = CheckScript(desktop, log, c.script);
    ASSERT_TRUE(actions.has_value()) << Log();
    EXPECT_EQ(*actions, c.actions);
    EXPECT_EQ(Log(), "");
  }
}

TEST_F(CheckerTest, CoordinatesAreCheckedAgainstAllMonitors) {
  // A second monitor of 1280 x 1024 to the left of the primary one.
  desktop.SetVirtualScreen(-1280, 0, 3200, 1080);
  EXPECT_TRUE(CheckScript(desktop, log, "M|-1280|0|0\r\nM|1919|1079|0").has_value()) << Log();
  EXPECT_FALSE(CheckScript(desktop, log, "M|-1281|0|0\r\nM|1920|0|0").has_value());
  EXPECT_EQ(Log(), "第1行：x值超出屏幕宽度！\r\n第2行：x值超出屏幕宽度！\r\n" + kStopped);
}

TEST_F(CheckerTest, BuiltInDescriptionNeedsAScreenOf301By601) {
  desktop.SetScreen(301, 601);
  desktop.SetVirtualScreen(0, 0, 301, 601);
  EXPECT_TRUE(CheckScript(desktop, log, BuiltInDescription()).has_value()) << Log();
  desktop.SetScreen(300, 600);
  desktop.SetVirtualScreen(0, 0, 300, 600);
  EXPECT_FALSE(CheckScript(desktop, log, BuiltInDescription()).has_value());
  EXPECT_EQ(Log(), "第25行：x值超出屏幕宽度！\r\n" + kStopped);
}

TEST_F(CheckerTest, ClosedLogBoxIsTheFatalStop) {
  desktop.DestroyWindow(log);
  const auto stop = sim::CatchFatalStop([&] { CheckScript(desktop, log, "X"); });
  ASSERT_TRUE(stop.has_value());
  EXPECT_EQ(stop->message, MessageNoLiveControl());
}

}  // namespace
}  // namespace quorvane
