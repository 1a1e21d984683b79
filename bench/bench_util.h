// What the benchmarks share: the engine, sources of random bytes, and
// throughput reported as plain numbers over wall-clock time.
#ifndef LUT_BENCH_BENCH_UTIL_H
#define LUT_BENCH_BENCH_UTIL_H

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <map>
#include <random>
#include <string>

#include "engine/engine.h"

namespace lutbench {

// The engine with the plug-in loaded, made once for every benchmark.
inline zorl::Engine& TheEngine() {
  static zorl::Engine* e = [] {
    auto* engine = new zorl::Engine;
    std::string message;
    if (!engine->LoadPlugin(LUT_PLUGIN_PATH, true, &message)) std::abort();
    return engine;
  }();
  return *e;
}

// The source sizes the benchmarks run on: in the first-level cache, in the
// second, and far beyond the last.
constexpr std::size_t kTiny = std::size_t(4) << 10;     // 4 KiB
constexpr std::size_t kMedium = std::size_t(64) << 10;  // 64 KiB
constexpr std::size_t kSmall = std::size_t(1) << 20;    // 1 MiB
constexpr std::size_t kLarge = std::size_t(64) << 20;   // 64 MiB
constexpr std::size_t kSizes[] = {kMedium, kSmall, kLarge};

inline std::string SizeName(std::size_t bytes) {
  if (bytes >= kSmall) return std::to_string(bytes >> 20) + "MiB";
  if (bytes >= 1024) return std::to_string(bytes >> 10) + "KiB";
  return std::to_string(bytes) + "B";
}

// n random bytes, made once per size and kept.
inline const std::string& RandomBytes(std::size_t n) {
  static std::map<std::size_t, std::string> made;
  std::string& s = made[n];
  if (s.size() != n) {
    s.assign(n, '\0');
    std::mt19937_64 rng(7);
    for (std::size_t i = 0; i + 8 <= n; i += 8) {
      unsigned long long x = rng();
      for (int k = 0; k < 8; ++k) s[i + k] = static_cast<char>(x >> 8 * k);
    }
  }
  return s;
}

// Started right before a benchmark's loop; Report() sets the counters
// "GB/s" (source bytes per nanosecond) and "pixels/ns" over the loop's
// wall-clock time.
class Throughput {
 public:
  Throughput() : start_(std::chrono::steady_clock::now()) {}
  void Report(benchmark::State& state, std::size_t sourceBytes,
              std::size_t pixels) const {
    double ns = std::chrono::duration<double, std::nano>(
                    std::chrono::steady_clock::now() - start_)
                    .count();
    double runs = static_cast<double>(state.iterations());
    state.counters["GB/s"] = static_cast<double>(sourceBytes) * runs / ns;
    state.counters["pixels/ns"] = static_cast<double>(pixels) * runs / ns;
  }

 private:
  std::chrono::steady_clock::time_point start_;
};

}  // namespace lutbench

#endif
