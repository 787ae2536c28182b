#pragma once
// The script language: one statement a line, fields separated by "|",
// comments after "'".
#include <functional>
#include <optional>
#include <variant>
#include <vector>

#include "desktop/text.h"
#include "desktop/text_ops.h"

namespace quorvane {

struct ScriptLine {
  int number = 0;     // 1-based, the editor's line number
  Text text;          // the whole line
  Text code;          // the part before the comment marker
  TextArray fields;   // code split at "|"
  // A line with no statement: a comment line, or blank or spaces only.
  bool IsStatement() const;
};

struct MouseAction {
  int x = 0, y = 0, kind = 0;  // kind: 0 left, 1 double, 2 right, 3 right double
  friend bool operator==(const MouseAction&, const MouseAction&) = default;
};
struct KeyAction {
  int vk = 0, kind = 0;  // kind: 0 tap, 1 press, 2 release
  friend bool operator==(const KeyAction&, const KeyAction&) = default;
};
struct DelayAction {
  int low = 0, high = 0;  // "T|L" gives low == high
  friend bool operator==(const DelayAction&, const DelayAction&) = default;
};
using Action = std::variant<MouseAction, KeyAction, DelayAction>;

// Syntax problems a statement can have; value ranges are the checker's.
enum class StatementError {
  kUnknownCommand,  // a command letter other than M, K, T
  kFieldCount,      // wrong number of fields for the command
  kNotANumber,      // a field that is no number (or a range without two)
};

struct ParsedStatement {
  std::optional<Action> action;          // set when the syntax is right
  std::optional<StatementError> error;   // set otherwise
};

std::vector<ScriptLine> SplitScript(const Text& script);
// The same lines, handed over one at a time (no list of the whole script).
void ForEachScriptLine(const Text& script, const std::function<void(const ScriptLine&)>& visit);
ParsedStatement ParseStatement(const ScriptLine& line);

const Text& BuiltInDescription();  // 27 lines, 899 bytes
const Text& KeyCodeHelpText();     // 92 lines, 1456 bytes

}  // namespace quorvane
