// Every kernel level writes exactly the bytes of the plain loop: random
// tables and pixels, every length from 0 to 300 pixels, every alignment,
// streamed and not, and in place where a kernel allows it.
#include "frame/kernels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

class KernelsTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    k_ = KernelsAt(GetParam());
    if (!k_) GTEST_SKIP() << "level " << GetParam() << " not on this machine";
    for (u8& b : tables_) b = static_cast<u8>(rng_());
  }
  std::vector<u8> Random(std::size_t n) {
    std::vector<u8> v(n);
    for (u8& b : v) b = static_cast<u8>(rng_());
    return v;
  }
  const u8* T(int k) const { return tables_ + 256 * k; }
  // Entries for rescale3 by sum: colours, factors below 1 and up to 2 (some
  // components go above 255) and one of 300 (its block is the plain loop's).
  static const std::uint64_t* Entries() {
    static std::uint64_t e[768];
    std::mt19937 r(7);
    for (std::uint64_t& x : e) {
      std::uint64_t v = r();
      x = v % 4 == 0 ? 1ULL << 63 | v : v % 32 == 1 ? v | 1ULL << 32 : v;
    }
    e[600] = 300ULL << 32;
    return e;
  }

  const LutKernels* k_ = nullptr;
  const LutKernels& s_ = kScalarKernels;
  std::mt19937 rng_{2024};
  u8 tables_[3 * 256];
};

// Each kernel against the plain loop for n pixels, the output at every
// offset from a 64-byte boundary (the source at another), streamed and not,
// and in place where the kernel allows it.
TEST_P(KernelsTest, EveryLengthAndAlignment) {
  std::vector<u8> same(T(2), T(2) + 256);  // equal entries, elsewhere
  struct Job {
    const char* name;
    int in, out;  // bytes per pixel
    bool inPlace;
    void (*run)(const LutKernels&, const u8* t, const u8* s, u8* d,
                std::size_t n);
  };
  static const Job kJobs[] = {
      {"map8", 1, 1, true,
       [](const LutKernels& k, const u8* t, const u8* s, u8* d, std::size_t n) {
         k.map8(t, s, d, n);
       }},
      {"map8to3", 1, 3, false,
       [](const LutKernels& k, const u8* t, const u8* s, u8* d, std::size_t n) {
         k.map8to3(t, t + 256, t + 512, s, d, n);
       }},
      {"map8to3 gray", 1, 3, false,
       [](const LutKernels& k, const u8* t, const u8* s, u8* d, std::size_t n) {
         k.map8to3(t + 256, t + 256, t + 256, s, d, n);
       }},
      {"map3to3", 3, 3, true,
       [](const LutKernels& k, const u8* t, const u8* s, u8* d, std::size_t n) {
         k.map3to3(t, t + 256, t + 512, s, d, n);
       }},
      {"avg3to1", 3, 1, false,
       [](const LutKernels& k, const u8* t, const u8* s, u8* d, std::size_t n) {
         k.avg3to1(t, t + 256, t + 512, s, d, n);
       }},
      {"rescale3", 3, 3, true,
       [](const LutKernels& k, const u8*, const u8* s, u8* d, std::size_t n) {
         k.rescale3(Entries(), 0, 766, 0, s, d, n);
       }},
      {"rescale3 base -2", 3, 3, true,
       [](const LutKernels& k, const u8*, const u8* s, u8* d, std::size_t n) {
         k.rescale3(Entries(), 0, 766, -2, s, d, n);
       }},
  };
  const std::size_t cached = StreamingFrom();
  alignas(64) static u8 src[64 + 3 * 301], want[64 + 3 * 301 + 1],
      got[sizeof want];
  for (std::size_t from : {std::size_t(0), cached}) {
    SetStreamingFrom(from);
    for (const Job& job : kJobs)
      for (std::size_t n = 0; n <= 300; ++n)
        for (std::size_t at = 0; at < 64; ++at) {
          std::size_t inAt = (7 * at + 3) % 64, bytes = job.out * n + 1;
          for (std::size_t i = 0; i < job.in * n; ++i)
            src[inAt + i] = static_cast<u8>(rng_());
          std::fill(want + at, want + at + bytes, 7);
          std::fill(got + at, got + at + bytes, 7);
          job.run(s_, tables_, src + inAt, want + at, n);
          job.run(*k_, tables_, src + inAt, got + at, n);
          ASSERT_TRUE(std::equal(want + at, want + at + bytes, got + at))
              << job.name << " n=" << n << " at=" << at << " from=" << from;
          if (!job.inPlace) continue;
          std::copy(src + inAt, src + inAt + job.in * n, got + at);
          job.run(*k_, tables_, got + at, got + at, n);
          ASSERT_TRUE(std::equal(want + at, want + at + bytes, got + at))
              << job.name << " in place n=" << n << " at=" << at;
        }
  }
  SetStreamingFrom(cached);
  // Tables that are equal without being the same take the plain path's
  // bytes too.
  std::vector<u8> in = Random(100), w(300), g(300);
  s_.map8to3(T(2), same.data(), T(2), in.data(), w.data(), 100);
  k_->map8to3(T(2), same.data(), T(2), in.data(), g.data(), 100);
  EXPECT_EQ(w, g);
}

// 2-byte pixels: the same bytes and the same first pixel outside the
// table, wherever it falls in a vector step, for tables short and long (to
// the 65,536 entries of a 16-bit scan); the pixels reach the last entries,
// which the gather may not read past, and every third one is anywhere.
TEST_P(KernelsTest, WordsStopAtTheFirstPixelOutside) {
  struct Case {
    std::uint32_t len, base;
    int bad;  // a pixel whose entry is outside
  };
  const Case kCases[] = {{700, 20, 680},
                         {700, 20, -21},
                         {3, 0, 3},
                         {256, 0xFFFFFF00u, -32768},
                         {2048, 0, -1},
                         {4096, 100, 3996},
                         {65536, 32769, 32767}};
  const std::vector<u8> table = Random(65536);
  for (const Case& c : kCases)
    for (std::size_t n = 0; n <= 70; ++n)
      for (std::size_t bad = 0; bad <= n; ++bad) {
        std::vector<u8> src(2 * n + 1), want(n + 1, 5), got = want;
        for (std::size_t i = 0; i < n; ++i) {
          std::uint32_t j = i % 3 ? c.len - 1 - rng_() % 4 * (i % 2)
                                  : static_cast<std::uint32_t>(rng_()) % c.len;
          int p =
              i == bad ? c.bad : static_cast<int>(j) - static_cast<int>(c.base);
          src[1 + 2 * i] = static_cast<u8>(p);
          src[2 + 2 * i] = static_cast<u8>(p >> 8);
        }
        std::size_t a = s_.words8(table.data(), c.len, c.base, src.data() + 1,
                                  want.data(), n);
        std::size_t b = k_->words8(table.data(), c.len, c.base, src.data() + 1,
                                   got.data(), n);
        ASSERT_EQ(a, b) << "len=" << c.len << " n=" << n << " bad=" << bad;
        ASSERT_EQ(want, got) << "len=" << c.len << " n=" << n << " bad=" << bad;
      }
}

// 3-byte pixels by their sums (sums8 and rescale3): the same bytes and the
// same first pixel whose sum is outside the valid run, wherever it falls in
// a step.
TEST_P(KernelsTest, SumsStopAtTheFirstPixelOutside) {
  const std::vector<u8> level = Random(768);
  const unsigned kRuns[][2] = {{0, 766}, {3, 700}, {0, 0}, {765, 766}};
  for (const auto& run : kRuns)
    for (std::size_t n : {0, 1, 63, 64, 65, 127, 128, 130, 200})
      for (std::size_t bad = 0; bad <= n;
           bad += (bad < 3 || n - bad < 3 ? 1 : 7)) {
        std::vector<u8> src = Random(3 * n), want(n + 1, 5), got = want;
        if (bad < n)  // all 0 (sum 0) or all 255 (sum 765)
          std::fill(&src[3 * bad], &src[3 * bad + 3], run[0] > 0 ? 0 : 255);
        std::size_t a =
            s_.sums8(level.data(), run[0], run[1], src.data(), want.data(), n);
        std::size_t b =
            k_->sums8(level.data(), run[0], run[1], src.data(), got.data(), n);
        ASSERT_EQ(a, b) << "n=" << n << " bad=" << bad << " lo=" << run[0];
        ASSERT_EQ(want, got) << "n=" << n << " bad=" << bad << " lo=" << run[0];
        std::vector<u8> want3(3 * n + 1, 5), got3 = want3;
        a = s_.rescale3(Entries(), run[0], run[1], 0, src.data(), want3.data(),
                        n);
        b = k_->rescale3(Entries(), run[0], run[1], 0, src.data(), got3.data(),
                         n);
        ASSERT_EQ(a, b) << "rescale3 n=" << n << " bad=" << bad;
        ASSERT_EQ(want3, got3) << "rescale3 n=" << n << " bad=" << bad;
      }
}

TEST_P(KernelsTest, ExtremeEntriesAverageExactly) {
  // Sums from 0 to 765 through the division by three.
  std::vector<u8> src(3 * 766);
  u8 t[3 * 256];
  for (int i = 0; i < 256; ++i)
    t[i] = t[256 + i] = t[512 + i] = static_cast<u8>(i);
  for (int s = 0; s <= 765; ++s) {
    src[3 * s] = static_cast<u8>(s < 255 ? s : 255);
    src[3 * s + 1] = static_cast<u8>(s < 510 ? (s < 255 ? 0 : s - 255) : 255);
    src[3 * s + 2] = static_cast<u8>(s - src[3 * s] - src[3 * s + 1]);
  }
  std::vector<u8> got(766);
  k_->avg3to1(t, t + 256, t + 512, src.data(), got.data(), 766);
  for (int s = 0; s <= 765; ++s) ASSERT_EQ(got[s], s / 3) << s;
}

INSTANTIATE_TEST_SUITE_P(Levels, KernelsTest,
                         ::testing::Values(kKernelScalar, kKernelAvx2,
                                           kKernelAvx512Vbmi));

TEST(Kernels, TheChosenLevelIsTheBestAvailable) {
  const LutKernels* best = KernelsAt(kKernelAvx512Vbmi);
  if (!best) best = KernelsAt(kKernelAvx2);
  if (!best) best = &kScalarKernels;
  EXPECT_STREQ(Kernels().name, best->name);
}

}  // namespace
