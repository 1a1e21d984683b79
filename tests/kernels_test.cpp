// Every kernel level writes exactly the bytes of the plain loop: random
// tables and pixels, every length from 0 to 130 pixels, unaligned buffers,
// and in place where a kernel allows it.
#include "frame/kernels.h"

#include <gtest/gtest.h>

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

  const LutKernels* k_ = nullptr;
  const LutKernels& s_ = kScalarKernels;
  std::mt19937 rng_{2024};
  u8 tables_[3 * 256];
};

TEST_P(KernelsTest, OneByteSources) {
  for (std::size_t n = 0; n <= 130; ++n) {
    for (std::size_t skew = 0; skew < 3; ++skew) {
      std::vector<u8> src = Random(n + skew), want(3 * n + 1, 7), got = want;
      const u8* in = src.data() + skew;
      s_.map8(T(0), in, want.data(), n);
      k_->map8(T(0), in, got.data(), n);
      ASSERT_EQ(want, got) << "map8 n=" << n;
      std::vector<u8> inPlace(in, in + n);
      k_->map8(T(0), inPlace.data(), inPlace.data(), n);
      ASSERT_TRUE(std::equal(inPlace.begin(), inPlace.end(), want.begin()));

      s_.map8to3(T(0), T(1), T(2), in, want.data(), n);
      k_->map8to3(T(0), T(1), T(2), in, got.data(), n);
      ASSERT_EQ(want, got) << "map8to3 n=" << n;
      s_.map8to3(T(1), T(1), T(1), in, want.data() + 1, n);  // gray, unaligned
      k_->map8to3(T(1), T(1), T(1), in, got.data() + 1, n);
      ASSERT_EQ(want, got) << "map8to3 gray n=" << n;
      std::vector<u8> same(T(2), T(2) + 256);  // equal entries, elsewhere
      s_.map8to3(T(2), same.data(), T(2), in, want.data(), n);
      k_->map8to3(T(2), same.data(), T(2), in, got.data(), n);
      ASSERT_EQ(want, got) << "map8to3 equal tables n=" << n;
    }
  }
}

TEST_P(KernelsTest, ThreeByteSources) {
  for (std::size_t n = 0; n <= 130; ++n) {
    std::vector<u8> src = Random(3 * n + 1), want(3 * n + 2, 9), got = want;
    const u8* in = src.data() + 1;
    s_.map3to3(T(0), T(1), T(2), in, want.data(), n);
    k_->map3to3(T(0), T(1), T(2), in, got.data(), n);
    ASSERT_EQ(want, got) << "map3to3 n=" << n;
    std::vector<u8> inPlace(in, in + 3 * n);
    k_->map3to3(T(0), T(1), T(2), inPlace.data(), inPlace.data(), n);
    ASSERT_TRUE(std::equal(inPlace.begin(), inPlace.end(), want.begin()));

    s_.avg3to1(T(0), T(1), T(2), in, want.data() + 1, n);
    k_->avg3to1(T(0), T(1), T(2), in, got.data() + 1, n);
    ASSERT_EQ(want, got) << "avg3to1 n=" << n;
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
