#include "desktop/win32/codepage.h"

#include <windows.h>

namespace quorvane {
namespace {
constexpr UINT kGbk = 936;
}

std::wstring GbkToWide(const Text& text) {
  if (text.empty()) return {};
  int n = MultiByteToWideChar(kGbk, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(kGbk, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

Text WideToGbk(const std::wstring& text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(kGbk, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                              nullptr);
  Text gbk(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(kGbk, 0, text.data(), static_cast<int>(text.size()), gbk.data(), n, nullptr, nullptr);
  return gbk;
}

std::wstring PathToWide(const WidePath& path) { return std::wstring(path.begin(), path.end()); }
WidePath WideToPath(const std::wstring& path) { return WidePath(path.begin(), path.end()); }

}  // namespace quorvane
