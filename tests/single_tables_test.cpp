// The single-channel tables where the golden scripts do not reach: LUT1 and
// LUT2 Shrink with every entry written over random windows, the validation,
// and tables long enough that single precision rounds their length; LUT2
// conversions of long sources, which run in blocks.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>

#include "tests/harness.h"

namespace {

class SingleTest : public PluginTest {
 protected:
  Variable Shrink(Variable& t, double start, double end, double top,
                  double bottom, Variable flag) {
    return Call(t, "Shrink", {D(start), D(end), D(top), D(bottom), flag});
  }
  Entries Shrunk(Variable& t, double start, double end, double top,
                 double bottom, bool zeroOutside) {
    return U(
        Shrink(t, start, end, top, bottom, zorl::MakeBoolean(zeroOutside)));
  }
  Variable Lut2Of(const std::vector<zlong>& entries, zlong baseLine = 0) {
    return New("LUT2", {V(entries), L(baseLine)});
  }
};

// Two sources that differ in every bit of every entry shrink into tables
// that differ in every bit of every entry: positions do not depend on the
// values, so an entry that neither the mapping nor a fill wrote would hold
// the same constructor value in both.
TEST_F(SingleTest, ShrinkWritesEveryEntryAndPositionsNeverFall) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (zlong n : {1, 2, 3, 7, 255, 256, 257, 1000, 2047, 2049, 5233}) {
    std::vector<zlong> a(static_cast<std::size_t>(n)), b(a.size()),
        id(a.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
      a[i] = static_cast<zlong>(rng() & 0xFF);
      b[i] = a[i] ^ 0xFF;
      id[i] = static_cast<zlong>(i * 256 / a.size());  // non-decreasing
    }
    Variable ta = Lut2Of(a), tb = Lut2Of(b), tid = Lut2Of(id);
    for (int round = 0; round < 40; ++round) {
      double start = unit(rng), end = unit(rng);
      if (start > end) std::swap(start, end);
      if (round % 5 == 0) end = 1;
      if (round % 5 == 1) {  // within half an entry of the end
        end = 1 - unit(rng) * 0.5 / static_cast<double>(n);
        start = start > end ? end : start;
      }
      if (round % 5 == 2) start = end;
      Entries xa = Shrunk(ta, start, end, 1, 0, false);
      Entries xb = Shrunk(tb, start, end, 1, 0, false);
      ASSERT_EQ(xa.size(), static_cast<std::size_t>(n));
      ASSERT_EQ(xb.size(), static_cast<std::size_t>(n));
      for (zlong i = 0; i < n; ++i)
        ASSERT_EQ(xa[i] ^ xb[i], 0xFF)
            << "n " << n << " window " << start << " " << end << " entry " << i;
      Entries up = Shrunk(tid, start, end, 1, 0, false);
      for (std::size_t i = 1; i < up.size(); ++i)
        ASSERT_LE(up[i - 1], up[i]) << n << " " << start << " " << end;
    }
  }
  EXPECT_TRUE(TakeErrors().empty());
}

// Past 2^24 entries the length itself rounds in single precision; nothing
// may be written at or beyond the table's end.
TEST_F(SingleTest, ShrinkOfTablesLongerThanSinglePrecisionCounts) {
  for (zlong n : {(1 << 24) + 1, (1 << 24) + 3}) {
    Variable t = New("LUT2", {L(n)});
    // The ramp's quotient reaches 256 on the last entries: made 255 again.
    for (zlong i = n - 3; i < n; ++i) Call(t, "SetItem", {L(i), L(255)});
    // Window 1 to 1: the lower fill alone, which may not pass the end.
    Entries b = Shrunk(t, 1, 1, 0.5, 0.5, false);
    ASSERT_EQ(b.size(), static_cast<std::size_t>(n));
    EXPECT_EQ(b, Entries(b.size(), 128)) << n;
    // Window 0.5 to 1 of the ramp: the upper half, non-decreasing, ends with
    // the last entries of the source.
    b = Shrunk(t, 0.5, 1, 1, 0, false);
    ASSERT_EQ(b.size(), static_cast<std::size_t>(n));
    EXPECT_EQ(b[0], 0);
    EXPECT_EQ(b.back(), 255);
    EXPECT_TRUE(std::is_sorted(b.begin() + n / 2, b.end())) << n;
  }
  EXPECT_TRUE(TakeErrors().empty());
}

TEST_F(SingleTest, ShrinkRefusesWindows) {
  Variable id = New("LUT1");
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double bad[][4] = {
      {-0.1, 0.5, 1, 0}, {1.1, 1.1, 1, 0}, {0.6, 0.5, 1, 0}, {0, 1.5, 1, 0},
      {0, 1, 1, -0.1},   {0, 1, 1, 1.5},   {0, 1, 0, 0.5},   {0, 1, 1.5, 0},
      {nan, 1, 1, 0},    {0, nan, 1, 0},   {0, 1, nan, 0},   {0, 1, 1, nan},
  };
  for (const auto& p : bad) {
    Variable r = Shrink(id, p[0], p[1], p[2], p[3], zorl::MakeBoolean(true));
    EXPECT_EQ(r.GetType(), PV_EMPTY);
    EXPECT_EQ(TakeErrors(), Errors{kRefused})
        << p[0] << " " << p[1] << " " << p[2] << " " << p[3];
  }
}

// A bad pixel anywhere, at a block's edges too, stops Convert2To1 there and
// is reported by Convert2To3, which goes on.
TEST_F(SingleTest, Lut2BadPixelsAnywhereInLongSources) {
  Variable t = New("LUT2", {V({10, 20, 30, 40, 50}), L(2)});  // -2 .. 2
  for (int bad : {0, 1, 1023, 1024, 1025, 2047, 2048, 2999}) {
    std::vector<int> pixels(3000);
    for (std::size_t i = 0; i < pixels.size(); ++i)
      pixels[i] = static_cast<int>(i % 5) - 2;
    pixels[bad] = 3;
    if (bad + 7 < 3000) pixels[bad + 7] = -32768;
    std::string one(3000, '\0'), three(9000, '\0');
    for (int i = 0; i < 3000; ++i) {
      int p = pixels[i];
      if (p < -2 || p > 2) continue;
      char v = static_cast<char>(10 * (p + 3));
      if (i < bad) one[i] = v;
      three.replace(3 * i, 3, 3, v);
    }
    char text[64];
    std::snprintf(text, sizeof text, "offset = %d, pixel value = 0x0005", bad);
    Errors want{PixelError(text)};
    EXPECT_EQ(zorl::StringBytes(Call(t, "Convert2To1", {S(W(pixels))})), one);
    EXPECT_EQ(TakeErrors(), want) << bad;
    if (bad + 7 < 3000) {
      std::snprintf(text, sizeof text, "offset = %d, pixel value = 0xffff8002",
                    bad + 7);
      want.push_back(PixelError(text));
    }
    EXPECT_EQ(zorl::StringBytes(Call(t, "Convert2To3", {S(W(pixels))})), three);
    EXPECT_EQ(TakeErrors(), want) << bad;
  }
}

}  // namespace
