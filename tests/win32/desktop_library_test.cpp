// keybd_event is bound from the system's user32.dll, never from a file of
// that name beside the program.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "desktop/external.h"
#include "desktop/fatal.h"
#include "desktop/win32/win32_desktop.h"

namespace quorvane {
namespace {

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH];
  const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, n);
  return folder.substr(0, folder.find_last_of(L"\\/"));
}

void ThrowingFatal(const Text& message, int) { throw std::runtime_error(message); }

// A user32.dll planted beside the test program for the length of one case.
class PlantedFile {
 public:
  explicit PlantedFile(std::wstring path) : path_(std::move(path)) {}
  ~PlantedFile() { ::DeleteFileW(path_.c_str()); }
  PlantedFile(const PlantedFile&) = delete;
  PlantedFile& operator=(const PlantedFile&) = delete;
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
};

TEST(Win32LibraryTest, KeybdEventComesFromTheSystemUser32) {
  struct Case {
    const char* name;
    bool (*plant)(const std::wstring& path);
  };
  const std::vector<Case> cases = {
      {"nothing planted", [](const std::wstring&) { return true; }},
      {"a copy of another DLL",
       [](const std::wstring& path) {
         wchar_t system[MAX_PATH];
         const UINT n = ::GetSystemDirectoryW(system, MAX_PATH);
         return ::CopyFileW((std::wstring(system, n) + L"\\version.dll").c_str(), path.c_str(), FALSE) != 0;
       }},
      {"garbage",
       [](const std::wstring& path) {
         HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr);
         if (h == INVALID_HANDLE_VALUE) return false;
         const char junk[] = "MZ this is not a library";
         DWORD written = 0;
         ::WriteFile(h, junk, sizeof junk, &written, nullptr);
         ::CloseHandle(h);
         return true;
       }},
  };
  const FunctionAddress system = reinterpret_cast<FunctionAddress>(
      ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "keybd_event"));
  ASSERT_NE(system, 0u);
  const FatalHandler previous = SetFatalHandler(ThrowingFatal);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Win32Desktop desktop;
    PlantedFile planted(ProgramFolder() + L"\\user32.dll");
    ASSERT_TRUE(c.plant(planted.path()));
    ResetExternalFunctionsForTesting();
    FunctionAddress bound = 0;
    EXPECT_NO_THROW(bound = ResolveExternalFunction(desktop, kKeybdEventEntry));
    EXPECT_EQ(bound, system);
    EXPECT_EQ(ExternalFunctionEntry(kKeybdEventEntry).boundModule,
              reinterpret_cast<ModuleId>(::GetModuleHandleW(L"user32.dll")));
    // The planted file was never even loaded.
    EXPECT_EQ(::GetModuleHandleW(planted.path().c_str()), nullptr);
    ReleaseExternalFunctions(desktop);
  }
  SetFatalHandler(previous);
  ResetExternalFunctionsForTesting();
}

TEST(Win32LibraryTest, SystemOnlyLoadingIgnoresTheProgramFolder) {
  // A library that exists only beside the program: found by the ordinary
  // search, never by the system-only one.
  wchar_t system[MAX_PATH];
  const UINT n = ::GetSystemDirectoryW(system, MAX_PATH);
  PlantedFile planted(ProgramFolder() + L"\\qvplanted.dll");
  ASSERT_TRUE(::CopyFileW((std::wstring(system, n) + L"\\version.dll").c_str(), planted.path().c_str(), FALSE));
  Win32Desktop desktop;
  struct Case {
    const char* name;
    bool systemDirectoryOnly;
    bool found;
  };
  for (const Case& c : {Case{"system directory only", true, false}, Case{"ordinary search", false, true}}) {
    SCOPED_TRACE(c.name);
    const ModuleId module = desktop.LoadLibrary("qvplanted.dll", c.systemDirectoryOnly);
    EXPECT_EQ(module != 0, c.found);
    if (module) desktop.FreeLibrary(module);
  }
}

TEST(Win32LibraryTest, MissingExportIsTheFatalStopWithItsNames) {
  Win32Desktop desktop;
  ResetExternalFunctionsForTesting();
  ExternalFunctionEntry(kKeybdEventEntry).exportName = "keybd_event_nonexistent";
  const FatalHandler previous = SetFatalHandler(ThrowingFatal);
  std::string message;
  try {
    ResolveExternalFunction(desktop, kKeybdEventEntry);
  } catch (const std::runtime_error& e) {
    message = e.what();
  }
  SetFatalHandler(previous);
  ResetExternalFunctionsForTesting();
  EXPECT_EQ(message, "无法找到指定DLL库文件“user32.dll”中的输出命令“keybd_event_nonexistent”");
}

}  // namespace
}  // namespace quorvane
