#include "desktop/external.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/sim/simulated_desktop.h"

namespace quorvane {
namespace {

using sim::ExpectTrace;
using sim::SimulatedDesktop;

class ExternalFunctionTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetExternalFunctionsForTesting(); }
  void TearDown() override { ResetExternalFunctionsForTesting(); }
  SimulatedDesktop desktop;
};

TEST_F(ExternalFunctionTest, TheTableHoldsKeybdEventOfUser32Unbound) {
  const ExternalFunction& entry = ExternalFunctionEntry(kKeybdEventEntry);
  EXPECT_EQ(entry.dllName, "user32.dll");
  EXPECT_EQ(entry.exportName, "keybd_event");
  EXPECT_EQ(entry.boundAddress, 0u);
  EXPECT_EQ(entry.boundModule, 0u);
}

TEST_F(ExternalFunctionTest, BindsByNameOrOrdinalFromWhereTheNameSays) {
  struct Case {
    const char* name;
    Text dll, exportName;
    Text moduleName;  // the module the simulation offers
    bool moduleInSystemDirectory;
    std::vector<std::uint16_t> ordinals;
    std::uint16_t expectedOrdinal;  // 0: bound by name
    std::vector<std::string> trace;
  };
  const std::vector<Case> cases = {
      {"by name from the system directory", "user32.dll", "keybd_event", "user32.dll", true, {}, 0,
       {"LoadLibrary(user32.dll,system)", "GetProcAddress(user32.dll,keybd_event)"}},
      {"DLL name in another case", "USER32.DLL", "keybd_event", "user32.dll", true, {}, 0,
       {"LoadLibrary(USER32.DLL,system)", "GetProcAddress(user32.dll,keybd_event)"}},
      {"by ordinal", "user32.dll", "#123", "user32.dll", true, {123}, 123,
       {"LoadLibrary(user32.dll,system)", "GetProcAddress(user32.dll,#123)"}},
      {"ordinal taken modulo 65536", "user32.dll", "#65659", "user32.dll", true, {123}, 123,
       {"LoadLibrary(user32.dll,system)", "GetProcAddress(user32.dll,#123)"}},
      {"ordinal digits end at the first other character", "user32.dll", "#12x3", "user32.dll", true, {12}, 12,
       {"LoadLibrary(user32.dll,system)", "GetProcAddress(user32.dll,#12)"}},
      {"a full path is loaded as given", "C:\\tools\\keys.dll", "keybd_event", "C:\\tools\\keys.dll", false, {}, 0,
       {"LoadLibrary(C:\\tools\\keys.dll)", "GetProcAddress(C:\\tools\\keys.dll,keybd_event)"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimulatedDesktop d;
    d.AddModule(c.moduleName, {"keybd_event"}, c.ordinals, c.moduleInSystemDirectory);
    ResetExternalFunctionsForTesting();
    ExternalFunctionEntry(0).dllName = c.dll;
    ExternalFunctionEntry(0).exportName = c.exportName;

    const FunctionAddress address = ResolveExternalFunction(d, 0);
    const FunctionAddress expected = c.expectedOrdinal ? d.OrdinalAddress(c.moduleName, c.expectedOrdinal)
                                                       : d.ExportAddress(c.moduleName, "keybd_event");
    EXPECT_NE(address, 0u);
    EXPECT_EQ(address, expected);
    EXPECT_EQ(ExternalFunctionEntry(0).boundAddress, expected);
    EXPECT_NE(ExternalFunctionEntry(0).boundModule, 0u);
    ExpectTrace(d, c.trace);
  }
}

TEST_F(ExternalFunctionTest, BoundOnceThenEveryCallIsATableRead) {
  const FunctionAddress first = ResolveExternalFunction(desktop, kKeybdEventEntry);
  desktop.ClearTrace();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(ResolveExternalFunction(desktop, kKeybdEventEntry), first);
  ExpectTrace(desktop, {});
  EXPECT_EQ(desktop.LoadedCount("user32.dll"), 1);
}

TEST_F(ExternalFunctionTest, UnbindableEntryStopsWithItsNamesAndReleasesTheModule) {
  struct Case {
    const char* name;
    Text dll, exportName;
    Text message;
  };
  const std::vector<Case> cases = {
      {"missing export", "user32.dll", "keybd_events",
       "无法找到指定DLL库文件“user32.dll”中的输出命令“keybd_events”"},
      {"missing ordinal", "user32.dll", "#77", "无法找到指定DLL库文件“user32.dll”中的输出命令“#77”"},
      {"missing DLL", "nosuch.dll", "keybd_event", "无法找到指定DLL库文件“nosuch.dll”中的输出命令“keybd_event”"},
      {"missing full path", "D:\\gone\\user32.dll", "keybd_event",
       "无法找到指定DLL库文件“D:\\gone\\user32.dll”中的输出命令“keybd_event”"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetExternalFunctionsForTesting();
    ExternalFunctionEntry(0).dllName = c.dll;
    ExternalFunctionEntry(0).exportName = c.exportName;
    auto stop = sim::CatchFatalStop([&] { ResolveExternalFunction(desktop, 0); });
    ASSERT_TRUE(stop.has_value());
    EXPECT_EQ(stop->message, c.message);
    EXPECT_EQ(stop->code, 0);
    EXPECT_EQ(ExternalFunctionEntry(0).boundAddress, 0u);
    EXPECT_EQ(desktop.LoadedCount("user32.dll"), 0);
  }
}

TEST_F(ExternalFunctionTest, ReleaseFreesTheBoundModuleAndForgetsTheBinding) {
  ResolveExternalFunction(desktop, kKeybdEventEntry);
  desktop.ClearTrace();
  ReleaseExternalFunctions(desktop);
  ExpectTrace(desktop, {"FreeLibrary(user32.dll)"});
  EXPECT_EQ(desktop.LoadedCount("user32.dll"), 0);
  EXPECT_EQ(ExternalFunctionEntry(kKeybdEventEntry).boundAddress, 0u);
  // Releasing again frees nothing twice.
  ReleaseExternalFunctions(desktop);
  ExpectTrace(desktop, {});
}

TEST_F(ExternalFunctionTest, ReleaseOfAnUnboundTableDoesNothing) {
  ReleaseExternalFunctions(desktop);
  ExpectTrace(desktop, {});
}

}  // namespace
}  // namespace quorvane
