#include "desktop/text_ops.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string_view>

#include "desktop/fatal.h"

namespace quorvane {
namespace {

unsigned char ByteAt(std::string_view text, std::size_t i) {
  return static_cast<unsigned char>(text[i]);
}

bool IsAsciiCapital(unsigned char b) { return b >= 'A' && b <= 'Z'; }
bool IsAsciiSmall(unsigned char b) { return b >= 'a' && b <= 'z'; }
unsigned char FoldToSmall(unsigned char b) { return IsAsciiCapital(b) ? b + 0x20 : b; }

// Compares sought with the bytes of text at offset at. With caseInsensitive,
// ASCII letters match either case, but only where they stand as characters of
// their own: the trail byte of a double-byte character is compared exactly.
// Since lead bytes always compare exactly, the character structure of sought
// and of the matching bytes of text is the same, so sought alone tells which
// bytes are trail bytes.
bool MatchesAt(std::string_view text, std::size_t at, std::string_view sought,
               bool caseInsensitive) {
  bool trail = false;
  for (std::size_t k = 0; k < sought.size(); ++k) {
    unsigned char a = ByteAt(text, at + k);
    unsigned char b = ByteAt(sought, k);
    if (caseInsensitive && !trail) {
      a = FoldToSmall(a);
      b = FoldToSmall(b);
    }
    if (a != b) return false;
    trail = !trail && IsLeadByte(b);
  }
  return true;
}

// The one double-byte aware walk behind FindSubtext, SplitText and
// ReplaceSubtext. The cursor starts at start and, while at least
// sought.size() bytes are left, compares sought there. On a match it calls
// onMatch(cursor); when that returns false the walk stops, otherwise the
// cursor jumps past the match. On a failed comparison it calls
// onStep(cursor, width) for the character under the cursor and moves past
// it: one byte, or two on a lead byte. A lead byte that is the last byte of
// the text ends the walk with the cursor past it, so a truncated character is
// never handed to onStep.
//
// Returns where the cursor stopped: what follows it was never looked at.
template <typename OnMatch, typename OnStep>
std::size_t Walk(std::string_view text, std::size_t start, std::string_view sought,
                 bool caseInsensitive, OnMatch onMatch, OnStep onStep) {
  const std::size_t n = text.size();
  const std::size_t m = sought.size();
  std::size_t cursor = start;
  if (m == 0) return cursor;  // nothing to look for; callers settle empty texts themselves
  while (cursor <= n && n - cursor >= m) {
    if (MatchesAt(text, cursor, sought, caseInsensitive)) {
      if (!onMatch(cursor)) return cursor;
      cursor += m;
      continue;
    }
    if (IsLeadByte(ByteAt(text, cursor))) {
      if (cursor + 1 == n) return n;  // a truncated character ends the walk
      onStep(cursor, 2);
      cursor += 2;
    } else {
      onStep(cursor, 1);
      cursor += 1;
    }
  }
  return cursor;
}

void NoStep(std::size_t, std::size_t) {}

// The offset a 1-based start position stands for: 1 or less is the beginning.
std::size_t StartOffset(std::optional<int> start) {
  if (!start || *start <= 1) return 0;
  return static_cast<std::size_t>(*start) - 1;
}

}  // namespace

int FindSubtext(const Text& text, const Text& sought, std::optional<int> start,
                bool caseInsensitive) {
  const std::size_t from = StartOffset(start);
  if (from >= text.size()) return -1;  // nothing left to search
  if (sought.empty()) return 1;
  int found = -1;
  Walk(text, from, sought, caseInsensitive,
       [&](std::size_t at) {
         found = static_cast<int>(at) + 1;
         return false;
       },
       NoStep);
  return found;
}

TextArray SplitText(const Text& text, std::optional<Text> separator, std::optional<int> maximum) {
  const Text sep = separator.value_or(",");
  int left = maximum ? (*maximum < 0 ? 0 : *maximum) : -1;  // -1: unlimited
  TextArray parts;
  if (text.empty() || left == 0) return parts;
  if (sep.empty()) {
    parts.push_back(text);
    return parts;
  }
  std::size_t partStart = 0;
  bool stoppedByMaximum = false;
  Walk(text, 0, sep, false,
       [&](std::size_t at) {
         parts.emplace_back(text, partStart, at - partStart);
         partStart = at + sep.size();
         if (left > 0 && --left == 0) {
           stoppedByMaximum = true;
           return false;
         }
         return true;
       },
       NoStep);
  if (!stoppedByMaximum && partStart < text.size()) parts.emplace_back(text, partStart);
  return parts;
}

Text ReplaceSubtext(const Text& text, const Text& sought, const Text& replacement,
                    std::optional<int> start, std::optional<int> maximum, bool caseSensitive) {
  const std::size_t from = StartOffset(start);
  if (text.empty() || sought.empty() || from >= text.size() || (maximum && *maximum == 0)) {
    return text;
  }
  int left = (maximum && *maximum > 0) ? *maximum : -1;  // -1: every occurrence
  Text out(text, 0, from);
  out.reserve(text.size());
  const std::size_t stop = Walk(
      text, from, sought, !caseSensitive,
      [&](std::size_t) {
        out += replacement;
        if (left > 0 && --left == 0) {
          // The walk stops here; the match itself is replaced all the same.
          return false;
        }
        return true;
      },
      [&](std::size_t at, std::size_t width) { out.append(text, at, width); });
  // Stopped by the maximum, the cursor still stands on the last match.
  std::size_t rest = stop;
  if (left == 0) rest += sought.size();
  if (rest < text.size()) out.append(text, rest);
  return out;
}

Text RemoveAllSpaces(const Text& text) {
  Text out;
  out.reserve(text.size());
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n;) {
    const unsigned char b = ByteAt(text, i);
    if (IsLeadByte(b)) {
      if (i + 1 == n) break;  // truncated character: dropped
      if (!(b == 0xA1 && ByteAt(text, i + 1) == 0xA1)) out.append(text, i, 2);
      i += 2;
    } else {
      if (b != ' ') out.push_back(static_cast<char>(b));
      i += 1;
    }
  }
  return out;
}

Text LeftText(const Text& text, int count) {
  if (count <= 0) return Text();
  return text.substr(0, static_cast<std::size_t>(count));
}

Text TextToUpper(const Text& text) {
  Text out = text;
  const std::size_t n = out.size();
  for (std::size_t i = 0; i < n;) {
    const unsigned char b = ByteAt(out, i);
    if (IsLeadByte(b)) {
      i += 2;  // the trail byte is never a letter; a truncated lead byte is kept
    } else {
      if (IsAsciiSmall(b)) out[i] = static_cast<char>(b - 0x20);
      i += 1;
    }
  }
  return out;
}

Text ConcatTexts(std::initializer_list<std::string_view> texts) {
  std::size_t size = 0;
  for (std::string_view t : texts) size += t.size();
  Text out;
  out.reserve(size);
  for (std::string_view t : texts) out.append(t);
  return out;
}

// --- Conversions ---

namespace {

// Folds the full-width forms that have an ASCII counterpart to that ASCII
// character, so that numbers typed with a Chinese input method read as numbers.
Text FoldToHalfWidth(std::string_view text) {
  Text out;
  out.reserve(text.size());
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n;) {
    const unsigned char b = ByteAt(text, i);
    if (!IsLeadByte(b)) {
      out.push_back(static_cast<char>(b));
      i += 1;
      continue;
    }
    if (i + 1 == n) break;  // truncated character: dropped
    const unsigned char t = ByteAt(text, i + 1);
    if (b == 0xA3 && t >= 0xA1 && t <= 0xFE) {
      out.push_back(static_cast<char>(t - 0x80));
    } else if (b == 0xA1 && t == 0xA1) {
      out.push_back(' ');
    } else if (b == 0xA1 && t == 0xAB) {
      out.push_back('~');
    } else if (b == 0xA1 && (t == 0xEE || t == 0xEF)) {
      out.push_back('*');
    } else {
      out.append(text, i, 2);
    }
    i += 2;
  }
  return out;
}

bool IsDecimalWhiteSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// A decimal integer at the start of text, wrapping modulo 2^32 as the
// program's conversions always have. Never fails: no digit gives 0.
int ReadDecimal(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsDecimalWhiteSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  std::uint32_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
  }
  if (negative) value = 0u - value;
  return static_cast<std::int32_t>(value);
}

std::int32_t Low32(std::uint64_t value) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value & 0xFFFFFFFFu));
}

Text Format(const char* format, double value) {
  char buffer[64];
  const int written = std::snprintf(buffer, sizeof buffer, format, value);
  if (written < 0) return Text();
  return Text(buffer, static_cast<std::size_t>(written) < sizeof buffer
                          ? static_cast<std::size_t>(written)
                          : sizeof buffer - 1);
}

Text Decimal(std::int64_t value) {
  // Built by hand rather than with "%lld", which not every C runtime the
  // program links against writes.
  char buffer[24];
  char* p = buffer + sizeof buffer;
  std::uint64_t magnitude =
      value < 0 ? 0u - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  do {
    *--p = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) *--p = '-';
  return Text(p, buffer + sizeof buffer);
}

Bytes LittleEndian(std::uint64_t value, std::size_t size) {
  Bytes out(size);
  for (std::size_t i = 0; i < size; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
  return out;
}

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

}  // namespace

int ToInteger(const Text& text) { return ReadDecimal(FoldToHalfWidth(text)); }
int ToInteger(const char* text) { return text ? ToInteger(Text(text)) : 0; }

int ToInteger(double value) {
  if (std::isnan(value)) return 0;
  const double cut = std::trunc(value);
  // Beyond the 64-bit range there are no low bits to keep.
  if (cut < -9223372036854775808.0 || cut >= 9223372036854775808.0) return 0;
  return Low32(static_cast<std::uint64_t>(static_cast<std::int64_t>(cut)));
}

int ToInteger(float value) { return ToInteger(static_cast<double>(value)); }
int ToInteger(bool value) { return value ? 1 : 0; }
int ToInteger(std::uint8_t value) { return value; }
int ToInteger(std::int16_t value) { return value; }
int ToInteger(std::int32_t value) { return value; }
int ToInteger(std::int64_t value) { return Low32(static_cast<std::uint64_t>(value)); }
int ToInteger(const DateTime&) { return 0; }
int ToInteger(const Bytes&) { return 0; }

Text ToText(std::int32_t value) { return Decimal(value); }
Text ToText(std::int16_t value) { return Decimal(value); }
Text ToText(std::uint8_t value) { return Decimal(value); }
Text ToText(std::int64_t value) { return Decimal(value); }
Text ToText(double value) { return Format("%.13g", value); }
Text ToText(float value) { return Format("%.6g", static_cast<double>(value)); }
Text ToText(bool value) { return value ? "真" : "假"; }
Text ToText(const Text& value) { return value; }
Text ToText(const char* value) { return value ? Text(value) : Text(); }

Text ToText(const Bytes& value) {
  Text out;
  for (std::uint8_t b : value) {
    if (b == 0) break;
    out.push_back(static_cast<char>(b));
  }
  return out;
}

Text ToText(const DateTime& value) {
  char buffer[96];
  int n = std::snprintf(buffer, sizeof buffer, "%d年%d月%d日", value.year, value.month, value.day);
  Text out(buffer, static_cast<std::size_t>(n > 0 ? n : 0));
  if (value.second != 0) {
    n = std::snprintf(buffer, sizeof buffer, "%d时%d分%d秒", value.hour, value.minute, value.second);
  } else if (value.minute != 0) {
    n = std::snprintf(buffer, sizeof buffer, "%d时%d分", value.hour, value.minute);
  } else if (value.hour != 0) {
    n = std::snprintf(buffer, sizeof buffer, "%d时", value.hour);
  } else {
    n = 0;
  }
  out.append(buffer, static_cast<std::size_t>(n > 0 ? n : 0));
  return out;
}

Bytes ToBytes(const Text& value) { return Bytes(value.begin(), value.end()); }
Bytes ToBytes(const char* value) { return value ? ToBytes(Text(value)) : Bytes(); }
Bytes ToBytes(std::uint8_t value) { return Bytes{value}; }
Bytes ToBytes(std::int16_t value) { return LittleEndian(static_cast<std::uint16_t>(value), 2); }
Bytes ToBytes(std::int32_t value) { return LittleEndian(static_cast<std::uint32_t>(value), 4); }
Bytes ToBytes(std::int64_t value) { return LittleEndian(static_cast<std::uint64_t>(value), 8); }

Bytes ToBytes(float value) {
  std::uint32_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return LittleEndian(bits, 4);
}

Bytes ToBytes(double value) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return LittleEndian(bits, 8);
}

Bytes ToBytes(bool value) { return LittleEndian(value ? 1u : 0u, 4); }
Bytes ToBytes(const Bytes& value) { return value; }

// A date-time is stored the way Windows stores a DATE: a double counting days
// since 1899-12-30, the time of day as the fraction (for dates before then the
// whole part is negative and the fraction still counts forward from midnight
// in magnitude, as OLE Automation does).
Bytes ToBytes(const DateTime& value) {
  const std::int64_t days =
      DaysFromCivil(value.year, static_cast<unsigned>(value.month), static_cast<unsigned>(value.day)) -
      DaysFromCivil(1899, 12, 30);
  const double fraction = (value.hour * 3600.0 + value.minute * 60.0 + value.second) / 86400.0;
  const double date = days >= 0 ? static_cast<double>(days) + fraction
                                : static_cast<double>(days) - fraction;
  return ToBytes(date);
}

// --- Random integers ---

namespace {

// The program's one generator. It starts at 1 and is never reseeded, so each
// start of the program draws the same sequence.
std::uint32_t g_randomState = 1;

int NextDraw() {
  g_randomState = g_randomState * 214013u + 2531011u;
  return static_cast<int>((g_randomState >> 16) & 0x7FFF);
}

}  // namespace

int RandomInt(std::optional<int> minimum, std::optional<int> maximum) {
  int a = minimum.value_or(0);
  int b = maximum.value_or(2147483647);
  if (a < 0) a = 0;
  if (b < 0) b = 0;
  const int low = a < b ? a : b;
  const int high = a < b ? b : a;
  if (low == high) return low;
  const std::int64_t span = static_cast<std::int64_t>(high) - low;
  return static_cast<int>(low + NextDraw() % (span + 1));
}

void ResetRandomGeneratorForTesting() { g_randomState = 1; }

// --- Arithmetic and time ---

double Remainder(double a, std::initializer_list<double> divisors) {
  double value = a;
  for (double d : divisors) {
    if (d == 0) FatalRuntimeError("不能求余数于零", 0);
    // fmod is value - d * trunc(value / d) computed exactly, so large
    // quotients do not lose the remainder to rounding.
    value = std::fmod(value, d);
  }
  return value;
}

DateTime CurrentDateTime() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  DateTime out;
  out.year = local.tm_year + 1900;
  out.month = local.tm_mon + 1;
  out.day = local.tm_mday;
  out.hour = local.tm_hour;
  out.minute = local.tm_min;
  out.second = local.tm_sec > 59 ? 59 : local.tm_sec;  // a leap second reads as 59
  return out;
}

int SecondOf(const DateTime& value) { return value.second; }

}  // namespace quorvane
