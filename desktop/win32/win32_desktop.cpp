#include "desktop/win32/win32_desktop.h"

#include <algorithm>
#include <string>

#include "desktop/input.h"
#include "desktop/win32/codepage.h"

namespace quorvane {
namespace {

HWND H(WindowId window) { return reinterpret_cast<HWND>(window); }
HMODULE M(ModuleId module) { return reinterpret_cast<HMODULE>(module); }

// The desktop whose HotkeyWindowProc the subclassed owner window calls.
Win32Desktop* g_hotkeyDesktop = nullptr;

LRESULT CALLBACK HotkeyTrampoline(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (g_hotkeyDesktop)
    return HotkeyWindowProc(*g_hotkeyDesktop, reinterpret_cast<WindowId>(hwnd), msg, wParam, lParam);
  // The desktop is gone (the end of the program): the owner still gets its messages.
  return ::CallWindowProcW(reinterpret_cast<WNDPROC>(TheHotkeyRegistry().savedWindowProc), hwnd, msg, wParam,
                           lParam);
}

void DefaultDispatch(MSG& msg) {
  ::TranslateMessage(&msg);
  ::DispatchMessageW(&msg);
}

using KeybdEventFunction = void(WINAPI*)(BYTE, BYTE, DWORD, ULONG_PTR);

// Closes a file handle on every way out.
struct FileHandle {
  HANDLE h = INVALID_HANDLE_VALUE;
  explicit FileHandle(HANDLE handle) : h(handle) {}
  ~FileHandle() {
    if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  bool Close() {
    const bool ok = ::CloseHandle(h) != 0;
    h = INVALID_HANDLE_VALUE;
    return ok;
  }
};

// A name for the temporary file beside the target, so that the final move
// stays on one volume and is a rename.
std::wstring TemporaryNameBeside(const std::wstring& target, unsigned attempt) {
  return target + L".~" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(attempt) + L".tmp";
}

bool WriteAll(HANDLE file, const Bytes& content) {
  std::size_t done = 0;
  while (done < content.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(content.size() - done, 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(file, content.data() + done, chunk, &written, nullptr) || written == 0) return false;
    done += written;
  }
  return true;
}

}  // namespace

Win32Desktop::~Win32Desktop() {
  if (g_hotkeyDesktop == this) g_hotkeyDesktop = nullptr;
}

void Win32Desktop::SetDispatchHook(DispatchHook hook) { hook_ = hook; }

// --- Synthetic input ---

bool Win32Desktop::SetCursorPos(int x, int y) { return ::SetCursorPos(x, y) != 0; }

void Win32Desktop::MouseEvent(std::uint32_t flags, std::int32_t dx, std::int32_t dy, std::uint32_t data,
                              std::uintptr_t extraInfo) {
  ::mouse_event(flags, static_cast<DWORD>(dx), static_cast<DWORD>(dy), data, extraInfo);
}

// --- Modules ---

ModuleId Win32Desktop::LoadLibrary(const Text& name, bool systemDirectoryOnly) {
  const std::wstring wide = GbkToWide(name);
  if (!systemDirectoryOnly) return reinterpret_cast<ModuleId>(::LoadLibraryW(wide.c_str()));
  HMODULE module = ::LoadLibraryExW(wide.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!module && ::GetLastError() == ERROR_INVALID_PARAMETER) {
    // A system without the restricted search flags: name the system folder in full.
    wchar_t folder[MAX_PATH];
    const UINT n = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (n > 0 && n < MAX_PATH) {
      const std::wstring path = std::wstring(folder, n) + L"\\" + wide;
      module = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    }
  }
  return reinterpret_cast<ModuleId>(module);
}

FunctionAddress Win32Desktop::GetProcAddress(ModuleId module, const Text& exportName) {
  return reinterpret_cast<FunctionAddress>(::GetProcAddress(M(module), exportName.c_str()));
}

FunctionAddress Win32Desktop::GetProcAddressByOrdinal(ModuleId module, std::uint16_t ordinal) {
  if (ordinal == 0) return 0;  // ordinal 0 would read as a null name
  return reinterpret_cast<FunctionAddress>(::GetProcAddress(M(module), MAKEINTRESOURCEA(ordinal)));
}

void Win32Desktop::FreeLibrary(ModuleId module) { ::FreeLibrary(M(module)); }

void Win32Desktop::CallKeybdEvent(FunctionAddress function, std::uint8_t vk, std::uint8_t scan, std::uint32_t flags,
                                  std::uintptr_t extraInfo) {
  reinterpret_cast<KeybdEventFunction>(function)(vk, scan, flags, extraInfo);
}

// --- Clock and messages ---

std::uint32_t Win32Desktop::GetTickCount() { return ::GetTickCount(); }

void Win32Desktop::ProcessPendingEvents() {
  MSG msg{};
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message != WM_QUIT) {
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      // WM_QUIT overtook the message we saw: it belongs to the main loop.
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (got < 0) return;
    (hook_ ? hook_ : DefaultDispatch)(msg);
  }
}

void Win32Desktop::WaitForMessage(std::uint32_t timeoutMs) {
  MSG msg{};
  if (::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message == WM_QUIT) {
    // Nothing will be dispatched in front of WM_QUIT, and the waiting
    // functions would report it at once every time: sleep the time out.
    ::Sleep(timeoutMs);
    return;
  }
  ::MsgWaitForMultipleObjectsEx(0, nullptr, timeoutMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

// --- Window procedures and messages ---

bool Win32Desktop::RegisterHotKey(WindowId owner, int id, std::uint32_t modifiers, std::uint32_t vk) {
  return ::RegisterHotKey(H(owner), id, modifiers, vk) != 0;
}

ProcId Win32Desktop::SetWindowProc(WindowId window, ProcId proc) {
  return static_cast<ProcId>(::SetWindowLongPtrW(H(window), GWLP_WNDPROC, static_cast<LONG_PTR>(proc)));
}

std::intptr_t Win32Desktop::CallWindowProc(ProcId proc, WindowId window, std::uint32_t msg, std::uintptr_t wParam,
                                           std::intptr_t lParam) {
  return ::CallWindowProcW(reinterpret_cast<WNDPROC>(proc), H(window), msg, wParam, lParam);
}

std::intptr_t Win32Desktop::SendMessage(WindowId window, std::uint32_t msg, std::uintptr_t wParam,
                                        std::intptr_t lParam) {
  return ::SendMessageW(H(window), msg, wParam, lParam);
}

ProcId Win32Desktop::HotkeyProc() {
  g_hotkeyDesktop = this;
  return reinterpret_cast<ProcId>(&HotkeyTrampoline);
}

// --- Screen and pointer ---

int Win32Desktop::GetSystemMetrics(int index) { return ::GetSystemMetrics(index); }

bool Win32Desktop::GetCursorPos(int& x, int& y) {
  POINT p{};
  if (!::GetCursorPos(&p)) return false;
  x = p.x;
  y = p.y;
  return true;
}

// --- Windows and edit boxes (lengths and selections in UTF-16 units) ---

bool Win32Desktop::IsWindow(WindowId window) { return ::IsWindow(H(window)) != 0; }

int Win32Desktop::GetTextLength(WindowId window) {
  return static_cast<int>(::SendMessageW(H(window), WM_GETTEXTLENGTH, 0, 0));
}

void Win32Desktop::SetSelection(WindowId box, int start, int end) {
  ::SendMessageW(H(box), EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end));
}

void Win32Desktop::ScrollCaret(WindowId box) { ::SendMessageW(H(box), EM_SCROLLCARET, 0, 0); }

void Win32Desktop::ReplaceSelection(WindowId box, const Text& text) {
  const std::wstring wide = GbkToWide(text);
  ::SendMessageW(H(box), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(wide.c_str()));
}

Text Win32Desktop::GetWindowText(WindowId window) {
  const int length = ::GetWindowTextLengthW(H(window));
  if (length <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(length) + 1, L'\0');
  const int got = ::GetWindowTextW(H(window), wide.data(), length + 1);
  wide.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return WideToGbk(wide);
}

void Win32Desktop::SetWindowText(WindowId window, const Text& text) {
  ::SetWindowTextW(H(window), GbkToWide(text).c_str());
}

// --- Files ---

WidePath Win32Desktop::PathFromText(const Text& name) { return WideToPath(GbkToWide(name)); }

std::optional<Bytes> Win32Desktop::ReadWholeFile(const WidePath& path) {
  const std::wstring name = PathToWide(path);
  if (name.empty()) return std::nullopt;
  // Others may read meanwhile, nobody may write.
  FileHandle file(::CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.h == INVALID_HANDLE_VALUE) return std::nullopt;
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.h, &size) || size.QuadPart < 0 ||
      static_cast<unsigned long long>(size.QuadPart) > static_cast<unsigned long long>(0x7FFFFFFF))
    return std::nullopt;
  Bytes content(static_cast<std::size_t>(size.QuadPart));
  std::size_t done = 0;
  while (done < content.size()) {
    DWORD got = 0;
    if (!::ReadFile(file.h, content.data() + done, static_cast<DWORD>(content.size() - done), &got, nullptr) ||
        got == 0)
      break;  // what arrived is what the file gives
    done += got;
  }
  content.resize(done);
  return content;
}

bool Win32Desktop::WriteWholeFile(const WidePath& path, const Bytes& content) {
  const std::wstring target = PathToWide(path);
  if (target.empty()) return false;
  // MoveFileEx replaces a read-only file without a word; a read-only file
  // must stay as it is. A folder cannot be written either.
  const DWORD attributes = ::GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0)
    return false;

  // Write everything to a new file beside the target, then put it in the
  // target's place in one step: the old file is never left half-written.
  std::wstring temporary;
  HANDLE created = INVALID_HANDLE_VALUE;
  for (unsigned attempt = 0; attempt < 100 && created == INVALID_HANDLE_VALUE; ++attempt) {
    temporary = TemporaryNameBeside(target, attempt);
    created = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    if (created == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS &&
        ::GetLastError() != ERROR_ALREADY_EXISTS)
      return false;  // the folder cannot be written to
  }
  if (created == INVALID_HANDLE_VALUE) return false;

  FileHandle file(created);
  const bool written = WriteAll(file.h, content) && ::FlushFileBuffers(file.h) != 0;
  const bool closed = file.Close();
  if (!written || !closed ||
      !::MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    ::DeleteFileW(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace quorvane
