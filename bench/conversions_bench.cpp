// Throughput of the buffer conversions, each called through the engine as a
// script calls it, on sources of 64 KiB, 1 MiB and 64 MiB. kernels_bench.cpp
// times the kernels alone, memcpy and cv::LUT. Run:
//   build/bench/lut_bench --benchmark_counters_tabular=true
//   python3 scripts/bench_table.py build/bench/lut_bench   (a table)
#include <cstdlib>
#include <string>

#include "bench/bench_util.h"
#include "engine/engine.h"

namespace {

using lutbench::TheEngine;
using lutbench::Throughput;

// Random pixels; 2-byte pixels are kept below 2^highBits so that the
// default tables take them all.
Variable Source(std::size_t bytes, int pixelBytes, int highBits) {
  std::string s = lutbench::RandomBytes(bytes);
  if (pixelBytes == 2)
    for (std::size_t i = 1; i < s.size(); i += 2)
      s[i] = static_cast<char>(s[i] & ((1 << highBits) - 1));
  return zorl::MakeString(s);
}

// out = table.method(src): a conversion that returns a new String, as a
// script converting one frame after another calls it. The first two calls,
// which find no released String to reuse (the one in out is still held
// while the next is made), are not timed.
void Returning(benchmark::State& state, const char* cls, const char* method,
               int pixelBytes, std::size_t bytes) {
  zorl::Engine& e = TheEngine();
  Variable table, src = Source(bytes, pixelBytes, 3), out;
  e.Construct(table, cls, {});
  for (int warm = 0; warm < 2; ++warm) e.Call(table, method, {&src}, &out);
  Throughput clock;
  for (auto _ : state) {
    e.Call(table, method, {&src}, &out);
    benchmark::DoNotOptimize(out.GetData());
  }
  clock.Report(state, bytes, bytes / pixelBytes);
  if (!e.TakeErrors().empty()) state.SkipWithError("the conversion failed");
}

// table.method(out, src) into a destination of the right size that is
// reused, as a script converting one frame after another does. The default
// tables take every 1- and 3-byte pixel; 2-byte pixels are drawn below 256.
void Into(benchmark::State& state, const char* cls, const char* method,
          int pixelBytes, std::size_t bytes) {
  zorl::Engine& e = TheEngine();
  Variable table, out, src = Source(bytes, pixelBytes, 0);
  e.Construct(table, cls, {});
  e.Call(table, method, {&out, &src}, nullptr);  // sizes the destination
  Throughput clock;
  for (auto _ : state) {
    e.Call(table, method, {&out, &src}, nullptr);
    benchmark::DoNotOptimize(out.GetData());
  }
  clock.Report(state, bytes, bytes / pixelBytes);
  if (!e.TakeErrors().empty()) state.SkipWithError("the conversion failed");
}

struct Conversion {
  const char* cls;
  const char* method;
  int pixelBytes;
  bool returning;
};

const Conversion kConversions[] = {
    {"LUT1", "Convert1To1", 1, true},   {"LUT1", "Convert1To3", 1, true},
    {"LUT2", "Convert2To1", 2, true},   {"LUT2", "Convert2To3", 2, true},
    {"LUT3", "Convert1To1", 1, false},  {"LUT3", "Convert2To1", 2, false},
    {"LUT3", "Convert3To1", 3, false},  {"LUT3", "Convert3To3", 3, false},
    {"LUT3", "Convert2To3", 2, false},  {"LUT3", "ConvertU2To3", 2, false},
    {"LUT3", "Convert1To3", 1, false},  {"LUT3", "Convert2To2", 2, false},
    {"LUTC3", "Convert1To1", 1, false}, {"LUTC3", "Convert2To1", 2, false},
    {"LUTC3", "Convert3To1", 3, false}, {"LUTC3", "Convert3To3", 3, false},
    {"LUTC3", "Convert2To3", 2, false}, {"LUTC3", "Convert1To3", 1, false},
    {"LUTC3", "Convert2To2", 2, false},
};

void Add(const Conversion& c, std::size_t bytes) {
  benchmark::RegisterBenchmark(
      (std::string(c.cls) + "::" + c.method + "/" + lutbench::SizeName(bytes))
          .c_str(),
      c.returning ? Returning : Into, c.cls, c.method, c.pixelBytes, bytes)
      ->UseRealTime();
}

bool Register() {
  for (std::size_t bytes : lutbench::kSizes)
    for (const Conversion& c : kConversions) Add(c, bytes);
  // A small call against the same call without pixels (the engine's and the
  // frame's share) and the kernel alone (kernels_bench.cpp).
  const Conversion& lut3Bytes = kConversions[4];
  Add(lut3Bytes, lutbench::kTiny);
  Add(lut3Bytes, 0);
  // The call that bench/python_bench.py times from Python against this one.
  Add(kConversions[0], 4096);
  return true;
}

const bool registered = Register();

}  // namespace
