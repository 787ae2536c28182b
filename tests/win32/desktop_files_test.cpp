// Whole-file reading and writing on the real file system.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "desktop/screen.h"
#include "desktop/win32/codepage.h"
#include "desktop/win32/win32_desktop.h"

namespace quorvane {
namespace {

Bytes B(std::string_view s) { return Bytes(s.begin(), s.end()); }

// A fresh folder under the temporary folder, removed with everything in it.
class Win32FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    folder_ = std::wstring(temp) + L"qv-files-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
              std::to_wstring(::GetTickCount());
    ASSERT_TRUE(::CreateDirectoryW(folder_.c_str(), nullptr));
  }
  void TearDown() override {
    for (const std::wstring& name : Listing()) {
      const std::wstring path = folder_ + L"\\" + name;
      ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (!::DeleteFileW(path.c_str())) ::RemoveDirectoryW(path.c_str());
    }
    ::RemoveDirectoryW(folder_.c_str());
  }

  // The folder's entries, "." and ".." left out.
  std::vector<std::wstring> Listing() const {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((folder_ + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
      const std::wstring name = data.cFileName;
      if (name != L"." && name != L"..") names.push_back(name);
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
    return names;
  }

  Text NameOf(const std::wstring& leaf) const { return WideToGbk(folder_ + L"\\" + leaf); }

  void Put(const std::wstring& leaf, std::string_view content) {
    HANDLE h = ::CreateFileW((folder_ + L"\\" + leaf).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ::WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    ::CloseHandle(h);
  }

  Win32Desktop desktop;
  std::wstring folder_;
};

TEST_F(Win32FilesTest, WrittenBytesReadBackExactly) {
  struct Case {
    const char* name;
    Bytes content;
  };
  Bytes large(1 << 20);
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<std::uint8_t>(i * 7);
  const std::vector<Case> cases = {
      {"a script line of 7 bytes", B("M|1|2|0")},
      {"GBK text with CR LF", B("代码运行中...\r\n")},
      {"zero bytes inside", Bytes{'a', 0, 'b', 0}},
      {"nothing", {}},
      {"a megabyte", large},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Put(L"script.txt", "old content, longer than some of the new ones");
    EXPECT_TRUE(WriteFileBytes(desktop, NameOf(L"script.txt"), {&c.content}));
    EXPECT_EQ(ReadFileBytes(desktop, NameOf(L"script.txt")), c.content);
    EXPECT_EQ(Listing(), std::vector<std::wstring>{L"script.txt"});  // no temporary file left behind
  }
}

TEST_F(Win32FilesTest, ChineseFileNamesAreSpelledRight) {
  const Bytes content = B("K|65|0");
  ASSERT_TRUE(WriteFileBytes(desktop, NameOf(L"\u811a\u672c.txt"), {&content}));
  EXPECT_EQ(Listing(), std::vector<std::wstring>{L"\u811a\u672c.txt"});
  // The same name written as GBK text in the program.
  EXPECT_EQ(ReadFileBytes(desktop, WideToGbk(folder_) + "\\脚本.txt"), content);
}

TEST_F(Win32FilesTest, FailedWriteLeavesTheOldFileWhole) {
  struct Case {
    const char* name;
    std::wstring leaf;
    void (*prepare)(const std::wstring& path);
  };
  const std::vector<Case> cases = {
      {"read-only file", L"ro.txt",
       [](const std::wstring& p) { ::SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_READONLY); }},
      {"name of a folder", L"sub", [](const std::wstring& p) { ::CreateDirectoryW(p.c_str(), nullptr); }},
      {"folder that does not exist", L"missing\\x.txt", [](const std::wstring&) {}},
  };
  const Bytes data = B("new content");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring path = folder_ + L"\\" + c.leaf;
    if (c.leaf != L"sub" && c.leaf.find(L'\\') == std::wstring::npos) Put(c.leaf, "old");
    c.prepare(path);
    const std::vector<std::wstring> before = Listing();
    EXPECT_FALSE(WriteFileBytes(desktop, WideToGbk(path), {&data}));
    EXPECT_EQ(Listing(), before);
    if (c.leaf == L"ro.txt") {
      EXPECT_EQ(ReadFileBytes(desktop, WideToGbk(path)), B("old"));
    }
  }
}

TEST_F(Win32FilesTest, FileHeldOpenByAnotherIsNotReplaced) {
  Put(L"busy.txt", "old");
  const std::wstring path = folder_ + L"\\busy.txt";
  HANDLE held = ::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const Bytes data = B("new");
  EXPECT_FALSE(WriteFileBytes(desktop, WideToGbk(path), {&data}));
  ::CloseHandle(held);
  EXPECT_EQ(ReadFileBytes(desktop, WideToGbk(path)), B("old"));
  EXPECT_EQ(Listing(), std::vector<std::wstring>{L"busy.txt"});
}

TEST_F(Win32FilesTest, EmptyNameWritesNothing) {
  const Bytes data = B("x");
  EXPECT_FALSE(WriteFileBytes(desktop, "", {&data}));
  EXPECT_TRUE(ReadFileBytes(desktop, "").empty());
}

TEST_F(Win32FilesTest, UnreadableFilesReadAsEmpty) {
  struct Case {
    const char* name;
    std::wstring leaf;
  };
  Put(L"empty.txt", "");
  Put(L"written.txt", "being written");
  ::CreateDirectoryW((folder_ + L"\\sub").c_str(), nullptr);
  // Someone is writing this one: reading it now could give half a file.
  HANDLE writer = ::CreateFileW((folder_ + L"\\written.txt").c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  const std::vector<Case> cases = {
      {"missing file", L"missing.txt"},
      {"empty file", L"empty.txt"},
      {"a folder", L"sub"},
      {"open for writing elsewhere", L"written.txt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(ReadFileBytes(desktop, NameOf(c.leaf)).empty());
  }
  ::CloseHandle(writer);
}

}  // namespace
}  // namespace quorvane
