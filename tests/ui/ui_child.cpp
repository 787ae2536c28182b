// A program on the frame that ends the way its argument says:
//   "closed-control": the main window is destroyed, then a status pane is
//   written: the fatal stop for a control whose window is gone.
//   anything else: the normal loop, ended by closing the main window.
#include <windows.h>

#include <cstring>

#include "ui/frame.h"
#include "ui/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  auto& program = quorvane::ui::Program::Instance();
  program.Start(instance);
  program.OpenMainWindow(quorvane::ui::MainWindowDescription());
  if (std::strstr(commandLine, "closed-control")) {
    DestroyWindow(quorvane::ui::MainWindow()->Handle());
    quorvane::ui::SetStatusPaneText(2, "x");
  }
  const int exitCode = program.RunMessageLoop();
  program.EndSequence();
  return exitCode;
}
