#include "desktop/external.h"

#include <array>
#include <cstdlib>

#include "desktop/fatal.h"

namespace quorvane {
namespace {

std::array<ExternalFunction, 1> InitialTable() { return {ExternalFunction{"user32.dll", "keybd_event"}}; }

std::array<ExternalFunction, 1>& Table() {
  static std::array<ExternalFunction, 1> table = InitialTable();
  return table;
}

// "#N" names the export with ordinal N modulo 65536.
bool ParseOrdinal(const Text& exportName, std::uint16_t& ordinal) {
  if (exportName.empty() || exportName[0] != '#') return false;
  std::uint32_t value = 0;
  for (std::size_t i = 1; i < exportName.size() && exportName[i] >= '0' && exportName[i] <= '9'; ++i)
    value = (value * 10 + static_cast<std::uint32_t>(exportName[i] - '0')) % 65536;
  ordinal = static_cast<std::uint16_t>(value);
  return true;
}

}  // namespace

ExternalFunction& ExternalFunctionEntry(std::size_t n) {
  if (n >= Table().size()) std::abort();  // the table is fixed at build time
  return Table()[n];
}

FunctionAddress ResolveExternalFunction(Desktop& desktop, std::size_t n) {
  ExternalFunction& entry = ExternalFunctionEntry(n);
  if (entry.boundAddress != 0) return entry.boundAddress;

  // A DLL named without a path comes from the system directory only: a file
  // of the same name planted beside the program is never loaded. A full path
  // is taken as given.
  const bool fullPath = entry.dllName.find(':') != Text::npos;
  const ModuleId module = desktop.LoadLibrary(entry.dllName, !fullPath);
  FunctionAddress address = 0;
  if (module != 0) {
    std::uint16_t ordinal = 0;
    address = ParseOrdinal(entry.exportName, ordinal) ? desktop.GetProcAddressByOrdinal(module, ordinal)
                                                      : desktop.GetProcAddress(module, entry.exportName);
  }
  if (address != 0) {
    entry.boundAddress = address;
    entry.boundModule = module;
    return address;
  }
  if (module != 0) desktop.FreeLibrary(module);
  FatalRuntimeError("无法找到指定DLL库文件“" + entry.dllName + "”中的输出命令“" + entry.exportName + "”", 0);
}

void ReleaseExternalFunctions(Desktop& desktop) {
  for (ExternalFunction& entry : Table()) {
    if (entry.boundModule != 0) desktop.FreeLibrary(entry.boundModule);
    entry.boundModule = 0;
    entry.boundAddress = 0;
  }
}

void ResetExternalFunctionsForTesting() { Table() = InitialTable(); }

}  // namespace quorvane
