// The script language: one statement a line, fields separated by "|",
// comments after "'".
#include "engine/script.h"

#include <cstdint>
#include <string_view>
#include <utility>

namespace quorvane {
namespace {

const Text kLineBreak = "\r\n";
const Text kFieldSeparator = "|";

// "'" is the comment marker; a Chinese input method often types "‘" or "’"
// for the apostrophe, so they mark a comment too.
const Text kCommentMarkers[] = {"'", "‘", "’"};

// 1-based position of the first comment marker in line, or -1. The search is
// double-byte aware, so a character whose trail byte is 0x27 is no marker.
int FindCommentMarker(const Text& line) {
  int first = -1;
  for (const Text& marker : kCommentMarkers) {
    const int at = FindSubtext(line, marker);
    if (at != -1 && (first == -1 || at < first)) first = at;
  }
  return first;
}

// Full-width digits and minus ("０" to "９", "－") as typed with a Chinese
// input method become their ASCII forms; every other character stays.
Text FoldDigitsAndMinus(const Text& field) {
  Text out;
  out.reserve(field.size());
  for (std::size_t i = 0; i < field.size();) {
    const auto b = static_cast<unsigned char>(field[i]);
    if (IsLeadByte(b) && i + 1 < field.size()) {
      const auto t = static_cast<unsigned char>(field[i + 1]);
      if (b == 0xA3 && ((t >= 0xB0 && t <= 0xB9) || t == 0xAD)) {
        out.push_back(static_cast<char>(t - 0x80));
      } else {
        out.append(field, i, 2);
      }
      i += 2;
    } else {
      out.push_back(static_cast<char>(b));
      i += 1;
    }
  }
  return out;
}

// A number field, already folded: an optional "-" and then digits, nothing
// else, within the integer range. A value that would wrap is refused rather
// than read as some other number.
std::optional<int> ReadNumber(std::string_view field) {
  std::size_t i = 0;
  const bool negative = !field.empty() && field[0] == '-';
  if (negative) i = 1;
  if (i == field.size()) return std::nullopt;
  std::int64_t value = 0;
  for (; i < field.size(); ++i) {
    const char c = field[i];
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > 2147483648LL) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > 2147483647LL) return std::nullopt;
  // The text is known to be a plain decimal now; the program's conversion reads it.
  return ToInteger(Text(field));
}

std::optional<int> ReadNumberField(const Text& field) {
  return ReadNumber(FoldDigitsAndMinus(field));
}

// "L" or "L-M": the range is split at the first "-" that is not L's own sign.
std::optional<DelayAction> ReadDelay(const Text& field) {
  const Text folded = FoldDigitsAndMinus(field);
  const int dash = FindSubtext(folded, "-", 2);
  if (dash == -1) {
    const std::optional<int> l = ReadNumber(folded);
    if (!l) return std::nullopt;
    return DelayAction{*l, *l};
  }
  const std::string_view all(folded);
  const std::optional<int> l = ReadNumber(all.substr(0, static_cast<std::size_t>(dash) - 1));
  const std::optional<int> m = ReadNumber(all.substr(static_cast<std::size_t>(dash)));
  if (!l || !m) return std::nullopt;
  return DelayAction{*l, *m};  // L above M is fine: the draw orders the bounds
}

ParsedStatement Error(StatementError error) { return ParsedStatement{std::nullopt, error}; }
ParsedStatement Ok(Action action) { return ParsedStatement{action, std::nullopt}; }

}  // namespace

bool ScriptLine::IsStatement() const { return !RemoveAllSpaces(code).empty(); }

namespace {

// Takes the script apart line by line and hands each line to visit as an
// rvalue. Every line break counts, blank lines included, so the numbers are
// the editor's line numbers; a break at the very end adds no empty line. The
// search for the break is the same double-byte aware walk that SplitText uses.
template <typename Visit>
void WalkLines(const Text& script, Visit visit) {
  int number = 0;
  std::size_t begin = 0;
  while (begin < script.size()) {
    const int found = FindSubtext(script, kLineBreak, static_cast<int>(begin) + 1);
    const std::size_t end = found == -1 ? script.size() : static_cast<std::size_t>(found) - 1;
    ScriptLine line;
    line.number = ++number;
    line.text = script.substr(begin, end - begin);
    const int marker = FindCommentMarker(line.text);
    line.code = marker == -1 ? line.text : LeftText(line.text, marker - 1);
    // Spaces (ASCII and full-width) carry no meaning anywhere in the code, so
    // "M | 200 |100|0   " reads as "M|200|100|0".
    line.fields = SplitText(RemoveAllSpaces(line.code), kFieldSeparator);
    visit(std::move(line));
    if (found == -1) break;
    begin = end + kLineBreak.size();
  }
}

}  // namespace

// One line at a time, so that a long script costs no more per line than a
// short one.
void ForEachScriptLine(const Text& script, const std::function<void(const ScriptLine&)>& visit) {
  WalkLines(script, [&](ScriptLine&& line) { visit(line); });
}

std::vector<ScriptLine> SplitScript(const Text& script) {
  std::vector<ScriptLine> out;
  WalkLines(script, [&](ScriptLine&& line) { out.push_back(std::move(line)); });
  return out;
}

// A statement with several problems reports the first of: an unknown command
// letter (nothing else can be judged without knowing the command), a wrong
// field count (the fields cannot be matched up), a field that is no number.
ParsedStatement ParseStatement(const ScriptLine& line) {
  if (line.fields.empty()) return Error(StatementError::kUnknownCommand);
  const Text command = TextToUpper(line.fields[0]);
  std::size_t expected = 0;
  if (command == "M") {
    expected = 4;
  } else if (command == "K") {
    expected = 3;
  } else if (command == "T") {
    expected = 2;
  } else {
    return Error(StatementError::kUnknownCommand);
  }
  if (line.fields.size() != expected) return Error(StatementError::kFieldCount);

  if (command == "T") {
    const std::optional<DelayAction> delay = ReadDelay(line.fields[1]);
    if (!delay) return Error(StatementError::kNotANumber);
    return Ok(*delay);
  }
  int values[3] = {};
  for (std::size_t i = 1; i < expected; ++i) {
    const std::optional<int> value = ReadNumberField(line.fields[i]);
    if (!value) return Error(StatementError::kNotANumber);
    values[i - 1] = *value;
  }
  if (command == "M") return Ok(MouseAction{values[0], values[1], values[2]});
  return Ok(KeyAction{values[0], values[1]});
}

}  // namespace quorvane
