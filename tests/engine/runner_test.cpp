#include "engine/runner.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "desktop/external.h"
#include "desktop/input.h"
#include "tests/sim/simulated_desktop.h"

namespace quorvane {
namespace {

using sim::SimulatedDesktop;

constexpr int kF11 = 122;
constexpr std::uint32_t kWmUser = 0x0400;

// The input the run sent, each entry prefixed with the clock's reading when
// it was sent ("@1001 SetCursorPos(300,600)").
std::vector<std::string> Timeline(const std::vector<std::string>& trace) {
  std::vector<std::string> out;
  std::string now = "0";
  for (const std::string& entry : trace) {
    if (entry.rfind("GetTickCount()=", 0) == 0) {
      now = entry.substr(15);
    } else if (entry.rfind("SetCursorPos", 0) == 0 || entry.rfind("mouse_event", 0) == 0 ||
               entry.rfind("keybd_event", 0) == 0) {
      out.push_back("@" + now + " " + entry);
    }
  }
  return out;
}

// The same without the times, for runs whose last wait was cut short (a
// stopped wait reads the clock no more).
std::vector<std::string> Inputs(const std::vector<std::string>& trace) {
  std::vector<std::string> out;
  for (const std::string& entry : Timeline(trace)) out.push_back(entry.substr(entry.find(' ') + 1));
  return out;
}

// The main window as the runner sees it: editor, log box, and the label that
// F11 reaches through the hotkey service.
class RunnerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TheHotkeyRegistry() = {};
    ResetExternalFunctionsForTesting();
    ResetRandomGeneratorForTesting();
    desktop.SetScreen(1920, 1080);
    desktop.SetVirtualScreen(0, 0, 1920, 1080);
    owner = desktop.CreateWindow([](WindowId, std::uint32_t, std::uintptr_t, std::intptr_t) { return 0; });
    editor = desktop.CreateEditBox();
    log = desktop.CreateEditBox();
    runner = std::make_unique<Runner>(desktop, editor, log);
    label = desktop.CreateWindow([this](WindowId, std::uint32_t msg, std::uintptr_t, std::intptr_t) {
      if (msg == WM_LABEL_NOTIFY) runner->ToggleRun();
      return 0;
    });
    // Closing the main window: its destroyed handler runs while the controls
    // still exist, then they go.
    closer = desktop.CreateWindow([this](WindowId, std::uint32_t msg, std::uintptr_t, std::intptr_t) {
      if (msg == kWmUser) {
        runner->WindowClosed();
        desktop.DestroyWindow(editor);
        desktop.DestroyWindow(log);
      }
      return 0;
    });
    ASSERT_EQ(RegisterGlobalHotkey(desktop, owner, label, 0, kF11), 33001u);
    desktop.ClearTrace();
    desktop.TraceClockCalls(true);
  }
  void TearDown() override {
    TheHotkeyRegistry() = {};
    ResetExternalFunctionsForTesting();
  }

  // Starts a run as F11 does; returns when the run has ended.
  void PressF11AndRun(const Text& script) {
    desktop.EditBox(editor).text = script;
    runner->ToggleRun();
  }
  void PressF11At(std::uint32_t tick) { desktop.PostAt(tick, owner, win::kWmHotkey, 33001); }
  Text Log() { return desktop.EditBox(log).text; }

  SimulatedDesktop desktop;
  WindowId owner = 0, editor = 0, log = 0, label = 0, closer = 0;
  std::unique_ptr<Runner> runner;
};

TEST_F(RunnerTest, BuiltInDescriptionRunsInALoopWithTheFixedRandomDelays) {
  // Pass one: 1000 ms, then the first random draw 1041 ms; pass two: 1000 ms
  // and 1431 ms. Each wait ends at the first clock check past its length.
  PressF11At(5000);
  PressF11AndRun(BuiltInDescription());
  const std::vector<std::string> expected = {
      "@0 SetCursorPos(200,100)",      "@0 mouse_event(0x2,200,100,0,0)",  "@0 mouse_event(0x4,200,100,0,0)",
      "@1001 SetCursorPos(300,600)",   "@1001 mouse_event(0x2,300,600,0,0)", "@1001 mouse_event(0x4,300,600,0,0)",
      "@1001 mouse_event(0x2,300,600,0,0)", "@1001 mouse_event(0x4,300,600,0,0)",
      "@2043 keybd_event(65,0,0x0,0)", "@2043 keybd_event(65,0,0x2,0)",
      "@2043 SetCursorPos(200,100)",   "@2043 mouse_event(0x2,200,100,0,0)", "@2043 mouse_event(0x4,200,100,0,0)",
      "@3044 SetCursorPos(300,600)",   "@3044 mouse_event(0x2,300,600,0,0)", "@3044 mouse_event(0x4,300,600,0,0)",
      "@3044 mouse_event(0x2,300,600,0,0)", "@3044 mouse_event(0x4,300,600,0,0)",
      "@4476 keybd_event(65,0,0x0,0)", "@4476 keybd_event(65,0,0x2,0)",
      "@4476 SetCursorPos(200,100)",   "@4476 mouse_event(0x2,200,100,0,0)", "@4476 mouse_event(0x4,200,100,0,0)",
  };
  EXPECT_EQ(Timeline(desktop.Trace()), expected);
  EXPECT_EQ(desktop.Now(), 5000u) << "the stop ends the wait it arrives in";
  EXPECT_EQ(Log(), "代码运行中...\r\n代码运行完毕！\r\n");
  EXPECT_EQ(runner->State(), RunState::kIdle);
}

TEST_F(RunnerTest, F11DuringALongWaitStopsAtOnceAndReleasesHeldKeys) {
  PressF11At(5000);
  PressF11AndRun("K|16|1\r\nK|17|1\r\nK|17|2\r\nT|60000");
  EXPECT_EQ(Inputs(desktop.Trace()),
            (std::vector<std::string>{"keybd_event(16,0,0x0,0)", "keybd_event(17,0,0x0,0)",
                                      "keybd_event(17,0,0x2,0)", "keybd_event(16,0,0x2,0)"}));
  EXPECT_EQ(desktop.Now(), 5000u);
  EXPECT_EQ(Log(), "代码运行中...\r\n代码运行完毕！\r\n");
}

TEST_F(RunnerTest, F11StillStopsARunThatHoldsModifierKeys) {
  // While the run holds modifiers, the system reports F11 together with them.
  // Each held combination is offered for registration, and the hotkey of the
  // combination held when the user presses F11 stops the run.
  struct Case {
    const char* name;
    Text script;
    std::vector<int> offered;     // the modifier codes the handler gets
    std::uint32_t stopModifiers;  // MOD_* bits held when F11 is pressed
  };
  const std::vector<Case> cases = {
      {"shift", "K|16|1\r\nT|60000", {2}, win::kModShift},
      {"left control then right alt", "K|162|1\r\nK|165|1\r\nT|60000", {1, 5}, win::kModControl | win::kModAlt},
      {"windows key then shift", "K|91|1\r\nK|160|1\r\nT|60000", {8, 12}, 0x8 | win::kModShift},
      {"tapped or released modifiers are not held", "K|16|0\r\nK|17|1\r\nK|17|2\r\nT|60000", {1}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::uint32_t pressAt = desktop.Now() + 5000;
    if (c.stopModifiers == 0) PressF11At(pressAt);
    std::vector<int> offered;
    runner->SetModifiersHeldHandler([&](int modifiers) {
      offered.push_back(modifiers);
      const std::uint32_t id = RegisterGlobalHotkey(desktop, owner, label, modifiers, kF11);
      if (desktop.Hotkeys().back().modifiers == c.stopModifiers) desktop.PostAt(pressAt, owner, win::kWmHotkey, id);
    });
    PressF11AndRun(c.script);
    EXPECT_EQ(offered, c.offered);
    EXPECT_EQ(desktop.Now(), pressAt) << "the F11 of the held combination stops the run at once";
    EXPECT_EQ(runner->State(), RunState::kIdle);
  }
}

TEST_F(RunnerTest, ScriptWithoutDelaysStillStopsOnF11) {
  // Two F11 presses are queued: the first stops the run within a few actions,
  // the second must not start a run nested inside the one that is ending.
  PressF11At(0);
  PressF11At(0);
  PressF11AndRun("M|10|20|0");
  const auto inputs = Inputs(desktop.Trace());
  ASSERT_EQ(inputs.size() % 3, 0u);
  const std::size_t clicks = inputs.size() / 3;
  EXPECT_GE(clicks, 1u);
  EXPECT_LE(clicks, 8u) << "the queue is looked at every few actions";
  EXPECT_EQ(Log(), "代码运行中...\r\n代码运行完毕！\r\n");
}

TEST_F(RunnerTest, ClosingTheWindowDuringAWaitEndsTheRunWithoutTouchingAControl) {
  desktop.PostAt(3000, closer, kWmUser);
  sim::FatalStopTrap trap;
  PressF11AndRun("K|16|1\r\nT|60000");
  EXPECT_FALSE(trap.Last().has_value()) << trap.Last()->message;
  EXPECT_EQ(desktop.Now(), 3000u);
  EXPECT_EQ(Inputs(desktop.Trace()),
            (std::vector<std::string>{"keybd_event(16,0,0x0,0)", "keybd_event(16,0,0x2,0)"}));
  EXPECT_EQ(runner->State(), RunState::kIdle);
  runner->ToggleRun();  // F11 after the window is gone does nothing
  EXPECT_EQ(runner->State(), RunState::kIdle);
}

TEST_F(RunnerTest, EveryStartChecksTheCurrentTextAndBeginsAtTheFirstAction) {
  PressF11At(1500);
  PressF11AndRun("M|1|1|0\r\nT|1000\r\nM|2|2|0\r\nT|1000");
  PressF11At(desktop.Now() + 10);
  desktop.ClearTrace();
  PressF11AndRun("M|7|7|2\r\nT|1000");
  const auto inputs = Inputs(desktop.Trace());
  ASSERT_FALSE(inputs.empty());
  EXPECT_EQ(inputs.front(), "SetCursorPos(7,7)");
  EXPECT_EQ(Log(), "代码运行中...\r\n代码运行完毕！\r\n代码运行中...\r\n代码运行完毕！\r\n");
}

TEST_F(RunnerTest, ScriptWithErrorsNeverStarts) {
  PressF11AndRun("");
  EXPECT_EQ(Log(), "未写入任何代码！\r\n代码中有错误，已停止运行！\r\n");
  PressF11AndRun("M|1|1|0\r\nK|65|7");
  EXPECT_TRUE(Timeline(desktop.Trace()).empty());
  EXPECT_EQ(runner->State(), RunState::kIdle);
}

TEST(PerformActionTest, EachActionReachesTheDesktopAsItsKindSays) {
  struct Case {
    const char* name;
    Action action;
    std::vector<std::string> trace;
  };
  const std::vector<Case> cases = {
      {"right double click", MouseAction{3, 4, 3},
       {"SetCursorPos(3,4)", "mouse_event(0x8,3,4,0,0)", "mouse_event(0x10,3,4,0,0)", "mouse_event(0x8,3,4,0,0)",
        "mouse_event(0x10,3,4,0,0)"}},
      {"tap", KeyAction{65, 0}, {"keybd_event(65,0,0x0,0)", "keybd_event(65,0,0x2,0)"}},
      {"press", KeyAction{65, 1}, {"keybd_event(65,0,0x0,0)"}},
      {"release", KeyAction{65, 2}, {"keybd_event(65,0,0x2,0)"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetExternalFunctionsForTesting();
    SimulatedDesktop desktop;
    PerformAction(desktop, c.action);
    std::vector<std::string> input;
    for (const auto& e : desktop.Trace())
      if (e.rfind("LoadLibrary", 0) != 0 && e.rfind("GetProcAddress", 0) != 0) input.push_back(e);
    EXPECT_EQ(input, c.trace);
  }
  ResetExternalFunctionsForTesting();
}

TEST(PerformActionTest, DelaysTakeTheirLengthAndDrawOnlyForARange) {
  struct Case {
    const char* name;
    DelayAction delay;
    std::uint32_t elapsed;  // the wait ends at the first clock check past its length
    int nextDraw;           // the next RandomInt(1000, 1500) afterwards
  };
  const std::vector<Case> cases = {
      {"fixed delay draws nothing", {1000, 1000}, 1001, 1041},
      {"range draws the first value", {1000, 1500}, 1042, 1431},
      {"reversed range draws the same", {1500, 1000}, 1042, 1431},
      {"zero returns at once", {0, 0}, 0, 1041},
      {"negative returns at once", {-5, -5}, 0, 1041},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetRandomGeneratorForTesting();
    SimulatedDesktop desktop;
    PerformAction(desktop, c.delay);
    EXPECT_EQ(desktop.Now(), c.elapsed);
    EXPECT_EQ(RandomInt(1000, 1500), c.nextDraw);
  }
}

}  // namespace
}  // namespace quorvane
