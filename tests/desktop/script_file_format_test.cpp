// Loading a script file: what a file from elsewhere is turned into. UTF-8
// is written as byte escapes; plain literals are GBK at run time.
#include "desktop/script_file_format.h"

#include <gtest/gtest.h>

#include <string>

namespace quorvane {
namespace {

using namespace std::string_literals;

Bytes B(const std::string& s) { return Bytes(s.begin(), s.end()); }

// Stands in for the system's conversion: shows what it was given.
Text MarkedConversion(const std::string& utf8) { return "<" + utf8 + ">"; }

const std::string kWenBenUtf8 = "\xE6\x96\x87\xE6\x9C\xAC";  // 文本
const std::string kMark = "\xEF\xBB\xBF";

TEST(ScriptFileFormatTest, Utf8IsRecognisedOnlyWhenWellFormed) {
  struct Case {
    const char* name;
    std::string bytes;
    bool valid;
  };
  const Case cases[] = {
      {"empty", "", true},
      {"ASCII", "M|1|2|0", true},
      {"two-byte", "\xC3\xA9", true},
      {"three-byte", kWenBenUtf8, true},
      {"four-byte", "\xF0\x9F\x98\x80", true},
      {"highest code point", "\xF4\x8F\xBF\xBF", true},
      {"GBK text", "文本文档", false},
      {"lone continuation byte", "\x80", false},
      {"overlong two-byte", "\xC0\xAF", false},
      {"overlong three-byte", "\xE0\x80\xAF", false},
      {"overlong four-byte", "\xF0\x80\x80\xAF", false},
      {"surrogate", "\xED\xA0\x80", false},
      {"above U+10FFFF", "\xF4\x90\x80\x80", false},
      {"cut short at the end", "a\xE6\x96", false},
      {"continuation replaced by ASCII", "\xE6\x96z", false},
      {"byte F5", "\xF5\x80\x80\x80", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(IsValidUtf8(c.bytes), c.valid);
  }
}

TEST(ScriptFileFormatTest, LoadingConvertsEncodingAndLineBreaks) {
  struct Case {
    const char* name;
    std::string file;
    Text text;
  };
  const Case cases[] = {
      {"empty file", "", ""},
      {"CR LF stays", "M|1|2|0\r\nT|100\r\n", "M|1|2|0\r\nT|100\r\n"},
      {"LF alone", "a\nb\n", "a\r\nb\r\n"},
      {"CR alone", "a\rb\r", "a\r\nb\r\n"},
      {"mixed, blank lines kept", "a\r\nb\nc\rd\r\r\n\n", "a\r\nb\r\nc\r\nd\r\n\r\n\r\n"},
      {"GBK loads byte for byte", "'文本文档\r\nK|65|0", "'文本文档\r\nK|65|0"},
      {"GBK with a | second byte", "東|1", "東|1"},
      {"UTF-8 is converted", "'" + kWenBenUtf8 + "\r\n", "<'" + kWenBenUtf8 + "\r\n>"},
      {"UTF-8 with LF: converted, then CR LF", kWenBenUtf8 + "\nT|5", "<" + kWenBenUtf8 + "\r\nT|5>"},
      {"UTF-8 with its mark: mark removed", kMark + kWenBenUtf8, "<" + kWenBenUtf8 + ">"},
      {"mark then ASCII", kMark + "T|5", "<T|5>"},
      {"mark alone", kMark, "<>"},
      {"zero byte ends the text", "ab\0cd"s, "ab"},
      {"zero byte first", "\0abc"s, ""},
      {"zero byte in UTF-8: cut before converting", kWenBenUtf8 + "\0\xFF"s, "<" + kWenBenUtf8 + ">"},
      {"invalid UTF-8 after the zero byte does not matter", kWenBenUtf8 + "\0\xC0\xAF"s, "<" + kWenBenUtf8 + ">"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ScriptTextFromFile(B(c.file), MarkedConversion), c.text);
  }
}

TEST(ScriptFileFormatTest, AConverterThatYieldsAZeroByteCannotPutOneInTheText) {
  const Text text = ScriptTextFromFile(B(kWenBenUtf8), [](const std::string&) { return "ab\0c\nd"s; });
  EXPECT_EQ(text, "ab");
}

}  // namespace
}  // namespace quorvane
