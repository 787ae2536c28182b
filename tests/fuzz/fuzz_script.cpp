// Splitting and parsing arbitrary scripts: no crash, no out-of-bounds access,
// lines and fields that are what they claim, and statements that read back.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <variant>

#include "desktop/text_ops.h"
#include "engine/script.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using quorvane::Text;
namespace fuzz = quorvane::fuzz;

using fuzz::HasSpaceCharacter;

// The statement an action reads from.
Text Write(const quorvane::Action& action) {
  using quorvane::ToText;
  if (const auto* m = std::get_if<quorvane::MouseAction>(&action)) {
    return "M|" + ToText(m->x) + "|" + ToText(m->y) + "|" + ToText(m->kind);
  }
  if (const auto* k = std::get_if<quorvane::KeyAction>(&action)) {
    return "K|" + ToText(k->vk) + "|" + ToText(k->kind);
  }
  const auto& d = std::get<quorvane::DelayAction>(action);
  return "T|" + ToText(d.low) + "-" + ToText(d.high);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quorvane;
  const Text script(reinterpret_cast<const char*>(data), size);
  const std::vector<ScriptLine> lines = SplitScript(script);

  Text joined;
  int number = 0;
  for (const ScriptLine& line : lines) {
    Check(line.number == ++number);
    if (number > 1) joined += "\r\n";
    joined += line.text;
    Check(FindSubtext(line.text, "\r\n") == -1);
    Check(line.text.compare(0, line.code.size(), line.code) == 0);
    for (const Text& field : line.fields) {
      Check(FindSubtext(field, "|") == -1);
      Check(!HasSpaceCharacter(field));
    }
    Check(line.IsStatement() == !line.fields.empty());
    if (!line.IsStatement()) continue;

    const ParsedStatement parsed = ParseStatement(line);
    Check(parsed.action.has_value() != parsed.error.has_value());
    if (!parsed.action) continue;
    const Text command = TextToUpper(line.fields[0]);
    Check(command == "M" || command == "K" || command == "T");
    // A statement that parsed reads back as the same action once written plainly.
    const std::vector<ScriptLine> again = SplitScript(Write(*parsed.action));
    Check(again.size() == 1);
    const ParsedStatement reread = ParseStatement(again[0]);
    Check(reread.action.has_value() && *reread.action == *parsed.action);
  }
  Check(joined == script || joined + "\r\n" == script);

  // The line-at-a-time walk hands over exactly the same lines.
  std::size_t index = 0;
  ForEachScriptLine(script, [&](const ScriptLine& line) {
    Check(index < lines.size());
    const ScriptLine& same = lines[index++];
    Check(line.number == same.number && line.text == same.text && line.code == same.code &&
          line.fields == same.fields);
  });
  Check(index == lines.size());
  return 0;
}
