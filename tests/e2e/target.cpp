// The window the end-to-end scripts click and type into. It covers the left
// part of the screen, clear of the main window, and appends one line per
// mouse-button or key message it receives to the log file named on its
// command line:
//   <ms since start> <event> <x> <y> <cx> <cy>   for buttons: the message's
//        screen point, then the pointer's position when the target handled it
//   <ms since start> <event> <vk>                for keys
// Each line is flushed at once, so a reader sees it while the target runs.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>

namespace {

FILE* g_log = nullptr;
LARGE_INTEGER g_start{};
LARGE_INTEGER g_frequency{};

double ElapsedMs() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart - g_start.QuadPart) * 1000.0 /
         static_cast<double>(g_frequency.QuadPart);
}

const char* ButtonName(UINT msg) {
  switch (msg) {
    case WM_LBUTTONDOWN: return "LDOWN";
    case WM_LBUTTONUP: return "LUP";
    case WM_LBUTTONDBLCLK: return "LDBL";
    case WM_RBUTTONDOWN: return "RDOWN";
    case WM_RBUTTONUP: return "RUP";
    case WM_RBUTTONDBLCLK: return "RDBL";
    default: return nullptr;
  }
}

const char* KeyName(UINT msg) {
  switch (msg) {
    case WM_KEYDOWN: return "KEYDOWN";
    case WM_KEYUP: return "KEYUP";
    case WM_SYSKEYDOWN: return "SYSKEYDOWN";
    case WM_SYSKEYUP: return "SYSKEYUP";
    default: return nullptr;
  }
}

void Record(const char* event, const char* detail) {
  if (!g_log) return;
  fprintf(g_log, "%.3f %s %s\n", ElapsedMs(), event, detail);
  fflush(g_log);
}

LRESULT CALLBACK TargetProc(HWND window, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (const char* name = ButtonName(msg)) {
    POINT p{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
    ClientToScreen(window, &p);
    POINT cursor{};
    GetCursorPos(&cursor);
    char detail[64];
    snprintf(detail, sizeof detail, "%ld %ld %ld %ld", p.x, p.y, cursor.x, cursor.y);
    Record(name, detail);
    return 0;
  }
  if (const char* name = KeyName(msg)) {
    char detail[16];
    snprintf(detail, sizeof detail, "%u", static_cast<unsigned>(wparam));
    Record(name, detail);
    // System keys still need their default handling (Alt+F4 and the like).
    if (msg == WM_SYSKEYDOWN || msg == WM_SYSKEYUP) return DefWindowProcW(window, msg, wparam, lparam);
    return 0;
  }
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      RECT r;
      GetClientRect(window, &r);
      FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      const wchar_t caption[] = L"e2e target";
      TextOutW(dc, 10, 10, caption, static_cast<int>(wcslen(caption)));
      EndPaint(window, &ps);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, msg, wparam, lparam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argc < 2) return 2;
  g_log = _wfopen(argv[1], L"ab");
  if (!g_log) return 3;
  QueryPerformanceFrequency(&g_frequency);
  QueryPerformanceCounter(&g_start);

  WNDCLASSW wc{};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = TargetProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.lpszClassName = L"QvE2ETarget";
  RegisterClassW(&wc);
  // Left of the centred main window (its outer rectangle starts at x 627 on a
  // 1920-pixel screen), so both stay fully visible and neither covers the other.
  HWND window = CreateWindowExW(0, wc.lpszClassName, L"e2e target", WS_POPUP | WS_VISIBLE, 0, 0,
                                620, GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, instance,
                                nullptr);
  if (!window) return 4;
  Record("READY", "0");
  MSG m;
  while (GetMessageW(&m, nullptr, 0, 0) > 0) {
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  fclose(g_log);
  return 0;
}
