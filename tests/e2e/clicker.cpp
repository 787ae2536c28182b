// The reference for click speed: nothing but the input calls themselves.
// Clicks left at a screen point as fast as the system takes it, for the
// given number of milliseconds, and prints how many clicks it sent.
//   clicker <x> <y> <ms>
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc < 4) return 2;
  const int x = atoi(argv[1]);
  const int y = atoi(argv[2]);
  const DWORD duration = static_cast<DWORD>(atoi(argv[3]));
  const DWORD start = GetTickCount();
  long clicks = 0;
  while (GetTickCount() - start < duration) {
    SetCursorPos(x, y);
    mouse_event(MOUSEEVENTF_LEFTDOWN, static_cast<DWORD>(x), static_cast<DWORD>(y), 0, 0);
    mouse_event(MOUSEEVENTF_LEFTUP, static_cast<DWORD>(x), static_cast<DWORD>(y), 0, 0);
    ++clicks;
  }
  printf("%ld\n", clicks);
  return 0;
}
