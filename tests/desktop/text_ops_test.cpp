// The text and number operations. Texts in this file are GBK at run time
// (the sources are compiled with the GBK execution character set), so a
// literal such as "東" is the two bytes 96 7C that the program sees.
#include "desktop/text_ops.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "desktop/fatal.h"

namespace quorvane {
namespace {

// Characters whose bytes trip up a walk that is not double-byte aware.
const Text kDong = "東";      // 96 7C: its trail byte is "|"
const Text kGong = "宮";      // trail byte 0x6D, "m"
const Text kXia = "俠";       // trail byte 0x62, "b"
const Text kAh = "啊";        // B0 A1: its trail byte is the lead byte of "‘" and "　"
const Text kHu = "瓳";        // lead byte AE, so "啊瓳" holds A1 AE ("‘") at offset 1
const Text kPunct = "、";     // A1 A2, so "啊、" holds A1 A1 ("　") at offset 1
const Text kTruncated = "\x81";  // a lead byte with no trail byte after it

std::string Hex(const Text& text) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char b : text) {
    if (!out.empty()) out += ' ';
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

TEST(TextEncodingTest, TestTextsAreGbkBytes) {
  // Every case below rests on these bytes; a wrong execution character set
  // would make the double-byte cases pass for the wrong reason.
  EXPECT_EQ(Hex(kDong), "96 7C");
  EXPECT_EQ(Hex(kGong), "8C 6D");
  EXPECT_EQ(Hex(kXia), "82 62");
  EXPECT_EQ(Hex(kAh + kHu), "B0 A1 AE 40");
  EXPECT_EQ(Hex("‘’　"), "A1 AE A1 AF A1 A1");
  EXPECT_EQ(Hex("１－ｍ"), "A3 B1 A3 AD A3 ED");
}

// --- FindSubtext ---

struct FindCase {
  const char* name;
  Text text;
  Text sought;
  std::optional<int> start;
  bool caseInsensitive;
  int expected;
};

TEST(FindSubtextTest, FindsFirstOccurrenceAsWholeCharacters) {
  const FindCase cases[] = {
      {"separator", "M|100|200|0", "|", std::nullopt, false, 2},
      {"from start 3", "M|100|200|0", "|", 3, false, 6},
      {"position counts from the whole text", "a|b|c", "|", 3, false, 4},
      {"start on the match", "a|b", "|", 2, false, 2},
      {"start 0 is the beginning", "a|b", "a", 0, false, 1},
      {"negative start is the beginning", "a|b", "a", -7, false, 1},
      {"start beyond the length", "abc", "c", 4, false, -1},
      {"start at the last byte", "abc", "c", 3, false, 3},
      {"absent", "abc", "d", std::nullopt, false, -1},
      {"sought longer than text", "ab", "abc", std::nullopt, false, -1},
      {"multi-byte sought", "T|1000-1500", "00-15", std::nullopt, false, 5},
      {"empty sought", "abc", "", std::nullopt, false, 1},
      {"empty sought gives 1 whatever the start", "abc", "", 3, false, 1},
      {"empty sought, nothing left to search", "abc", "", 4, false, -1},
      {"empty text, empty sought", "", "", std::nullopt, false, -1},
      {"empty text", "", "a", std::nullopt, false, -1},
      {"case-sensitive by default", "aBc", "b", std::nullopt, false, -1},
      {"case-insensitive when asked", "aBc", "b", std::nullopt, true, 2},
      {"case-insensitive, capital sought", "abc", "ABC", std::nullopt, true, 1},
      {"case-insensitive leaves other bytes exact", "a[c", "{", std::nullopt, true, -1},
      {"trail byte is no separator", kDong, "|", std::nullopt, false, -1},
      {"separator after a trail-byte bar", kDong + "|A", "|", std::nullopt, false, 3},
      {"double-byte sought", "ab" + kDong + "c", kDong, std::nullopt, false, 3},
      {"no match across two characters", kAh + kHu, "‘", std::nullopt, false, -1},
      {"trail byte is no letter", kGong, "m", std::nullopt, false, -1},
      {"trail byte is no letter, case-insensitive", kGong, "M", std::nullopt, true, -1},
      {"letter after a trail-byte letter", kGong + "m", "M", std::nullopt, true, 3},
      {"double-byte sought with letter trail, case-insensitive", "x" + kXia, kXia,
       std::nullopt, true, 2},
      {"case-insensitive does not fold a trail byte", "x" + kXia, "\x82" "B", std::nullopt,
       true, -1},
      {"start on a trail byte walks from there", kDong + "|", "|", 2, false, 2},
      {"truncated last character is still compared", "a" + kTruncated, kTruncated,
       std::nullopt, false, 2},
      {"truncated last character ends the walk", "a" + kTruncated, "b", std::nullopt, false,
       -1},
  };
  for (const FindCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FindSubtext(c.text, c.sought, c.start, c.caseInsensitive), c.expected);
  }
}

// --- SplitText ---

struct SplitCase {
  const char* name;
  Text text;
  std::optional<Text> separator;
  std::optional<int> maximum;
  TextArray expected;
};

TEST(SplitTextTest, SplitsAtWholeCharacterSeparators) {
  const SplitCase cases[] = {
      {"fields", "M|200|100|0", "|", std::nullopt, {"M", "200", "100", "0"}},
      {"trailing separator gives no empty last part", "a|b||c|", "|", std::nullopt,
       {"a", "b", "", "c"}},
      {"leading separator gives an empty first part", "|a", "|", std::nullopt, {"", "a"}},
      {"separator alone", "|", "|", std::nullopt, {""}},
      {"no separator in text", "abc", "|", std::nullopt, {"abc"}},
      {"default separator is the comma", "a,b", std::nullopt, std::nullopt, {"a", "b"}},
      {"empty separator gives the whole text", "L1", "", std::nullopt, {"L1"}},
      {"empty text", "", "|", std::nullopt, {}},
      {"maximum drops the rest", "a|b|c", "|", 2, {"a", "b"}},
      {"maximum 1", "a|b", "|", 1, {"a"}},
      {"maximum above the count", "a|b", "|", 5, {"a", "b"}},
      {"maximum 0", "a|b", "|", 0, {}},
      {"negative maximum counts as 0", "a|b", "|", -1, {}},
      {"line breaks", "L1\r\nL2\r\n", "\r\n", std::nullopt, {"L1", "L2"}},
      {"double line break", "L1\r\n\r\nL3", "\r\n", std::nullopt, {"L1", "", "L3"}},
      {"lone line feed is no break", "L1\nL2", "\r\n", std::nullopt, {"L1\nL2"}},
      {"trail byte is no separator", kDong + "|A", "|", std::nullopt, {kDong, "A"}},
      {"trail byte alone", kDong, "|", std::nullopt, {kDong}},
      {"double-byte separator", "a" + kDong + "b", kDong, std::nullopt, {"a", "b"}},
      {"truncated last character is kept", "a|" + kTruncated, "|", std::nullopt,
       {"a", kTruncated}},
  };
  for (const SplitCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SplitText(c.text, c.separator, c.maximum), c.expected);
  }
}

// --- ReplaceSubtext ---

struct ReplaceCase {
  const char* name;
  Text text;
  Text sought;
  Text replacement;
  std::optional<int> start;
  std::optional<int> maximum;
  bool caseSensitive;
  Text expected;
};

TEST(ReplaceSubtextTest, ReplacesWholeCharacterMatches) {
  const ReplaceCase cases[] = {
      {"occurrences never overlap", "aaa", "aa", "b", 1, std::nullopt, true, "ba"},
      {"maximum 1", "abcabc", "b", "", std::nullopt, 1, true, "acabc"},
      {"maximum stops after that many", "aXaXa", "a", "b", std::nullopt, 2, true, "bXbXa"},
      {"negative maximum replaces all", "aXaXa", "a", "b", std::nullopt, -3, true, "bXbXb"},
      {"case-insensitive", "abcabc", "B", "x", std::nullopt, std::nullopt, false, "axcaxc"},
      {"case-sensitive misses other case", "abcabc", "B", "x", std::nullopt, std::nullopt,
       true, "abcabc"},
      {"from start 3", "abcabc", "B", "x", 3, std::nullopt, false, "abcaxc"},
      {"start 0 is the beginning", "abc", "a", "x", 0, std::nullopt, true, "xbc"},
      {"replacement is not searched again", "aa", "a", "aa", std::nullopt, std::nullopt, true,
       "aaaa"},
      {"replacement longer than sought", "a|b", "|", "<->", std::nullopt, std::nullopt, true,
       "a<->b"},
      {"maximum 0 leaves the text", "abc", "b", "x", std::nullopt, 0, true, "abc"},
      {"empty sought leaves the text", "abc", "", "x", std::nullopt, std::nullopt, true, "abc"},
      {"empty text", "", "a", "x", std::nullopt, std::nullopt, true, ""},
      {"start beyond the length", "abc", "c", "x", 4, std::nullopt, true, "abc"},
      {"trail byte is not replaced", kDong + "|" + kDong, "|", ",", std::nullopt, std::nullopt,
       true, kDong + "," + kDong},
      {"trail letter is not replaced", kGong + "m", "M", "x", std::nullopt, std::nullopt, false,
       kGong + "x"},
      {"full-width space across two characters is not replaced", kAh + kPunct, "　", "",
       std::nullopt, std::nullopt, true, kAh + kPunct},
      {"truncated last character dropped by a one-byte walk", "ab" + kTruncated, "b", "c",
       std::nullopt, std::nullopt, true, "ac"},
      {"truncated last character kept when the walk stops short", "ab" + kTruncated, "ab", "X",
       std::nullopt, std::nullopt, true, "X" + kTruncated},
      {"truncated last character kept after the maximum", "ab" + kTruncated, "a", "X",
       std::nullopt, 1, true, "Xb" + kTruncated},
  };
  for (const ReplaceCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ReplaceSubtext(c.text, c.sought, c.replacement, c.start, c.maximum,
                             c.caseSensitive),
              c.expected);
  }
}

// --- Cleaning and cutting ---

struct TextCase {
  const char* name;
  Text input;
  Text expected;
};

TEST(RemoveAllSpacesTest, RemovesAsciiAndFullWidthSpacesOnly) {
  const TextCase cases[] = {
      {"mixed spaces, tab kept", " 1 0 0　0\t", "1000\t"},
      {"line breaks kept", "a \r\n b", "a\r\nb"},
      {"only spaces", "  　 ", ""},
      {"empty", "", ""},
      {"A1 A1 across two characters stays", kAh + kPunct, kAh + kPunct},
      {"truncated last character dropped", "a " + kTruncated, "a"},
  };
  for (const TextCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(RemoveAllSpaces(c.input), c.expected);
  }
}

TEST(LeftTextTest, CutsBytes) {
  struct Case {
    const char* name;
    Text text;
    int count;
    Text expected;
  } const cases[] = {
      {"shorter", "abc", 2, "ab"},
      {"count beyond the length", "abc", 5, "abc"},
      {"zero", "abc", 0, ""},
      {"negative", "abc", -1, ""},
      {"cut inside a character keeps the lead byte", "a" + kDong, 2, "a\x96"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(LeftText(c.text, c.count), c.expected);
  }
}

TEST(TextToUpperTest, UppercasesOnlySingleByteLetters) {
  const TextCase cases[] = {
      {"command", "m|1|2", "M|1|2"},
      {"already upper and digits", "ABC123", "ABC123"},
      {"full-width letter stays", "ｍ", "ｍ"},
      {"trail byte letter stays", "a" + kGong + "b", "A" + kGong + "B"},
      {"truncated last character kept", "a" + kTruncated, "A" + kTruncated},
      {"empty", "", ""},
  };
  for (const TextCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(TextToUpper(c.input), c.expected);
  }
}

TEST(ConcatTextsTest, JoinsEndToEnd) {
  EXPECT_EQ(ConcatTexts({"ab", "", kDong, "c"}), "ab" + kDong + "c");
  EXPECT_EQ(ConcatTexts({""}), "");
}

// --- Conversions ---

TEST(ToIntegerTest, ReadsTextAsDecimal) {
  const struct {
    const char* name;
    Text text;
    int expected;
  } cases[] = {
      {"range reads its first bound", "1000-1500", 1000},
      {"plain", "1500", 1500},
      {"leading space", " 12", 12},
      {"leading white space of every kind", "\t\r\n\v\f 42", 42},
      {"full-width digits", "１２", 12},
      {"full-width minus", "－７", -7},
      {"full-width space skipped", "　３", 3},
      {"plus sign", "+7", 7},
      {"stops at a non-digit", "12abc", 12},
      {"no digits", "abc", 0},
      {"empty", "", 0},
      {"sign then space", "- 5", 0},
      {"two signs", "--5", 0},
      {"smallest integer", "-2147483648", std::numeric_limits<int>::min()},
      {"2^31 wraps", "2147483648", std::numeric_limits<int>::min()},
      {"2^32 wraps to 0", "4294967296", 0},
      {"2^32 + 1 wraps to 1", "4294967297", 1},
      {"double-byte character stops the number", "12" + kDong, 12},
      {"truncated last character dropped", "7" + kTruncated, 7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ToInteger(c.text), c.expected);
  }
  EXPECT_EQ(ToInteger(static_cast<const char*>(nullptr)), 0);
  EXPECT_EQ(ToInteger("33"), 33);
}

TEST(ToIntegerTest, ConvertsNumbersOfEveryKind) {
  EXPECT_EQ(ToInteger(2.9), 2);
  EXPECT_EQ(ToInteger(-2.9), -2);
  EXPECT_EQ(ToInteger(4294967297.0), 1);           // low 32 bits
  EXPECT_EQ(ToInteger(-4294967297.0), -1);
  EXPECT_EQ(ToInteger(1e300), 0);                  // beyond 64 bits
  EXPECT_EQ(ToInteger(-1e19), 0);
  EXPECT_EQ(ToInteger(std::nan("")), 0);
  EXPECT_EQ(ToInteger(std::numeric_limits<double>::infinity()), 0);
  EXPECT_EQ(ToInteger(2.5f), 2);
  EXPECT_EQ(ToInteger(true), 1);
  EXPECT_EQ(ToInteger(false), 0);
  EXPECT_EQ(ToInteger(std::uint8_t{255}), 255);
  EXPECT_EQ(ToInteger(std::int16_t{-5}), -5);
  EXPECT_EQ(ToInteger(std::int32_t{-70000}), -70000);
  EXPECT_EQ(ToInteger(std::int64_t{0x100000005}), 5);
  EXPECT_EQ(ToInteger(std::int64_t{-1}), -1);
  EXPECT_EQ(ToInteger(DateTime{2024, 5, 6, 7, 8, 9}), 0);
  EXPECT_EQ(ToInteger(Bytes{'1', '2'}), 0);
}

TEST(ToTextTest, WritesEveryKind) {
  const struct {
    const char* name;
    Text actual;
    Text expected;
  } cases[] = {
      {"negative integer", ToText(-5), "-5"},
      {"zero", ToText(0), "0"},
      {"smallest integer", ToText(std::numeric_limits<int>::min()), "-2147483648"},
      {"16-bit", ToText(std::int16_t{-32768}), "-32768"},
      {"byte", ToText(std::uint8_t{200}), "200"},
      {"64-bit", ToText(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808"},
      {"64-bit large", ToText(std::int64_t{1234567890123}), "1234567890123"},
      {"double 0.1", ToText(0.1), "0.1"},
      {"double thirteen digits", ToText(1.0 / 3.0), "0.3333333333333"},
      {"whole double", ToText(2.0), "2"},
      {"negative double", ToText(-1.5), "-1.5"},
      {"large double", ToText(1e20), "1e+20"},
      {"single 0.1", ToText(0.1f), "0.1"},
      {"single six digits", ToText(1.0f / 3.0f), "0.333333"},
      {"true", ToText(true), "真"},
      {"false", ToText(false), "假"},
      {"text", ToText(Text("ab")), "ab"},
      {"null text", ToText(static_cast<const char*>(nullptr)), ""},
      {"bytes up to the first zero", ToText(Bytes{0x61, 0x62, 0x00, 0x63}), "ab"},
      {"bytes without zero", ToText(Bytes{0x61, 0x62}), "ab"},
      {"empty bytes", ToText(Bytes{}), ""},
      {"date-time with seconds", ToText(DateTime{2024, 5, 6, 7, 8, 9}),
       "2024年5月6日7时8分9秒"},
      {"date-time, zero minute, seconds", ToText(DateTime{2024, 5, 6, 7, 0, 9}),
       "2024年5月6日7时0分9秒"},
      {"date-time with minutes", ToText(DateTime{2024, 5, 6, 7, 8, 0}),
       "2024年5月6日7时8分"},
      {"date-time, midnight hour, minutes", ToText(DateTime{2024, 5, 6, 0, 8, 0}),
       "2024年5月6日0时8分"},
      {"date-time with hours", ToText(DateTime{2024, 5, 6, 7, 0, 0}), "2024年5月6日7时"},
      {"date-time at midnight", ToText(DateTime{2024, 12, 31, 0, 0, 0}), "2024年12月31日"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.actual, c.expected);
  }
}

TEST(ToBytesTest, GivesBytesLeastSignificantFirst) {
  const struct {
    const char* name;
    Bytes actual;
    Bytes expected;
  } cases[] = {
      {"text, no terminator", ToBytes(Text("M|1|2|0")), Bytes{'M', '|', '1', '|', '2', '|', '0'}},
      {"empty text", ToBytes(Text()), Bytes{}},
      {"byte", ToBytes(std::uint8_t{0xAB}), Bytes{0xAB}},
      {"16-bit", ToBytes(std::int16_t{0x1234}), Bytes{0x34, 0x12}},
      {"integer", ToBytes(-2), Bytes{0xFE, 0xFF, 0xFF, 0xFF}},
      {"64-bit", ToBytes(std::int64_t{0x0102030405060708}),
       Bytes{0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01}},
      {"single", ToBytes(1.0f), Bytes{0x00, 0x00, 0x80, 0x3F}},
      {"double", ToBytes(1.0), Bytes{0, 0, 0, 0, 0, 0, 0xF0, 0x3F}},
      {"logical is 4 bytes", ToBytes(true), Bytes{1, 0, 0, 0}},
      {"false", ToBytes(false), Bytes{0, 0, 0, 0}},
      {"buffer copy keeps zeros", ToBytes(Bytes{1, 0, 2}), Bytes{1, 0, 2}},
      {"date-time day zero", ToBytes(DateTime{1899, 12, 30, 0, 0, 0}), ToBytes(0.0)},
      {"date-time noon", ToBytes(DateTime{2000, 1, 1, 12, 0, 0}), ToBytes(36526.5)},
      {"date-time before day zero", ToBytes(DateTime{1899, 12, 29, 6, 0, 0}), ToBytes(-1.25)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.actual, c.expected);
  }
}

TEST(ToBytesTest, TextRoundTripsThroughBytes) {
  const Text script = "M|1|2|0";
  EXPECT_EQ(ToBytes(script).size(), 7u);
  EXPECT_EQ(ToText(ToBytes(script)), script);
  const Text chinese = "延时" + kDong;
  EXPECT_EQ(ToText(ToBytes(chinese)), chinese);
}

// --- Random integers ---

class RandomIntTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetRandomGeneratorForTesting(); }
  void TearDown() override { ResetRandomGeneratorForTesting(); }
};

TEST_F(RandomIntTest, FreshGeneratorDrawsTheKnownSequence) {
  const std::vector<int> expected = {1041, 1431, 1322, 1448, 1131};
  std::vector<int> drawn;
  for (int i = 0; i < 5; ++i) drawn.push_back(RandomInt(1000, 1500));
  EXPECT_EQ(drawn, expected);
}

TEST_F(RandomIntTest, BoundsInEitherOrderDrawTheSame) {
  std::vector<int> forward, backward;
  for (int i = 0; i < 5; ++i) forward.push_back(RandomInt(1000, 1500));
  ResetRandomGeneratorForTesting();
  for (int i = 0; i < 5; ++i) backward.push_back(RandomInt(1500, 1000));
  EXPECT_EQ(forward, backward);
}

TEST_F(RandomIntTest, DefaultsDrawTheRawSequence) {
  EXPECT_EQ(RandomInt(), 41);
  EXPECT_EQ(RandomInt(), 18467);
  EXPECT_EQ(RandomInt(std::nullopt, 32767), 6334);
}

TEST_F(RandomIntTest, EqualEndsDrawNothing) {
  EXPECT_EQ(RandomInt(5, 5), 5);
  EXPECT_EQ(RandomInt(-3, -9), 0);  // both count as 0
  EXPECT_EQ(RandomInt(), 41);       // the generator did not move
}

TEST_F(RandomIntTest, StaysWithinBounds) {
  for (int i = 0; i < 2000; ++i) {
    const int small = RandomInt(-3, 2);
    ASSERT_GE(small, 0);
    ASSERT_LE(small, 2);
    const int wide = RandomInt(0, 100000);
    ASSERT_GE(wide, 0);
    ASSERT_LE(wide, 32767);
    const int full = RandomInt(0, std::numeric_limits<int>::max());
    ASSERT_GE(full, 0);
    ASSERT_LE(full, 32767);
  }
}

TEST_F(RandomIntTest, ResetRestartsTheSequence) {
  const int first = RandomInt(1000, 1500);
  RandomInt(1000, 1500);
  ResetRandomGeneratorForTesting();
  EXPECT_EQ(RandomInt(1000, 1500), first);
}

// --- Remainder ---

TEST(RemainderTest, TakesFloatingRemainderWithDividendSign) {
  const struct {
    const char* name;
    double a;
    std::initializer_list<double> divisors;
    double expected;
  } cases[] = {
      {"plain", 7, {3}, 1},
      {"negative dividend", -7, {3}, -1},
      {"negative divisor", 7, {-3}, 1},
      {"fraction", 7.5, {2}, 1.5},
      {"two divisors", 100, {30, 7}, 3},
      {"no divisor", 5.5, {}, 5.5},
      {"divisor larger than dividend", 2, {5}, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_DOUBLE_EQ(Remainder(c.a, c.divisors), c.expected);
  }
}

struct FatalStop {
  Text message;
  int code;
};

void ThrowingFatalHandler(const Text& message, int code) { throw FatalStop{message, code}; }

// Installs a handler that turns the fatal stop into an exception the test can catch.
class RemainderFatalTest : public ::testing::Test {
 protected:
  void SetUp() override { previous_ = SetFatalHandler(ThrowingFatalHandler); }
  void TearDown() override { SetFatalHandler(previous_); }

 private:
  FatalHandler previous_ = nullptr;
};

TEST_F(RemainderFatalTest, ZeroDivisorIsTheFatalStop) {
  const struct {
    const char* name;
    std::initializer_list<double> divisors;
  } cases[] = {
      {"zero", {0.0}},
      {"negative zero", {-0.0}},
      {"zero after a good divisor", {3.0, 0.0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      Remainder(10, c.divisors);
      ADD_FAILURE() << "no fatal stop";
    } catch (const FatalStop& stop) {
      EXPECT_EQ(stop.message, "不能求余数于零");
      EXPECT_EQ(stop.code, 0);
    }
  }
}

// --- Date and time ---

TEST(DateTimeTest, CurrentDateTimeIsACalendarTime) {
  const DateTime now = CurrentDateTime();
  EXPECT_GE(now.year, 2020);
  EXPECT_GE(now.month, 1);
  EXPECT_LE(now.month, 12);
  EXPECT_GE(now.day, 1);
  EXPECT_LE(now.day, 31);
  EXPECT_GE(now.hour, 0);
  EXPECT_LE(now.hour, 23);
  EXPECT_GE(now.minute, 0);
  EXPECT_LE(now.minute, 59);
  EXPECT_GE(SecondOf(now), 0);
  EXPECT_LE(SecondOf(now), 59);
  EXPECT_EQ(SecondOf(DateTime{2024, 5, 6, 7, 8, 42}), 42);
}

}  // namespace
}  // namespace quorvane
