#pragma once
// Texts cross the Win32 boundary as UTF-16 converted from GBK (code page 936)
// and back, so the windows read correctly whatever the system's ANSI code
// page is, while scripts and files stay GBK.
#include <string>

#include "desktop/text.h"

namespace quorvane {

std::wstring GbkToWide(const Text& text);
Text WideToGbk(const std::wstring& text);
std::wstring PathToWide(const WidePath& path);
WidePath WideToPath(const std::wstring& path);

}  // namespace quorvane
