#include "desktop/input.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "desktop/external.h"
#include "tests/sim/simulated_desktop.h"

namespace quorvane {
namespace {

using sim::ExpectTrace;
using sim::SimulatedDesktop;

constexpr std::uint32_t kWmUser = 0x0400;

// Every test starts with a fresh process-wide state: no hotkey registered and
// keybd_event not yet bound.
class InputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TheHotkeyRegistry() = {};
    ResetExternalFunctionsForTesting();
  }
  void TearDown() override {
    TheHotkeyRegistry() = {};
    ResetExternalFunctionsForTesting();
  }
  SimulatedDesktop desktop;
};

// --- Clicks ---

TEST_F(InputTest, ClickKindsSendTheirButtonEventsAtThePoint) {
  struct Case {
    const char* name;
    int x, y, kind;
    std::vector<std::string> trace;
  };
  const std::vector<Case> cases = {
      {"left click", 200, 100, 0,
       {"SetCursorPos(200,100)", "mouse_event(0x2,200,100,0,0)", "mouse_event(0x4,200,100,0,0)"}},
      {"left double click", 300, 600, 1,
       {"SetCursorPos(300,600)", "mouse_event(0x2,300,600,0,0)", "mouse_event(0x4,300,600,0,0)",
        "mouse_event(0x2,300,600,0,0)", "mouse_event(0x4,300,600,0,0)"}},
      {"right click", 5, 7, 2,
       {"SetCursorPos(5,7)", "mouse_event(0x8,5,7,0,0)", "mouse_event(0x10,5,7,0,0)"}},
      {"right double click", 1919, 1079, 3,
       {"SetCursorPos(1919,1079)", "mouse_event(0x8,1919,1079,0,0)", "mouse_event(0x10,1919,1079,0,0)",
        "mouse_event(0x8,1919,1079,0,0)", "mouse_event(0x10,1919,1079,0,0)"}},
      {"kind 4 is a left click", 10, 20, 4,
       {"SetCursorPos(10,20)", "mouse_event(0x2,10,20,0,0)", "mouse_event(0x4,10,20,0,0)"}},
      {"negative kind is a left click", 10, 20, -1,
       {"SetCursorPos(10,20)", "mouse_event(0x2,10,20,0,0)", "mouse_event(0x4,10,20,0,0)"}},
      {"negative coordinates pass unchanged", -3, -4, 0,
       {"SetCursorPos(-3,-4)", "mouse_event(0x2,-3,-4,0,0)", "mouse_event(0x4,-3,-4,0,0)"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ClickAt(desktop, c.x, c.y, c.kind);
    ExpectTrace(desktop, c.trace);
  }
}

TEST_F(InputTest, ClickWithoutKindIsALeftClick) {
  ClickAt(desktop, 40, 50);
  ExpectTrace(desktop, {"SetCursorPos(40,50)", "mouse_event(0x2,40,50,0,0)", "mouse_event(0x4,40,50,0,0)"});
}

TEST_F(InputTest, ClickNeitherWaitsNorDispatchesBetweenItsEvents) {
  const WindowId w = desktop.CreateWindow();
  desktop.Post(w, kWmUser);
  const std::uint32_t before = desktop.Now();
  ClickAt(desktop, 1, 2, 3);
  EXPECT_EQ(desktop.Now(), before);
  EXPECT_EQ(desktop.QueuedMessages().size(), 1u);
}

// --- Keys ---

TEST_F(InputTest, KeyOperationsSendTheirFlagsThroughKeybdEvent) {
  struct Case {
    const char* name;
    void (*op)(Desktop&, int);
    int vk;
    std::vector<std::string> keyEvents;
  };
  const std::vector<Case> cases = {
      {"tap: press then release", KeyTap, 65, {"keybd_event(65,0,0x0,0)", "keybd_event(65,0,0x2,0)"}},
      {"press only", KeyDown, 65, {"keybd_event(65,0,0x0,0)"}},
      {"release only", KeyUp, 65, {"keybd_event(65,0,0x2,0)"}},
      {"only the low byte of the code counts", KeyDown, 0x141, {"keybd_event(65,0,0x0,0)"}},
      {"F11", KeyTap, 122, {"keybd_event(122,0,0x0,0)", "keybd_event(122,0,0x2,0)"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.op(desktop, c.vk);
    std::vector<std::string> keyEvents;
    for (const std::string& e : desktop.Trace())
      if (e.rfind("keybd_event", 0) == 0) keyEvents.push_back(e);
    EXPECT_EQ(keyEvents, c.keyEvents);
    desktop.ClearTrace();
  }
}

TEST_F(InputTest, KeybdEventIsBoundFromTheSystemOnFirstUseOnly) {
  KeyTap(desktop, 65);
  KeyDown(desktop, 66);
  ExpectTrace(desktop, {"LoadLibrary(user32.dll,system)", "GetProcAddress(user32.dll,keybd_event)",
                        "keybd_event(65,0,0x0,0)", "keybd_event(65,0,0x2,0)", "keybd_event(66,0,0x0,0)"});
  EXPECT_EQ(desktop.LoadedCount("user32.dll"), 1);
}

TEST_F(InputTest, UnbindableKeybdEventIsTheFatalStop) {
  struct Case {
    const char* name;
    void (*prepare)(SimulatedDesktop&);
    std::vector<std::string> trace;
  };
  const std::vector<Case> cases = {
      {"DLL cannot be loaded", [](SimulatedDesktop& d) { d.RemoveModule("user32.dll"); },
       {"LoadLibrary(user32.dll,system)"}},
      {"DLL has no such export", [](SimulatedDesktop& d) { d.AddModule("user32.dll", {"mouse_event"}); },
       {"LoadLibrary(user32.dll,system)", "GetProcAddress(user32.dll,keybd_event)", "FreeLibrary(user32.dll)"}},
      {"only a planted copy beside the program",
       [](SimulatedDesktop& d) { d.AddModule("user32.dll", {"keybd_event"}, {}, /*systemDirectory=*/false); },
       {"LoadLibrary(user32.dll,system)"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimulatedDesktop d;
    c.prepare(d);
    ResetExternalFunctionsForTesting();
    auto stop = sim::CatchFatalStop([&] { KeyDown(d, 65); });
    ASSERT_TRUE(stop.has_value());
    EXPECT_EQ(stop->message, "无法找到指定DLL库文件“user32.dll”中的输出命令“keybd_event”");
    EXPECT_EQ(stop->code, 0);
    ExpectTrace(d, c.trace);
    EXPECT_EQ(d.LoadedCount("user32.dll"), 0);
  }
}

// --- The wait ---

// A window that notes the clock each time it receives a message.
struct Recorder {
  SimulatedDesktop& desktop;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> seen;  // (tick, msg)
  WindowId window = 0;
  explicit Recorder(SimulatedDesktop& d) : desktop(d) {
    window = d.CreateWindow([this](WindowId, std::uint32_t msg, std::uintptr_t, std::intptr_t) {
      seen.emplace_back(desktop.Now(), msg);
      return std::intptr_t{0};
    });
  }
};

TEST_F(InputTest, WaitEndsAtTheFirstClockCheckPastItsLength) {
  struct Case {
    const char* name;
    std::uint32_t start;
    int ms;
  };
  const std::vector<Case> cases = {
      {"ordinary", 5000, 1000},
      {"one millisecond", 5000, 1},
      {"across the wrap of the clock", 0xFFFFFF00u, 1000},
      {"starting at the last tick before the wrap", 0xFFFFFFFFu, 20},
      {"long", 100, 3600000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    desktop.SetTick(c.start);
    PumpingWait(desktop, c.ms);
    EXPECT_EQ(static_cast<std::uint32_t>(desktop.Now() - c.start), static_cast<std::uint32_t>(c.ms) + 1);
  }
}

TEST_F(InputTest, WaitOfNothingReturnsAtOnceDispatchingNothing) {
  Recorder r(desktop);
  desktop.Post(r.window, kWmUser);
  desktop.TraceClockCalls(true);
  for (int ms : {0, -5, -2147483647 - 1}) {
    SCOPED_TRACE(ms);
    PumpingWait(desktop, ms);
    ExpectTrace(desktop, {});
    EXPECT_TRUE(r.seen.empty());
  }
}

TEST_F(InputTest, WaitDispatchesWhatArrivesDuringItAndNothingLater) {
  Recorder r(desktop);
  desktop.SetTick(1000);
  desktop.Post(r.window, kWmUser + 1);                 // queued before the wait
  desktop.PostAt(1500, r.window, kWmUser + 2);          // during it
  desktop.PostAt(2000, r.window, kWmUser + 3);          // at its last millisecond
  desktop.PostAt(2001, r.window, kWmUser + 4);          // at the check that ends it
  desktop.PostAt(2002, r.window, kWmUser + 5);          // after it
  PumpingWait(desktop, 1000);
  const std::vector<std::pair<std::uint32_t, std::uint32_t>> expected = {
      {1000, kWmUser + 1}, {1500, kWmUser + 2}, {2000, kWmUser + 3}, {2001, kWmUser + 4}};
  EXPECT_EQ(r.seen, expected);
  EXPECT_EQ(desktop.Now(), 2001u);
  ASSERT_EQ(desktop.QueuedMessages().size(), 0u);
  desktop.Advance(1);
  EXPECT_EQ(desktop.QueuedMessages().size(), 1u);
}

TEST_F(InputTest, WaitSleepsBetweenClockChecks) {
  // Messages every 100 ms: the wait wakes for each, not in between.
  Recorder r(desktop);
  desktop.SetTick(0);
  for (std::uint32_t t = 100; t <= 900; t += 100) desktop.PostAt(t, r.window, kWmUser);
  desktop.TraceClockCalls(true);
  PumpingWait(desktop, 1000);
  int clockReads = 0;
  for (const std::string& e : desktop.Trace())
    if (e.rfind("GetTickCount", 0) == 0) ++clockReads;
  EXPECT_EQ(r.seen.size(), 9u);
  // The start, one check per wake-up (nine messages) and the final check.
  EXPECT_LE(clockReads, 12);
}

TEST_F(InputTest, QuitStaysQueuedAndEndsAllDispatchButNotTheWait) {
  struct Case {
    const char* name;
    bool quitBeforeWait;
  };
  for (const Case& c : {Case{"quit arrives during the wait", false}, Case{"quit already queued", true}}) {
    SCOPED_TRACE(c.name);
    SimulatedDesktop d;
    Recorder r(d);
    d.SetTick(0);
    if (c.quitBeforeWait) {
      d.PostQuit();
    } else {
      d.PostAt(100, r.window, kWmUser + 1);
      d.PostQuitAt(300);
    }
    d.PostAt(400, r.window, kWmUser + 2);  // behind the quit: never dispatched
    PumpingWait(d, 1000);
    EXPECT_EQ(d.Now(), 1001u);
    if (c.quitBeforeWait) {
      EXPECT_TRUE(r.seen.empty());
    } else {
      const std::vector<std::pair<std::uint32_t, std::uint32_t>> expected = {{100, kWmUser + 1}};
      EXPECT_EQ(r.seen, expected);
    }
    const std::vector<sim::Message> left = d.QueuedMessages();
    ASSERT_EQ(left.size(), 2u);
    EXPECT_EQ(left[0].msg, win::kWmQuit);
    EXPECT_EQ(left[1].msg, kWmUser + 2);
  }
}

TEST_F(InputTest, QuitPostedByAHandlerInsideTheWaitStopsDispatchingThere) {
  desktop.SetTick(0);
  std::vector<std::uint32_t> seen;
  const WindowId w = desktop.CreateWindow([&](WindowId, std::uint32_t msg, std::uintptr_t, std::intptr_t) {
    seen.push_back(msg);
    if (msg == kWmUser + 1) desktop.PostQuit();  // the window closed
    return std::intptr_t{0};
  });
  desktop.PostAt(200, w, kWmUser + 1);
  desktop.PostAt(200, w, kWmUser + 2);  // queued ahead of the quit: still dispatched
  desktop.PostAt(500, w, kWmUser + 3);
  PumpingWait(desktop, 1000);
  EXPECT_EQ(seen, (std::vector<std::uint32_t>{kWmUser + 1, kWmUser + 2}));
  EXPECT_EQ(desktop.Now(), 1001u);
  EXPECT_EQ(desktop.QueuedMessages().front().msg, win::kWmQuit);
}

TEST_F(InputTest, StopConditionEndsTheWaitAtOnce) {
  struct Case {
    const char* name;
    std::uint32_t stopAt;  // tick of the message whose handler asks to stop
    std::uint32_t endsAt;
  };
  const std::vector<Case> cases = {
      {"stop asked for during the wait", 250, 250},
      {"stop asked for at the start", 0, 0},
      {"stop asked for after the wait", 5000, 1001},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimulatedDesktop d;
    bool stopAsked = false;
    const WindowId w = d.CreateWindow([&](WindowId, std::uint32_t, std::uintptr_t, std::intptr_t) {
      stopAsked = true;
      return std::intptr_t{0};
    });
    d.SetTick(0);
    d.PostAt(c.stopAt, w, kWmUser);
    PumpingWait(d, 1000, [&] { return stopAsked; });
    EXPECT_EQ(d.Now(), c.endsAt);
  }
}

TEST_F(InputTest, WaitWithoutStopConditionRunsItsFullTimeWhateverHandlersDo) {
  // F11 arrives during the wait and asks the run to stop: the wait still
  // lasts its full time.
  const WindowId label = desktop.CreateWindow();
  const WindowId owner = desktop.CreateWindow();
  const ProcId ownProc = desktop.WindowProcOf(owner);
  ASSERT_EQ(RegisterGlobalHotkey(desktop, owner, label, 0, 122), 33001u);
  desktop.SetTick(0);
  desktop.PostAt(100, owner, win::kWmHotkey, 33001);
  desktop.ClearTrace();
  PumpingWait(desktop, 500);
  EXPECT_EQ(desktop.Now(), 501u);
  ExpectTrace(desktop, {"DispatchMessage(2,0x312,33001,0)", "SendMessage(1,0x8075,33001,0)",
                        "CallWindowProc(" + std::to_string(ownProc) + ",2,0x312,33001,0)"});
}

TEST_F(InputTest, NestedWaitsEachRunTheirOwnTime) {
  desktop.SetTick(0);
  std::vector<std::uint32_t> innerEnds;
  const WindowId w = desktop.CreateWindow([&](WindowId, std::uint32_t, std::uintptr_t ms, std::intptr_t) {
    PumpingWait(desktop, static_cast<int>(ms));
    innerEnds.push_back(desktop.Now());
    return std::intptr_t{0};
  });
  desktop.PostAt(100, w, kWmUser, 300);
  desktop.PostAt(200, w, kWmUser, 100);  // dispatched inside the first handler's wait
  PumpingWait(desktop, 1000);
  EXPECT_EQ(innerEnds, (std::vector<std::uint32_t>{301, 401}));
  EXPECT_EQ(desktop.Now(), 1001u);
}

// --- Hotkeys ---

TEST_F(InputTest, ModifierCodesMapToTheSystemBits) {
  const std::vector<std::pair<int, std::uint32_t>> cases = {
      {0, 0}, {1, 2}, {2, 4}, {3, 6}, {4, 1}, {5, 3}, {6, 5}, {7, 7}, {8, 8}, {-1, 0xFFFFFFFFu}, {15, 15}};
  for (const auto& [given, passed] : cases) {
    SCOPED_TRACE(given);
    EXPECT_EQ(MapHotkeyModifiers(given), passed);
  }
}

TEST_F(InputTest, RegistrationPassesMappedModifiersAndTheKey) {
  const WindowId owner = desktop.CreateWindow();
  desktop.ClearTrace();
  EXPECT_EQ(RegisterGlobalHotkey(desktop, owner, owner, 5, 122), 33001u);
  ExpectTrace(desktop, {"SetWindowProc(1,HotkeyProc)", "RegisterHotKey(1,33001,0x3,122)"});
}

TEST_F(InputTest, HotkeyIdsCountEveryRegistrationCallFailedOrNot) {
  struct Call {
    bool fails;
    std::uint32_t result;
  };
  const WindowId owner = desktop.CreateWindow();
  const std::vector<Call> calls = {{false, 33001}, {true, 0}, {false, 33003}, {true, 0}, {false, 33005}};
  int vk = 112;
  for (const Call& c : calls) {
    SCOPED_TRACE(vk);
    desktop.SetHotkeyRegistrationFails(c.fails);
    EXPECT_EQ(RegisterGlobalHotkey(desktop, owner, owner, 0, vk++), c.result);
  }
  EXPECT_EQ(TheHotkeyRegistry().lastId, 33005u);
  EXPECT_EQ(TheHotkeyRegistry().callCount, 5);
}

TEST_F(InputTest, FailedFirstRegistrationStillSubclassesAndRecordsTheTarget) {
  const WindowId label = desktop.CreateWindow();
  const WindowId owner = desktop.CreateWindow();
  const ProcId ownProc = desktop.WindowProcOf(owner);
  desktop.SetHotkeyRegistrationFails(true);
  EXPECT_EQ(RegisterGlobalHotkey(desktop, owner, label, 0, 122), 0u);
  EXPECT_EQ(desktop.WindowProcOf(owner), desktop.HotkeyProc());
  EXPECT_EQ(TheHotkeyRegistry().savedWindowProc, ownProc);
  EXPECT_EQ(TheHotkeyRegistry().targetWindow, label);
  EXPECT_EQ(TheHotkeyRegistry().lastId, 33001u);
}

TEST_F(InputTest, OnlyTheFirstRegistrationSubclassesTheOwner) {
  const WindowId owner = desktop.CreateWindow();
  const ProcId ownProc = desktop.WindowProcOf(owner);
  RegisterGlobalHotkey(desktop, owner, owner, 0, 122);
  RegisterGlobalHotkey(desktop, owner, owner, 0, 123);
  desktop.ClearTrace();
  // A second subclassing would save HotkeyProc itself and loop for ever.
  EXPECT_EQ(TheHotkeyRegistry().savedWindowProc, ownProc);
  desktop.SendMessage(owner, kWmUser, 0, 0);
  ExpectTrace(desktop, {"SendMessage(1,0x400,0,0)", "CallWindowProc(" + std::to_string(ownProc) + ",1,0x400,0,0)"});
}

// The owner and its target each record what reaches their own procedure.
class HotkeyForwardingTest : public InputTest {
 protected:
  struct Seen {
    WindowId window;
    std::uint32_t msg;
    std::uintptr_t wParam;
    std::intptr_t lParam;
    bool operator==(const Seen&) const = default;
  };
  WindowId MakeWindow() {
    return desktop.CreateWindow([this](WindowId w, std::uint32_t msg, std::uintptr_t wp, std::intptr_t lp) {
      seen.push_back({w, msg, wp, lp});
      return static_cast<std::intptr_t>(msg == win::kWmHotkey ? 7 : 0);
    });
  }
  std::vector<Seen> seen;
};

TEST_F(HotkeyForwardingTest, OurIdsReachTheLatestTargetThenTheOwner) {
  const WindowId firstTarget = MakeWindow();
  const WindowId secondTarget = MakeWindow();
  const WindowId owner = MakeWindow();
  ASSERT_EQ(RegisterGlobalHotkey(desktop, owner, firstTarget, 0, 122), 33001u);
  ASSERT_EQ(RegisterGlobalHotkey(desktop, owner, secondTarget, 0, 123), 33002u);

  struct Case {
    const char* name;
    std::uintptr_t id;
    std::vector<Seen> expected;
  };
  const std::vector<Case> cases = {
      {"first hotkey", 33001,
       {{secondTarget, WM_LABEL_NOTIFY, 33001, 0}, {owner, win::kWmHotkey, 33001, 0x7A0000}}},
      {"latest hotkey", 33002,
       {{secondTarget, WM_LABEL_NOTIFY, 33002, 0}, {owner, win::kWmHotkey, 33002, 0x7A0000}}},
      {"below our ids", 33000, {{owner, win::kWmHotkey, 33000, 0x7A0000}}},
      {"above the last id", 33003, {{owner, win::kWmHotkey, 33003, 0x7A0000}}},
      {"another program's id", 1, {{owner, win::kWmHotkey, 1, 0x7A0000}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    seen.clear();
    // The owner's own result comes back to the system.
    EXPECT_EQ(desktop.CallWindowProc(desktop.WindowProcOf(owner), owner, win::kWmHotkey, c.id, 0x7A0000), 7);
    EXPECT_EQ(seen, c.expected);
  }
}

TEST_F(HotkeyForwardingTest, OtherMessagesOnlyPassOn) {
  const WindowId target = MakeWindow();
  const WindowId owner = MakeWindow();
  RegisterGlobalHotkey(desktop, owner, target, 0, 122);
  for (std::uint32_t msg : {kWmUser, WM_LABEL_NOTIFY, 0x0010u /* WM_CLOSE */}) {
    SCOPED_TRACE(msg);
    seen.clear();
    desktop.SendMessage(owner, msg, 33001, 0);
    EXPECT_EQ(seen, (std::vector<Seen>{{owner, msg, 33001, 0}}));
  }
}

TEST_F(HotkeyForwardingTest, PressingTheKeyDuringAWaitRunsTheTargetsHandlerInsideIt) {
  desktop.SetTick(0);
  std::vector<std::uint32_t> notifiedAt;
  const WindowId label = desktop.CreateWindow([&](WindowId, std::uint32_t msg, std::uintptr_t, std::intptr_t) {
    if (msg == WM_LABEL_NOTIFY) notifiedAt.push_back(desktop.Now());
    return std::intptr_t{0};
  });
  const WindowId owner = MakeWindow();
  ASSERT_EQ(RegisterGlobalHotkey(desktop, owner, label, 0, 122), 33001u);
  desktop.Advance(300);
  ASSERT_TRUE(desktop.PressHotkey(122));
  PumpingWait(desktop, 1000);
  EXPECT_EQ(notifiedAt, (std::vector<std::uint32_t>{300}));
  EXPECT_EQ(seen.size(), 1u);  // and the owner got WM_HOTKEY
}

}  // namespace
}  // namespace quorvane
