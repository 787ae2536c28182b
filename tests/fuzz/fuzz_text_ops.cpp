// The text operations on arbitrary bytes: no crash, no out-of-bounds access,
// and the properties the script language relies on.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "desktop/text_ops.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using quorvane::Text;
namespace fuzz = quorvane::fuzz;

using fuzz::HasSpaceCharacter;

// The walk's ASCII case-insensitive comparison, for checking a reported match.
bool SameIgnoringAsciiCase(const Text& a, const Text& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto x = static_cast<unsigned char>(a[i]);
    auto y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x += 0x20;
    if (y >= 'A' && y <= 'Z') y += 0x20;
    if (x != y) return false;
  }
  return true;
}

Text Join(const quorvane::TextArray& parts, const Text& separator) {
  Text out;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i) out += separator;
    out += parts[i];
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quorvane;
  FuzzedDataProvider in(data, size);
  const int start = in.ConsumeIntegralInRange<int>(-3, 70);
  const int maximum = in.ConsumeIntegralInRange<int>(-2, 6);
  const bool caseInsensitive = in.ConsumeBool();
  const Text sought = in.ConsumeRandomLengthString(6);
  const Text replacement = in.ConsumeRandomLengthString(6);
  const Text text = in.ConsumeRemainingBytesAsString();

  // FindSubtext: a position inside the text, at or after the start, where
  // the sought bytes really are.
  const int found = FindSubtext(text, sought, start, caseInsensitive);
  Check(found == -1 || (found >= 1 && static_cast<std::size_t>(found) <= text.size()));
  if (found != -1 && !sought.empty()) {
    Check(found >= start);
    const Text there = text.substr(static_cast<std::size_t>(found) - 1, sought.size());
    Check(caseInsensitive ? SameIgnoringAsciiCase(there, sought) : there == sought);
  }

  // SplitText: no part holds the separator as a whole character, and without
  // a maximum the parts join back to the text (less a trailing separator).
  for (const Text& separator : {sought, Text("|"), Text("\r\n")}) {
    const TextArray parts = SplitText(text, separator);
    if (!separator.empty()) {
      for (const Text& part : parts) Check(FindSubtext(part, separator) == -1);
      const Text joined = Join(parts, separator);
      Check(joined == text || joined + separator == text);
    }
    const TextArray limited = SplitText(text, separator, maximum);
    Check(limited.size() <= parts.size());
    if (maximum >= 0) Check(limited.size() <= static_cast<std::size_t>(maximum));
    for (std::size_t i = 0; i < limited.size(); ++i) Check(limited[i] == parts[i]);
  }

  // ReplaceSubtext: an absent sought text changes nothing, except that a
  // one-byte walk drops a truncated last character; replacing a text by
  // itself is the same.
  const Text replaced = ReplaceSubtext(text, sought, replacement, start, maximum, !caseInsensitive);
  const bool droppedTruncated =
      sought.size() == 1 && !text.empty() && replaced + text.back() == text &&
      static_cast<unsigned char>(text.back()) >= 0x80;
  if (FindSubtext(text, sought, start, caseInsensitive) == -1) {
    Check(replaced == text || droppedTruncated);
  }
  const Text same = ReplaceSubtext(text, sought, sought, start, std::nullopt, true);
  Check(same == text || (sought.size() == 1 && same + text.back() == text));

  // Cleaning and cutting.
  const Text cleaned = RemoveAllSpaces(text);
  Check(cleaned.size() <= text.size());
  Check(!HasSpaceCharacter(cleaned));
  Check(RemoveAllSpaces(cleaned) == cleaned);
  const Text upper = TextToUpper(text);
  Check(upper.size() == text.size());
  Check(TextToUpper(upper) == upper);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (upper[i] != text[i]) Check(text[i] >= 'a' && text[i] <= 'z' && upper[i] == text[i] - 0x20);
  }
  const Text left = LeftText(text, start);
  Check(left == text.substr(0, start <= 0 ? 0 : static_cast<std::size_t>(start)));

  // Conversions never fail; a text without zero bytes survives bytes.
  (void)ToInteger(text);
  (void)ToInteger(sought);
  Check(ToText(ToBytes(text)) == text.substr(0, text.find('\0')));
  Check(ConcatTexts({text, sought}) == text + sought);

  // Random integers stay within their reachable range.
  const int low = start < 0 ? 0 : start;
  const int high = low + maximum * 1000;
  const int drawn = RandomInt(start, high);
  const int lo = low < high ? low : (high < 0 ? 0 : high);
  const int hi = low < high ? high : low;
  Check(drawn >= lo && drawn <= hi && drawn <= lo + 32767);
  return 0;
}
