// The script interpreter's own speed: a loop of one million rounds of an
// assignment with an addition, and a 65,536-entry table filled element by
// element (which must stay linear: writing an element copies nothing else).
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

}  // namespace
