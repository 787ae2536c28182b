// Checking time per line across script sizes, for clean scripts and for
// scripts whose every line is faulty (each diagnostic appended to a
// simulated log box). A flat time per line shows there is no quadratic step.
#include <benchmark/benchmark.h>

#include "engine/checker.h"
#include "tests/sim/simulated_desktop.h"

namespace quorvane {
namespace {

Text MakeScript(int lines, bool faulty) {
  static const char* const kClean[] = {"M|200|100|0     '单击", "T|1000", "K|65|0", "T|1000-1500", "M|1919|1079|3"};
  static const char* const kFaulty[] = {"M|200|100|9", "T|x", "K|300|0", "M|5000|1|0", "K|65"};
  Text script;
  script.reserve(static_cast<std::size_t>(lines) * 20);
  for (int i = 0; i < lines; ++i) {
    script += (faulty ? kFaulty : kClean)[i % 5];
    script += "\r\n";
  }
  return script;
}

void CheckScriptPerLine(benchmark::State& state, bool faulty) {
  const int lines = static_cast<int>(state.range(0));
  const Text script = MakeScript(lines, faulty);
  for (auto _ : state) {
    state.PauseTiming();
    sim::SimulatedDesktop desktop;
    desktop.SetTracing(false);
    desktop.SetScreen(1920, 1080);
    desktop.SetVirtualScreen(0, 0, 1920, 1080);
    const WindowId log = desktop.CreateEditBox();
    state.ResumeTiming();
    auto result = CheckScript(desktop, log, script);
    benchmark::DoNotOptimize(result);
  }
  state.SetItemsProcessed(state.iterations() * lines);
  // Seconds per line, shown with an SI prefix (n for nanoseconds).
  state.counters["per_line"] = benchmark::Counter(static_cast<double>(lines),
                                                  benchmark::Counter::kIsIterationInvariantRate |
                                                      benchmark::Counter::kInvert);
}

void BM_CheckClean(benchmark::State& state) { CheckScriptPerLine(state, false); }
void BM_CheckFaulty(benchmark::State& state) { CheckScriptPerLine(state, true); }

BENCHMARK(BM_CheckClean)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CheckFaulty)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvane

BENCHMARK_MAIN();
