// Measures what a PumpingWait costs: the processor time it takes and how
// long past its length it returns.
//
//   wait_cpu [ms] [repeats]      (defaults: 5000 ms, 3 runs)
//
// Each run waits ms milliseconds on the GUI thread while a 200 ms timer
// ticks on a hidden window (the main window's pointer refresh does the same),
// then prints the process's user and kernel time spent during the wait, that
// time as a share of one processor, and how far the wait overran by the
// performance counter and by GetTickCount. The "quit" line waits with WM_QUIT
// queued (the window was closed during a run). A last line shows a loop that
// polls the clock without sleeping, for comparison.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "desktop/input.h"
#include "desktop/win32/win32_desktop.h"

namespace {

double ProcessorMs() {
  FILETIME created, exited, kernel, user;
  ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto ms = [](const FILETIME& t) {
    ULARGE_INTEGER v;
    v.LowPart = t.dwLowDateTime;
    v.HighPart = t.dwHighDateTime;
    return static_cast<double>(v.QuadPart) / 10000.0;
  };
  return ms(kernel) + ms(user);
}

double NowMs() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER c;
  ::QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

int g_ticks = 0;

LRESULT CALLBACK CountTicks(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_TIMER) {
    ++g_ticks;
    return 0;
  }
  return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

// The clock polled between pump steps with no sleep at all.
void PollingWait(quorvane::Desktop& desktop, int ms) {
  const std::uint32_t start = desktop.GetTickCount();
  for (;;) {
    desktop.ProcessPendingEvents();
    if (desktop.GetTickCount() - start > static_cast<std::uint32_t>(ms)) return;
  }
}

template <typename Wait>
void Measure(const char* name, int ms, Wait wait) {
  g_ticks = 0;
  const double cpu0 = ProcessorMs();
  const double wall0 = NowMs();
  const DWORD tick0 = ::GetTickCount();
  wait();
  const DWORD tick1 = ::GetTickCount();
  const double wall1 = NowMs();
  const double cpu1 = ProcessorMs();
  const double wall = wall1 - wall0;
  std::printf("%-8s wait %d ms: processor %.1f ms = %.2f %% of one core; returned after %.1f ms (%+.1f ms), "
              "GetTickCount %lu ms (%+ld ms); %d timer ticks\n",
              name, ms, cpu1 - cpu0, 100.0 * (cpu1 - cpu0) / wall, wall, wall - ms, tick1 - tick0,
              static_cast<long>(tick1 - tick0) - ms, g_ticks);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  const int ms = argc > 1 ? std::atoi(argv[1]) : 5000;
  const int repeats = argc > 2 ? std::atoi(argv[2]) : 3;

  WNDCLASSEXW wc{sizeof(wc)};
  wc.lpfnWndProc = CountTicks;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"QuorvaneWaitCpu";
  ::RegisterClassExW(&wc);
  HWND window = ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
  ::SetTimer(window, 1, 200, nullptr);

  quorvane::Win32Desktop desktop;
  for (int i = 0; i < repeats; ++i) Measure("pumping", ms, [&] { quorvane::PumpingWait(desktop, ms); });
  // The window closed during a run: WM_QUIT waits at the head of the queue
  // for the whole wait.
  Measure("quit", ms, [&] {
    ::PostQuitMessage(0);
    quorvane::PumpingWait(desktop, ms);
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
  });
  Measure("polling", ms, [&] { PollingWait(desktop, ms); });

  ::KillTimer(window, 1);
  ::DestroyWindow(window);
  return 0;
}
