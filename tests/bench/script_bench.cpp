// Splitting and parsing a large script: a million statement lines of mixed
// mouse, key and delay statements, with trailing comments, comment lines and
// blank lines in between, as a long recorded script would look.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "desktop/text_ops.h"
#include "engine/script.h"

namespace {

using quorvane::Text;

constexpr int kStatements = 1000000;

struct GeneratedScript {
  Text text;
  std::int64_t lines = 0;
};

const GeneratedScript& BigScript() {
  static const GeneratedScript script = [] {
    GeneratedScript s;
    std::uint32_t state = 12345;  // a fixed sequence, so every run measures the same text
    auto next = [&state](std::uint32_t bound) {
      state = state * 1103515245u + 12345u;
      return (state >> 8) % bound;
    };
    s.text.reserve(static_cast<std::size_t>(kStatements) * 32);
    auto number = [&s](std::uint32_t value) { s.text += std::to_string(value); };
    for (int i = 0; i < kStatements; ++i) {
      if (i % 20 == 0) {
        s.text += "'第";
        number(static_cast<std::uint32_t>(i / 20));
        s.text += "段：点击后等待\r\n";
        ++s.lines;
      }
      if (i % 50 == 0) {
        s.text += "\r\n";
        ++s.lines;
      }
      switch (next(3)) {
        case 0:
          s.text += "M|";
          number(next(1920));
          s.text += '|';
          number(next(1080));
          s.text += '|';
          number(next(4));
          break;
        case 1:
          s.text += "K|";
          number(48 + next(43));
          s.text += '|';
          number(next(3));
          break;
        default: {
          const std::uint32_t low = 10 + next(2000);
          s.text += "T|";
          number(low);
          if (next(2)) {
            s.text += '-';
            number(low + next(1000));
          }
          break;
        }
      }
      if (next(2)) s.text += "     '鼠标单击坐标位置";
      s.text += "\r\n";
      ++s.lines;
    }
    return s;
  }();
  return script;
}

void SetThroughput(benchmark::State& state, const GeneratedScript& script) {
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(script.text.size()));
  state.counters["lines/s"] = benchmark::Counter(static_cast<double>(script.lines),
                                                 benchmark::Counter::kIsIterationInvariantRate);
}

// The whole job the checker does with the text: lines, then statements.
void BM_SplitAndParse(benchmark::State& state) {
  const GeneratedScript& script = BigScript();
  for (auto _ : state) {
    const std::vector<quorvane::ScriptLine> lines = quorvane::SplitScript(script.text);
    std::int64_t actions = 0;
    for (const quorvane::ScriptLine& line : lines) {
      if (!line.IsStatement()) continue;
      const quorvane::ParsedStatement parsed = quorvane::ParseStatement(line);
      if (!parsed.action) std::abort();  // the generated script has no error
      ++actions;
    }
    if (actions != kStatements) std::abort();
    benchmark::DoNotOptimize(actions);
  }
  SetThroughput(state, script);
}
BENCHMARK(BM_SplitAndParse)->Unit(benchmark::kMillisecond);

// The same work one line at a time, as the checker does it: no list of the
// whole script is ever held.
void BM_ForEachLineAndParse(benchmark::State& state) {
  const GeneratedScript& script = BigScript();
  for (auto _ : state) {
    std::int64_t actions = 0;
    quorvane::ForEachScriptLine(script.text, [&actions](const quorvane::ScriptLine& line) {
      if (!line.IsStatement()) return;
      if (!quorvane::ParseStatement(line).action) std::abort();
      ++actions;
    });
    if (actions != kStatements) std::abort();
    benchmark::DoNotOptimize(actions);
  }
  SetThroughput(state, script);
}
BENCHMARK(BM_ForEachLineAndParse)->Unit(benchmark::kMillisecond);

// Splitting alone, to tell the line and field walk from the number reading.
void BM_SplitOnly(benchmark::State& state) {
  const GeneratedScript& script = BigScript();
  for (auto _ : state) {
    const std::vector<quorvane::ScriptLine> lines = quorvane::SplitScript(script.text);
    benchmark::DoNotOptimize(lines.data());
  }
  SetThroughput(state, script);
}
BENCHMARK(BM_SplitOnly)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
