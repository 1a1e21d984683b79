// The pixel kernels on their own, at every level this processor runs
// (scalar is the plain loop), beside memcpy of the same source bytes and,
// where OpenCV is installed, cv::LUT doing the same job with one thread and
// with its default threads. Output buffers are touched before timing.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "frame/kernels.h"

#ifdef LUT_BENCH_OPENCV
#include <opencv2/core.hpp>
#endif

namespace {

using lutbench::Throughput;

enum Job { kMap8, kMap8To3Gray, kMap8To3, kMap3To3, kAvg3To1 };

struct JobInfo {
  const char* name;
  int inBytes, outBytes;  // per pixel
};

const JobInfo kJobs[] = {{"map8", 1, 1},
                         {"map8to3 gray", 1, 3},
                         {"map8to3", 1, 3},
                         {"map3to3", 3, 3},
                         {"avg3to1", 3, 1}};

const u8* Tables() {
  static u8 t[3 * 256];
  static bool made = false;
  if (!made) {
    const std::string& r = lutbench::RandomBytes(lutbench::kSmall);
    std::memcpy(t, r.data() + 12345, sizeof t);
    made = true;
  }
  return t;
}

void RunKernel(benchmark::State& state, const LutKernels* k, Job job,
               std::size_t bytes) {
  const JobInfo& info = kJobs[job];
  const std::string& src = lutbench::RandomBytes(bytes);
  std::size_t n = bytes / info.inBytes;
  std::vector<u8> dst(n * info.outBytes, 1);
  const u8 *t = Tables(), *s = reinterpret_cast<const u8*>(src.data());
  Throughput clock;
  for (auto _ : state) {
    switch (job) {
      case kMap8:
        k->map8(t, s, dst.data(), n);
        break;
      case kMap8To3Gray:
        k->map8to3(t, t, t, s, dst.data(), n);
        break;
      case kMap8To3:
        k->map8to3(t, t + 256, t + 512, s, dst.data(), n);
        break;
      case kMap3To3:
        k->map3to3(t, t + 256, t + 512, s, dst.data(), n);
        break;
      case kAvg3To1:
        k->avg3to1(t, t + 256, t + 512, s, dst.data(), n);
        break;
    }
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  clock.Report(state, bytes, n);
}

void RunMemcpy(benchmark::State& state, std::size_t bytes) {
  const std::string& src = lutbench::RandomBytes(bytes);
  std::vector<char> dst(bytes, 1);
  Throughput clock;
  for (auto _ : state) {
    std::memcpy(dst.data(), src.data(), bytes);
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  clock.Report(state, bytes, bytes);
}

// The plain checked loop over 2-byte pixels (LUT2::Convert2To1 before its
// blocks): the reference for that conversion, into a buffer made once.
void RunCheckedWords(benchmark::State& state, std::size_t bytes) {
  std::string src = lutbench::RandomBytes(bytes);
  for (std::size_t i = 1; i < bytes; i += 2) src[i] &= 7;  // 0 to 2047
  std::vector<u8> table(2048), dst(bytes / 2, 1);
  for (std::size_t i = 0; i < table.size(); ++i)
    table[i] = static_cast<u8>(i >> 3);
  const u8* s = reinterpret_cast<const u8*>(src.data());
  long long n = static_cast<long long>(bytes / 2), len = 2048, base = 0;
  long long bad = -1;
  Throughput clock;
  for (auto _ : state) {
    for (long long i = 0; i < n; ++i) {
      long long j =
          static_cast<std::int16_t>(s[2 * i] | s[2 * i + 1] << 8) + base;
      if (j < 0 || j >= len) {
        bad = i;
        break;
      }
      dst[i] = table[j];
    }
    benchmark::DoNotOptimize(dst.data());
    benchmark::DoNotOptimize(bad);
  }
  clock.Report(state, bytes, bytes / 2);
}

#ifdef LUT_BENCH_OPENCV
// cv::LUT of a 256-entry table: one channel (channels = 1), or a table of
// three channels on 3-byte pixels (channels = 3), on an image of rows of
// 1024 pixels, which OpenCV splits between its threads by rows. threads = 0
// runs with every thread OpenCV has.
void RunCvLut(benchmark::State& state, int channels, int threads,
              std::size_t bytes) {
  const std::string& bytesIn = lutbench::RandomBytes(bytes);
  const int width = 1024;
  int rows = static_cast<int>(bytes / (channels * width));
  if (rows == 0) rows = 1;
  int type = CV_MAKETYPE(CV_8U, channels);
  cv::Mat src(rows, width, type, const_cast<char*>(bytesIn.data()));
  cv::Mat table(1, 256, type, const_cast<u8*>(Tables()));
  cv::Mat dst(rows, width, type, cv::Scalar::all(1));
  int before = cv::getNumThreads();
  cv::setNumThreads(threads == 0 ? cv::getNumberOfCPUs() : threads);
  Throughput clock;
  for (auto _ : state) {
    cv::LUT(src, table, dst);
    benchmark::DoNotOptimize(dst.data);
    benchmark::ClobberMemory();
  }
  std::size_t pixels = static_cast<std::size_t>(rows) * width;
  clock.Report(state, pixels * channels, pixels);
  cv::setNumThreads(before);
}
#endif

const char* const kLevelNames[] = {"scalar", "avx2", "avx512vbmi"};

void AddKernels(std::size_t bytes, int firstJob, int lastJob) {
  std::string size = lutbench::SizeName(bytes);
  for (int level = kKernelScalar; level <= kKernelAvx512Vbmi; ++level) {
    const LutKernels* k = KernelsAt(level);
    if (!k) continue;
    for (int job = firstJob; job <= lastJob; ++job)
      benchmark::RegisterBenchmark((std::string("kernel ") + kJobs[job].name +
                                    "/" + kLevelNames[level] + "/" + size)
                                       .c_str(),
                                   RunKernel, k, static_cast<Job>(job), bytes)
          ->UseRealTime();
  }
}

bool Register() {
  for (std::size_t bytes : lutbench::kSizes) {
    std::string size = lutbench::SizeName(bytes);
    benchmark::RegisterBenchmark(("memcpy/" + size).c_str(), RunMemcpy, bytes)
        ->UseRealTime();
    AddKernels(bytes, kMap8, kAvg3To1);
    benchmark::RegisterBenchmark(("plain checked 2-byte loop/" + size).c_str(),
                                 RunCheckedWords, bytes)
        ->UseRealTime();
#ifdef LUT_BENCH_OPENCV
    for (int channels : {1, 3})
      for (int threads : {1, 0})
        benchmark::RegisterBenchmark(
            (std::string("cv::LUT ") + (channels == 1 ? "8UC1" : "8UC3") +
             (threads == 1 ? "/1 thread/" : "/all threads/") + size)
                .c_str(),
            RunCvLut, channels, threads, bytes)
            ->UseRealTime();
#endif
  }
  AddKernels(lutbench::kTiny, kMap8, kMap8);
  return true;
}

const bool registered = Register();

}  // namespace
