#include "desktop/fatal.h"

#include <cstdio>
#include <cstdlib>

namespace quorvane {
namespace {

void DefaultFatalHandler(const Text& message, int code) {
  std::fprintf(stderr, "fatal run-time error %d: %s\n", code, message.c_str());
}

FatalHandler g_handler = DefaultFatalHandler;

}  // namespace

FatalHandler SetFatalHandler(FatalHandler handler) {
  FatalHandler previous = g_handler;
  g_handler = handler ? handler : DefaultFatalHandler;
  return previous;
}

void FatalRuntimeError(const Text& message, int code) {
  g_handler(message, code);
  std::_Exit(-1);
}

Text MessageNoLiveControl() { return "指定窗口或窗口组件不存在或尚未载入"; }
Text MessageWindowNotLoaded() { return "指定窗口尚未载入"; }

}  // namespace quorvane
