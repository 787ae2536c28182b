// The script language: lines, comments, fields, statements and the two
// fixed texts. Texts here are GBK at run time, as the program holds them.
#include "engine/script.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace quorvane {

// Readable failure output for actions and errors.
void PrintTo(const MouseAction& a, std::ostream* os) {
  *os << "Mouse(" << a.x << "," << a.y << "," << a.kind << ")";
}
void PrintTo(const KeyAction& a, std::ostream* os) { *os << "Key(" << a.vk << "," << a.kind << ")"; }
void PrintTo(const DelayAction& a, std::ostream* os) {
  *os << "Delay(" << a.low << "," << a.high << ")";
}
void PrintTo(StatementError e, std::ostream* os) {
  switch (e) {
    case StatementError::kUnknownCommand: *os << "kUnknownCommand"; break;
    case StatementError::kFieldCount: *os << "kFieldCount"; break;
    case StatementError::kNotANumber: *os << "kNotANumber"; break;
  }
}

namespace {

std::vector<Text> LinesOf(const Text& text) {
  std::vector<Text> lines;
  std::size_t begin = 0;
  for (;;) {
    const std::size_t end = text.find("\r\n", begin);
    if (end == Text::npos) {
      lines.push_back(text.substr(begin));
      return lines;
    }
    lines.push_back(text.substr(begin, end - begin));
    begin = end + 2;
  }
}

// The actions of every statement line, in order; fails on a syntax error.
std::vector<Action> ActionsOf(const Text& script) {
  std::vector<Action> actions;
  for (const ScriptLine& line : SplitScript(script)) {
    if (!line.IsStatement()) continue;
    const ParsedStatement parsed = ParseStatement(line);
    EXPECT_FALSE(parsed.error.has_value()) << "line " << line.number << ": " << line.text;
    if (parsed.action) actions.push_back(*parsed.action);
  }
  return actions;
}

ParsedStatement ParseLine(const Text& text) {
  const std::vector<ScriptLine> lines = SplitScript(text);
  EXPECT_EQ(lines.size(), 1u);
  return lines.empty() ? ParsedStatement{} : ParseStatement(lines[0]);
}

// --- The fixed texts ---

TEST(FixedTextTest, BuiltInDescriptionHasItsLinesAndBytes) {
  const Text& text = BuiltInDescription();
  EXPECT_EQ(text.size(), 899u);
  const std::vector<Text> lines = LinesOf(text);
  ASSERT_EQ(lines.size(), 27u);
  EXPECT_EQ(lines[0], "'代码说明：");
  EXPECT_EQ(lines[3], "");
  EXPECT_EQ(lines[6], "'X=模拟点击的横坐标 ");
  EXPECT_EQ(lines[18], "'T=延时   延时单位：毫秒 ");
  EXPECT_EQ(lines[22], "M|200|100|0     '鼠标单击X200,Y100坐标位置");
  EXPECT_EQ(lines[26],
            "K|65|0          '敲击键盘A，65代表键盘字母A，更多按键代码常量请查看帮助信息。");
}

TEST(FixedTextTest, KeyCodeHelpTextHasItsRows) {
  const Text& text = KeyCodeHelpText();
  EXPECT_EQ(text.size(), 1456u);
  const std::vector<Text> lines = LinesOf(text);
  ASSERT_EQ(lines.size(), 92u);
  EXPECT_EQ(lines[0], "按键代码值说明：");
  EXPECT_EQ(lines[2], "     按键 常量值");

  std::vector<Text> rows;
  for (const Text& line : lines) {
    if (line.find('#') != Text::npos) rows.push_back(line);
  }
  ASSERT_EQ(rows.size(), 82u);
  EXPECT_EQ(rows[0], "      #键0 48 ");  // the only row with a trailing space
  for (std::size_t i = 1; i < rows.size(); ++i) {
    SCOPED_TRACE(rows[i]);
    EXPECT_EQ(rows[i].compare(0, 7, "      #"), 0);
    EXPECT_NE(rows[i].back(), ' ');
  }
  // Rows whose place or code is easy to get wrong.
  const struct {
    std::size_t index;
    Text row;
  } spots[] = {
      {9, "      #键9 57"},       {10, "      #A键 65"},       {35, "      #Z键 90"},
      {36, "      #F1键 112"},     {47, "      #F12键 123"},    {48, "      #Break键 3"},
      {63, "      #Home键 36"},    {64, "      #End键 35"},     {65, "      #左光标键 37"},
      {69, "      #Ins键 45"},     {71, "      #分号键 186"},   {78, "      #左中括号键 219"},
      {79, "      #右中括号键 221"}, {80, "      #斜杠键 220"}, {81, "      #单引号键 222"},
  };
  for (const auto& s : spots) {
    SCOPED_TRACE(s.row);
    EXPECT_EQ(rows[s.index], s.row);
  }
  // An empty line closes each group but the last.
  const std::size_t groupEnds[] = {14, 41, 54, 72, 77, 80};
  for (std::size_t end : groupEnds) {
    SCOPED_TRACE(end);
    EXPECT_EQ(lines[end], "");
  }
}

TEST(FixedTextTest, BuiltInDescriptionRunsItsExample) {
  const std::vector<Action> expected = {
      MouseAction{200, 100, 0}, DelayAction{1000, 1000}, MouseAction{300, 600, 1},
      DelayAction{1000, 1500}, KeyAction{65, 0},
  };
  EXPECT_EQ(ActionsOf(BuiltInDescription()), expected);

  const std::vector<ScriptLine> lines = SplitScript(BuiltInDescription());
  ASSERT_EQ(lines.size(), 27u);
  for (const ScriptLine& line : lines) {
    SCOPED_TRACE(line.number);
    EXPECT_EQ(line.IsStatement(), line.number >= 23);
  }
  EXPECT_EQ(lines[26].fields, (TextArray{"K", "65", "0"}));
  EXPECT_EQ(lines[25].fields, (TextArray{"T", "1000-1500"}));
}

TEST(FixedTextTest, DescriptionCommentsAloneHoldNoStatement) {
  const std::vector<Text> lines = LinesOf(BuiltInDescription());
  Text comments;
  for (std::size_t i = 0; i < 22; ++i) comments += lines[i] + "\r\n";
  EXPECT_TRUE(ActionsOf(comments).empty());
  EXPECT_EQ(SplitScript(comments).size(), 22u);
}

// --- Splitting ---

TEST(SplitScriptTest, NumbersTheEditorsLines) {
  const struct {
    const char* name;
    Text script;
    std::vector<Text> lines;
  } cases[] = {
      {"empty script", "", {}},
      {"one line", "T|1", {"T|1"}},
      {"break at the end adds no line", "L1\r\nL2\r\n", {"L1", "L2"}},
      {"blank lines count", "L1\r\n\r\nL3", {"L1", "", "L3"}},
      {"two blank lines at the end", "L1\r\n\r\n", {"L1", ""}},
      {"a break alone", "\r\n", {""}},
      {"leading blank line", "\r\nL2", {"", "L2"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<ScriptLine> lines = SplitScript(c.script);
    ASSERT_EQ(lines.size(), c.lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
      EXPECT_EQ(lines[i].number, static_cast<int>(i) + 1);
      EXPECT_EQ(lines[i].text, c.lines[i]);
    }
  }
}

TEST(SplitScriptTest, SeparatesCodeCommentAndFields) {
  const struct {
    const char* name;
    Text line;
    Text code;
    TextArray fields;
    bool statement;
  } cases[] = {
      {"no comment", "M|200|100|0", "M|200|100|0", {"M", "200", "100", "0"}, true},
      {"trailing comment after spaces", "K|65|0          '敲击", "K|65|0          ",
       {"K", "65", "0"}, true},
      {"comment right after the code", "T|5'x", "T|5", {"T", "5"}, true},
      {"full-width left quote", "T|5 ‘注释", "T|5 ", {"T", "5"}, true},
      {"full-width right quote", "T|5’注释", "T|5", {"T", "5"}, true},
      {"earliest marker wins", "T|5’a'b‘c", "T|5", {"T", "5"}, true},
      {"comment line", "'M|1|2|0", "", {}, false},
      {"indented comment", "   'x", "   ", {}, false},
      {"blank", "", "", {}, false},
      {"spaces only", "  　 ", "  　 ", {}, false},
      {"spaces anywhere are ignored", "M | 200 |1　00| 0 ", "M | 200 |1　00| 0 ",
       {"M", "200", "100", "0"}, true},
      {"trailing separator", "M|1|2|0|", "M|1|2|0|", {"M", "1", "2", "0"}, true},
      {"trailing separator and space", "M|1|2|0| ", "M|1|2|0| ", {"M", "1", "2", "0"}, true},
      {"separator alone", "|", "|", {""}, true},
      {"trail byte bar is no separator", "東|1", "東|1", {"東", "1"}, true},
      {"A1 AE across two characters is no marker", "啊瓳|1", "啊瓳|1", {"啊瓳", "1"}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<ScriptLine> lines = SplitScript(c.line);
    ASSERT_EQ(lines.size(), c.line.empty() ? 0u : 1u);
    if (lines.empty()) continue;
    EXPECT_EQ(lines[0].text, c.line);
    EXPECT_EQ(lines[0].code, c.code);
    EXPECT_EQ(lines[0].fields, c.fields);
    EXPECT_EQ(lines[0].IsStatement(), c.statement);
  }
}

TEST(SplitScriptTest, OnlyCommentsAndBlankLinesYieldNoAction) {
  EXPECT_TRUE(ActionsOf("'a\r\n\r\n   \r\n  'b\r\n’c").empty());
}

// --- Statements ---

struct ParseCase {
  const char* name;
  Text line;
  std::optional<Action> action;
  std::optional<StatementError> error;
};

TEST(ParseStatementTest, ReadsTheThreeCommands) {
  const ParseCase cases[] = {
      {"left click", "M|200|100|0", MouseAction{200, 100, 0}, std::nullopt},
      {"lower-case command", "m|1|2|3", MouseAction{1, 2, 3}, std::nullopt},
      {"key tap", "K|65|0", KeyAction{65, 0}, std::nullopt},
      {"lower-case key", "k|65|1", KeyAction{65, 1}, std::nullopt},
      {"fixed delay", "T|1000", DelayAction{1000, 1000}, std::nullopt},
      {"random delay", "T|1000-1500", DelayAction{1000, 1500}, std::nullopt},
      {"bounds in reverse order", "T|1500-1000", DelayAction{1500, 1000}, std::nullopt},
      {"negative delay is the checker's", "T|-5", DelayAction{-5, -5}, std::nullopt},
      {"negative bounds", "T|-5--3", DelayAction{-5, -3}, std::nullopt},
      {"negative upper bound", "T|5--3", DelayAction{5, -3}, std::nullopt},
      {"full-width digits and minus", "T|５００－６００", DelayAction{500, 600}, std::nullopt},
      {"full-width negative coordinate", "M|－１|２|0", MouseAction{-1, 2, 0}, std::nullopt},
      {"spaces in the range", "T| 1000 - 1500 ", DelayAction{1000, 1500}, std::nullopt},
      {"out-of-range values are the checker's", "M|99999|-3|7", MouseAction{99999, -3, 7},
       std::nullopt},
      {"smallest integer", "M|-2147483648|2147483647|0",
       MouseAction{std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), 0},
       std::nullopt},
      {"leading zeros", "K|065|00", KeyAction{65, 0}, std::nullopt},
      {"comment after the code", "T|1000          '延时", DelayAction{1000, 1000}, std::nullopt},
  };
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(c.name);
    const ParsedStatement parsed = ParseLine(c.line);
    EXPECT_EQ(parsed.action, c.action);
    EXPECT_EQ(parsed.error, c.error);
  }
}

TEST(ParseStatementTest, ReportsTheFirstSyntaxProblem) {
  using E = StatementError;
  const ParseCase cases[] = {
      {"unknown command", "X|1|2", std::nullopt, E::kUnknownCommand},
      {"two-letter command", "MM|1|2|0", std::nullopt, E::kUnknownCommand},
      {"full-width command letter", "Ｍ|1|2|0", std::nullopt, E::kUnknownCommand},
      {"empty command", "|1", std::nullopt, E::kUnknownCommand},
      {"separator alone", "|", std::nullopt, E::kUnknownCommand},
      {"unknown command before field count", "X", std::nullopt, E::kUnknownCommand},
      {"mouse with three fields", "M|1|2", std::nullopt, E::kFieldCount},
      {"mouse with five fields", "M|1|2|0|5", std::nullopt, E::kFieldCount},
      {"key with two fields", "K|65", std::nullopt, E::kFieldCount},
      {"delay without duration", "T|", std::nullopt, E::kFieldCount},
      {"command alone", "T", std::nullopt, E::kFieldCount},
      {"field count before numbers", "M|a", std::nullopt, E::kFieldCount},
      {"letters", "M|1|a|0", std::nullopt, E::kNotANumber},
      {"trailing letters", "M|1|2|0x", std::nullopt, E::kNotANumber},
      {"empty field", "M||2|0", std::nullopt, E::kNotANumber},
      {"empty duration", "T||", std::nullopt, E::kNotANumber},
      {"plus sign", "K|+65|0", std::nullopt, E::kNotANumber},
      {"range outside a delay", "M|1-2|3|0", std::nullopt, E::kNotANumber},
      {"beyond the integer range", "M|2147483648|0|0", std::nullopt, E::kNotANumber},
      {"far beyond the integer range", "M|99999999999|0|0", std::nullopt, E::kNotANumber},
      {"range missing its upper bound", "T|1000-", std::nullopt, E::kNotANumber},
      {"minus alone", "T|-", std::nullopt, E::kNotANumber},
      {"range missing its lower bound", "T|--5", std::nullopt, E::kNotANumber},
      {"three bounds", "T|1-2-3", std::nullopt, E::kNotANumber},
      {"words", "T|abc", std::nullopt, E::kNotANumber},
      {"double-byte character", "T|1000東", std::nullopt, E::kNotANumber},
      {"delay beyond the integer range", "T|1-4294967296", std::nullopt, E::kNotANumber},
  };
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(c.name);
    const ParsedStatement parsed = ParseLine(c.line);
    EXPECT_EQ(parsed.action, c.action);
    EXPECT_EQ(parsed.error, c.error);
  }
}

}  // namespace
}  // namespace quorvane
