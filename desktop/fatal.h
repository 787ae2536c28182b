#pragma once
// The program's one fatal stop. The frame installs the handler that shows the
// error box and ends the process with exit code -1; tests install one that
// records the stop and throws, so that they can observe it.
#include "desktop/text.h"

namespace quorvane {

using FatalHandler = void (*)(const Text& message, int code);

// Installs the handler and returns the one it replaces.
FatalHandler SetFatalHandler(FatalHandler handler);

// Calls the installed handler. If the handler returns, the process ends with
// exit code -1 all the same.
[[noreturn]] void FatalRuntimeError(const Text& message, int code = 0);

// The texts of the fatal stops raised below the frame.
Text MessageNoLiveControl();   // "指定窗口或窗口组件不存在或尚未载入"
Text MessageWindowNotLoaded(); // "指定窗口尚未载入"

}  // namespace quorvane
