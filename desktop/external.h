#pragma once
// The external function table: functions the executable does not import but
// binds at run time, on first use.
#include <cstddef>

#include "desktop/desktop.h"

namespace quorvane {

struct ExternalFunction {
  Text dllName;
  Text exportName;  // "#N" names an export by ordinal (N modulo 65536)
  FunctionAddress boundAddress = 0;
  ModuleId boundModule = 0;
};

inline constexpr std::size_t kKeybdEventEntry = 0;

// The program's table; its one entry is keybd_event in user32.dll.
ExternalFunction& ExternalFunctionEntry(std::size_t n);

// The entry's address, bound on first use; a function that cannot be bound
// is the fatal stop.
FunctionAddress ResolveExternalFunction(Desktop& desktop, std::size_t n);

// Releases every bound module (end of the program).
void ReleaseExternalFunctions(Desktop& desktop);

// Tests only: forgets every binding without releasing anything, and puts
// back the entries' names as the program has them.
void ResetExternalFunctionsForTesting();

}  // namespace quorvane
