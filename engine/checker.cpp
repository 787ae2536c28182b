#include "engine/checker.h"

#include <string_view>

#include "desktop/screen.h"

namespace quorvane {
namespace {

constexpr std::string_view kNoCode = "未写入任何代码！";
constexpr std::string_view kOnlyComments = "只有注释文本，没有需要执行的代码！";
constexpr std::string_view kFieldCount = "代码数组数量错误！";
constexpr std::string_view kXOutside = "x值超出屏幕宽度！";
constexpr std::string_view kYOutside = "y值超出屏幕高度！";
constexpr std::string_view kMouseEvent = "鼠标事件代码错误，只能为 0左击 1双击 2右击 3右键双击！";
constexpr std::string_view kKeyCode = "键盘按键代码错误，具体值请查看本软件帮助信息！";
constexpr std::string_view kKeyEvent = "键盘事件代码错误，只能为 0单击 1按下 2放开 ！";
constexpr std::string_view kCodeError = "代码错误！";
constexpr std::string_view kStopped = "代码中有错误，已停止运行！";
constexpr std::string_view kLineBreak = "\r\n";

bool Within(int value, int start, int length) {
  // 64-bit so that a far-off value cannot wrap back into range.
  long long v = value, s = start;
  return v >= s && v < s + length;
}

// The first problem of a well-formed action, or an empty view when it is fine.
std::string_view ProblemOf(const Action& action, const ScreenRect& screen) {
  if (const auto* mouse = std::get_if<MouseAction>(&action)) {
    if (!Within(mouse->x, screen.left, screen.width)) return kXOutside;
    if (!Within(mouse->y, screen.top, screen.height)) return kYOutside;
    if (mouse->kind < 0 || mouse->kind > 3) return kMouseEvent;
    return {};
  }
  if (const auto* key = std::get_if<KeyAction>(&action)) {
    // Only the low 8 bits of a code reach the system: 321 would tap "A".
    // 0 and 255 are no keys.
    if (key->vk < 1 || key->vk > 254) return kKeyCode;
    if (key->kind < 0 || key->kind > 2) return kKeyEvent;
    return {};
  }
  const auto& delay = std::get<DelayAction>(action);
  if (delay.low < 0 || delay.high < 0) return kCodeError;
  return {};
}

std::string_view MessageFor(StatementError error) {
  return error == StatementError::kFieldCount ? kFieldCount : kCodeError;
}

void Report(Desktop& desktop, WindowId logBox, std::string_view message) {
  AppendToEditBox(desktop, logBox, {message, kLineBreak});
}

void ReportLine(Desktop& desktop, WindowId logBox, int number, std::string_view message) {
  const Text prefix = "第" + ToText(number) + "行：";
  AppendToEditBox(desktop, logBox, {prefix, message, kLineBreak});
}

}  // namespace

std::optional<std::vector<Action>> CheckScript(Desktop& desktop, WindowId logBox, const Text& script) {
  bool failed = false;
  std::vector<Action> actions;
  if (script.empty()) {
    Report(desktop, logBox, kNoCode);
    failed = true;
  } else {
    // Read once per check: the user may move the monitors between runs.
    const ScreenRect screen = VirtualScreen(desktop);
    bool anyStatement = false;
    ForEachScriptLine(script, [&](const ScriptLine& line) {
      if (!line.IsStatement()) return;
      anyStatement = true;
      const ParsedStatement parsed = ParseStatement(line);
      std::string_view problem =
          parsed.error ? MessageFor(*parsed.error) : ProblemOf(*parsed.action, screen);
      if (!problem.empty()) {
        ReportLine(desktop, logBox, line.number, problem);
        failed = true;
      } else if (!failed) {
        actions.push_back(*parsed.action);
      }
    });
    if (!anyStatement) {
      Report(desktop, logBox, kOnlyComments);
      failed = true;
    }
  }
  if (failed) {
    Report(desktop, logBox, kStopped);
    return std::nullopt;
  }
  return actions;
}

}  // namespace quorvane
