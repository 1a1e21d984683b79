// The script interpreter's own speed: a loop of one million rounds of an
// assignment with an addition, a 65,536-entry table filled element by
// element, and a String grown by 200 appends of 256 KiB (both must stay
// linear: writing an element copies nothing else, and a String grows in
// place).
#include <benchmark/benchmark.h>

#include <sstream>
#include <string>

#include "engine/engine.h"
#include "language/interpreter.h"

namespace {

void RunScript(benchmark::State& state, const std::string& script) {
  zorl::Engine engine;
  for (auto _ : state) {
    std::ostringstream out, err;
    zorl::Interpreter interpreter(engine, out, err, false);
    std::istringstream in(script);
    if (interpreter.Run("bench.zs", in, true) != 0) {
      state.SkipWithError(err.str().c_str());
      return;
    }
    benchmark::DoNotOptimize(out.str());
  }
}

void BM_LoopOfAMillionAdditions(benchmark::State& state) {
  RunScript(state,
            "x = 0\n"
            "for i in range(0, 1000000)\n"
            "  x = x + 1\n"
            "end\n"
            "print(x)\n");
}
BENCHMARK(BM_LoopOfAMillionAdditions)->Unit(benchmark::kMillisecond);

void BM_WhileLoopOfAMillionAdditions(benchmark::State& state) {
  RunScript(state,
            "i = 0\n"
            "while i < 1000000\n"
            "  i = i + 1\n"
            "end\n");
}
BENCHMARK(BM_WhileLoopOfAMillionAdditions)->Unit(benchmark::kMillisecond);

void BM_FillA65536EntryTable(benchmark::State& state) {
  RunScript(state,
            "v = fill(65536, 0)\n"
            "for i in range(0, 65536)\n"
            "  v[i] = round(65535 * pow(i / 65535.0, 1 / 2.2))\n"
            "end\n"
            "print(v[65535])\n");
}
BENCHMARK(BM_FillA65536EntryTable)->Unit(benchmark::kMillisecond);

// 50 MiB in all: quadratic copying would move 5 GiB.
void BM_GrowAStringBy200Appends(benchmark::State& state) {
  std::string add = state.range(0) ? "  append(s, b)\n" : "  s = s + b\n";
  RunScript(state,
            "b = bytes(fill(262144, 120))\n"
            "s = \"\"\n"
            "for i in range(0, 200)\n" +
                add +
                "end\n"
                "print(len(s))\n");
}
BENCHMARK(BM_GrowAStringBy200Appends)
    ->ArgName("append")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
