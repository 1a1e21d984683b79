// Conversions split over threads, and LUT2's big tables. Run, on a quiet
// machine:
//   build/bench/lut_bench --benchmark_filter='parts|threads|words'
// "parts": a kernel over 1 part against 2 parts on the engine's threads
// (ZorlRunParts), at the sizes around frame/parts.cpp's smallest split.
// "threads": whole conversions through the engine with 1 and 2 threads.
// "words": LUT2's kernel at each level with 4,096 and 65,536 entries beside
// the plain checked loop over the same table.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "engine/engine.h"
#include "frame/kernels.h"
#include "host/threads.h"

namespace {

using lutbench::TheEngine;
using lutbench::Throughput;

// The kernel map8 (the least work a byte) over parts of one buffer.
struct Map8Job {
  const u8* t;
  const u8* src;
  u8* dst;
  std::size_t n;
  int parts;
};

void RunParts(benchmark::State& state, int parts, std::size_t bytes) {
  const std::string& src = lutbench::RandomBytes(bytes);
  std::vector<u8> dst(bytes, 1);
  zorl::SetConversionThreads(2);
  Map8Job job = {reinterpret_cast<const u8*>(src.data()) + 1000,
                 reinterpret_cast<const u8*>(src.data()), dst.data(), bytes,
                 parts};
  Throughput clock;
  for (auto _ : state) {
    ZorlRunParts(
        parts,
        [](void* c, int k) {
          Map8Job& j = *static_cast<Map8Job*>(c);
          std::size_t b = j.n * k / j.parts, e = j.n * (k + 1) / j.parts;
          Kernels().map8(j.t, j.src + b, j.dst + b, e - b);
        },
        &job);
    benchmark::DoNotOptimize(dst.data());
  }
  clock.Report(state, bytes, bytes);
  zorl::SetConversionThreads(0);
}

// LUT2::Convert2To1 with 65,536 entries from BaseLine 32768 (every pixel
// has one), and LUT3::Convert3To3 with its default table, on threads.
void RunThreads(benchmark::State& state, bool lut2, int threads,
                std::size_t bytes) {
  zorl::Engine& e = TheEngine();
  Variable table, out, src = zorl::MakeString(lutbench::RandomBytes(bytes));
  if (lut2) {
    Variable n = zorl::MakeLong(65536);
    e.Construct(table, "LUT2", {&n});
    e.SetMember(table, "BaseLine", zorl::MakeLong(32768));
  } else {
    e.Construct(table, "LUT3", {});
  }
  zorl::SetConversionThreads(threads);
  auto once = [&] {
    if (lut2)
      e.Call(table, "Convert2To1", {&src}, &out);
    else
      e.Call(table, "Convert3To3", {&out, &src}, nullptr);
  };
  for (int warm = 0; warm < 2; ++warm) once();
  Throughput clock;
  for (auto _ : state) {
    once();
    benchmark::DoNotOptimize(out.GetData());
  }
  clock.Report(state, bytes, bytes / (lut2 ? 2 : 3));
  zorl::SetConversionThreads(0);
  if (!e.TakeErrors().empty()) state.SkipWithError("the conversion failed");
}

// Pixels whose entries are all inside a table of len entries from base.
std::vector<u8> Words(std::size_t bytes, std::uint32_t len,
                      std::uint32_t base) {
  const std::string& r = lutbench::RandomBytes(bytes);
  std::vector<u8> s(bytes);
  for (std::size_t i = 0; i + 1 < bytes; i += 2) {
    std::uint32_t v = (static_cast<u8>(r[i]) | static_cast<u8>(r[i + 1]) << 8);
    std::uint32_t p = v % len - base;
    s[i] = static_cast<u8>(p);
    s[i + 1] = static_cast<u8>(p >> 8);
  }
  return s;
}

// level -1: the plain checked loop.
void RunWords(benchmark::State& state, int level, std::uint32_t len,
              std::size_t bytes) {
  std::uint32_t base = len / 2;
  std::vector<u8> src = Words(bytes, len, base), table(len), dst(bytes / 2, 1);
  for (std::size_t i = 0; i < len; ++i) table[i] = static_cast<u8>(i * 7);
  const LutKernels* k = level < 0 ? nullptr : KernelsAt(level);
  std::size_t n = bytes / 2;
  long long bad = -1;
  Throughput clock;
  for (auto _ : state) {
    if (k) {
      bad = static_cast<long long>(
          k->words8(table.data(), len, base, src.data(), dst.data(), n));
    } else {
      const u8* s = src.data();
      for (std::size_t i = 0; i < n; ++i) {
        long long j = static_cast<std::int16_t>(s[2 * i] | s[2 * i + 1] << 8) +
                      static_cast<long long>(base);
        if (j < 0 || j >= len) {
          bad = static_cast<long long>(i);
          break;
        }
        dst[i] = table[static_cast<std::size_t>(j)];
      }
    }
    benchmark::DoNotOptimize(dst.data());
    benchmark::DoNotOptimize(bad);
  }
  clock.Report(state, bytes, n);
}

bool Register() {
  for (std::size_t kib : {256, 512, 1024, 2048, 4096, 8192})
    for (int parts : {1, 2})
      benchmark::RegisterBenchmark(("parts map8/" + std::to_string(parts) +
                                    "/" + lutbench::SizeName(kib << 10))
                                       .c_str(),
                                   RunParts, parts, std::size_t(kib) << 10)
          ->UseRealTime();
  for (bool lut2 : {true, false})
    for (std::size_t bytes : {lutbench::kSmall, lutbench::kLarge})
      for (int threads : {1, 2})
        benchmark::RegisterBenchmark(
            (std::string("threads ") +
             (lut2 ? "LUT2::Convert2To1 65536" : "LUT3::Convert3To3") + "/" +
             std::to_string(threads) + "/" + lutbench::SizeName(bytes))
                .c_str(),
            RunThreads, lut2, threads, bytes)
            ->UseRealTime();
  const char* const names[] = {"scalar", "avx2", "avx512vbmi"};
  for (std::size_t bytes : {lutbench::kSmall, lutbench::kLarge})
    for (std::uint32_t len : {4096u, 65536u})
      for (int level = -1; level <= kKernelAvx512Vbmi; ++level) {
        if (level >= 0 && !KernelsAt(level)) continue;
        benchmark::RegisterBenchmark(
            ("words " + std::to_string(len) + "/" +
             (level < 0 ? "plain checked loop" : names[level]) + "/" +
             lutbench::SizeName(bytes))
                .c_str(),
            RunWords, level, len, bytes)
            ->UseRealTime();
      }
  return true;
}

const bool registered = Register();

}  // namespace
