// The program's entry point: start-up, the main window, the message loop and
// the end.
#include <windows.h>

#include "ui/frame.h"
#include "ui/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  quorvane::ui::Program& program = quorvane::ui::Program::Instance();
  program.Start(instance);
  program.OpenMainWindow(quorvane::ui::MainWindowDescription());
  const int exitCode = program.RunMessageLoop();
  program.EndSequence();
  return exitCode;
}
