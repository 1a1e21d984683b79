// Throughput of the buffer conversions, called through the engine as a
// script calls them, beside memcpy of the same source bytes. Run:
//   build/bench/lut_bench --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine/engine.h"

namespace {

constexpr std::size_t kSourceBytes = 16u << 20;  // 16 MiB

zorl::Engine& TheEngine() {
  static zorl::Engine* e = [] {
    auto* engine = new zorl::Engine;
    std::string message;
    if (!engine->LoadPlugin(LUT_PLUGIN_PATH, true, &message)) std::abort();
    return engine;
  }();
  return *e;
}

std::string RandomBytes(std::size_t n) {
  std::string s(n, '\0');
  std::mt19937 rng(7);
  for (char& c : s) c = static_cast<char>(rng());
  return s;
}

void Report(benchmark::State& state, std::size_t bytes, std::size_t pixels) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
  state.counters["pixels/ns"] =
      benchmark::Counter(static_cast<double>(pixels),
                         benchmark::Counter::kIsIterationInvariantRate);
  state.counters["pixels/ns"] /= 1e9;
}

void BM_Memcpy(benchmark::State& state) {
  std::string src = RandomBytes(kSourceBytes), dst(kSourceBytes, '\0');
  for (auto _ : state) {
    std::memcpy(&dst[0], src.data(), kSourceBytes);
    benchmark::DoNotOptimize(dst.data());
  }
  Report(state, kSourceBytes, kSourceBytes);
}
BENCHMARK(BM_Memcpy);

// A conversion of a single-channel table that returns its output.
void SingleConversion(benchmark::State& state, const char* cls,
                      const char* method, std::size_t pixelBytes) {
  zorl::Engine& e = TheEngine();
  Variable table, src = zorl::MakeString(RandomBytes(kSourceBytes)), out;
  e.Construct(table, cls, {});
  for (auto _ : state) {
    e.Call(table, method, {&src}, &out);
    benchmark::DoNotOptimize(out.GetData());
  }
  if (!e.TakeErrors().empty()) state.SkipWithError("the conversion failed");
  Report(state, kSourceBytes, kSourceBytes / pixelBytes);
}

void BM_Lut1Convert1To1(benchmark::State& s) {
  SingleConversion(s, "LUT1", "Convert1To1", 1);
}
void BM_Lut1Convert1To3(benchmark::State& s) {
  SingleConversion(s, "LUT1", "Convert1To3", 1);
}
BENCHMARK(BM_Lut1Convert1To1);
BENCHMARK(BM_Lut1Convert1To3);

// A conversion of a three-channel table, t.method(out, src), into a
// destination of the right size that is reused, as a script converting one
// frame after another does. The default tables take every 1- and 3-byte
// pixel; 2-byte pixels are drawn from the table's range.
void TripleConversion(benchmark::State& state, const char* cls,
                      const char* method, std::size_t pixelBytes) {
  zorl::Engine& e = TheEngine();
  Variable table, out;
  e.Construct(table, cls, {});
  std::string bytes = RandomBytes(kSourceBytes);
  if (pixelBytes == 2)
    for (std::size_t i = 1; i < bytes.size(); i += 2) bytes[i] = 0;
  Variable src = zorl::MakeString(bytes);
  for (auto _ : state) {
    e.Call(table, method, {&out, &src}, nullptr);
    benchmark::DoNotOptimize(out.GetData());
  }
  if (!e.TakeErrors().empty()) state.SkipWithError("the conversion failed");
  Report(state, kSourceBytes, kSourceBytes / pixelBytes);
}

#define TRIPLE_BENCH(cls, method, pixelBytes)       \
  void BM_##cls##method(benchmark::State& s) {      \
    TripleConversion(s, #cls, #method, pixelBytes); \
  }                                                 \
  BENCHMARK(BM_##cls##method)

TRIPLE_BENCH(LUT3, Convert1To1, 1);
TRIPLE_BENCH(LUT3, Convert2To1, 2);
TRIPLE_BENCH(LUT3, Convert3To1, 3);
TRIPLE_BENCH(LUT3, Convert3To3, 3);
TRIPLE_BENCH(LUT3, Convert2To3, 2);
TRIPLE_BENCH(LUT3, ConvertU2To3, 2);
TRIPLE_BENCH(LUT3, Convert1To3, 1);
TRIPLE_BENCH(LUT3, Convert2To2, 2);
TRIPLE_BENCH(LUTC3, Convert1To1, 1);
TRIPLE_BENCH(LUTC3, Convert2To1, 2);
TRIPLE_BENCH(LUTC3, Convert3To1, 3);
TRIPLE_BENCH(LUTC3, Convert3To3, 3);
TRIPLE_BENCH(LUTC3, Convert2To3, 2);
TRIPLE_BENCH(LUTC3, Convert1To3, 1);
TRIPLE_BENCH(LUTC3, Convert2To2, 2);

}  // namespace
