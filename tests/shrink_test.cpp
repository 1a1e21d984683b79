// LUT1::Shrink and LUT2::Shrink through the dispatcher: the value map, the
// target positions and the fills at their rounding boundaries, the
// validation, and tables long enough that single precision rounds their
// length.
#include <cmath>
#include <limits>
#include <random>

#include "tests/harness.h"

namespace {

class ShrinkTest : public PluginTest {
 protected:
  Variable Shrink(Variable& t, double start, double end, double top,
                  double bottom, bool zeroOutside) {
    return Shrink(t, start, end, top, bottom, zorl::MakeBoolean(zeroOutside));
  }
  Variable Shrink(Variable& t, double start, double end, double top,
                  double bottom, Variable flag) {
    return Call(t, "Shrink",
                {zorl::MakeDouble(start), zorl::MakeDouble(end),
                 zorl::MakeDouble(top), zorl::MakeDouble(bottom), flag});
  }
  // The entries of a table as numbers.
  static std::vector<int> Out(Variable t) {
    std::vector<int> v;
    for (char c : Bytes(t)) v.push_back(static_cast<unsigned char>(c));
    return v;
  }
  Variable Lut2Of(const std::vector<zlong>& entries, zlong baseLine = 0) {
    return New("LUT2", {V(entries), L(baseLine)});
  }
};

std::vector<int> Repeat(int value, int count) {
  return std::vector<int>(static_cast<std::size_t>(count), value);
}

// The full window copies the table and its BaseLine.
TEST_F(ShrinkTest, FullWindowAndRangeCopyTheTable) {
  std::mt19937 rng(7);
  std::vector<zlong> entries(1000);
  for (zlong& e : entries) e = static_cast<zlong>(rng() & 0xFF);
  Variable t2 = Lut2Of(entries, -5);
  Variable t1 = New("LUT1", {V(entries)});
  for (bool flag : {false, true})
    for (Variable* t : {&t1, &t2}) {
      Variable s = Shrink(*t, 0, 1, 1, 0, flag);
      EXPECT_EQ(zorl::TypeName(s), zorl::TypeName(*t));
      EXPECT_EQ(Bytes(s), Bytes(*t));
    }
  Variable s = Shrink(t2, 0, 1, 1, 0, false);
  EXPECT_EQ(engine.GetMember(s, "BaseLine")->GetLongNumb(), -5);
  EXPECT_TRUE(TakeErrors().empty());
}

TEST_F(ShrinkTest, WindowsAtTheEdgesAndOutputRounding) {
  Variable id = New("LUT1");
  EXPECT_EQ(Out(Shrink(id, 0.5, 0.5, 1, 0, true)), Repeat(0, 256));
  // The fills are mapped values: 255 and 99 map to 128 and 50.
  EXPECT_EQ(Out(Shrink(id, 0, 0, 0.5, 0, false)), Repeat(128, 256));
  // At the table's end no position lies inside: the lower fill covers all.
  std::vector<zlong> entries(256, 40);
  entries[0] = 99;
  Variable t = New("LUT1", {V(entries)});
  EXPECT_EQ(Out(Shrink(t, 1, 1, 0.5, 0, false)), Repeat(50, 256));
  EXPECT_EQ(Out(Shrink(t, 1, 1, 1, 0, true)), Repeat(0, 256));
  // A stored 0 maps to output bottom, a stored 255 to output top, rounded.
  std::vector<int> mid = Out(Shrink(id, 0, 1, 0.75, 0.25, false));
  EXPECT_EQ(mid[0], 64);     // 63.75 + 0.5
  EXPECT_EQ(mid[255], 191);  // 127.5 + 63.75 + 0.5

  // A quarter-wide window that ends a quarter entry short of the end.
  std::vector<int> s = Out(Shrink(id, 0.7490234375, 0.9990234375, 1, 0, true));
  EXPECT_EQ(s[255], 254);
  EXPECT_EQ(s[191], 0);
  EXPECT_EQ(s[192], 2);  // positions of 0 to 2 round to 192

  // A window that ends just short of the end whose rounded end lies past
  // the last mapped position: the upper fill takes every entry above it.
  // New entries beyond 2048 start at 0, so one left unwritten would show.
  Variable wide = Lut2Of(std::vector<zlong>(5233, 200));
  EXPECT_EQ(
      Out(Shrink(wide, 3.070214233957813e-06, 0.999904453754425, 1, 0, false)),
      Repeat(200, 5233));
  EXPECT_TRUE(TakeErrors().empty());
}

// Two sources that differ in every bit of every entry shrink into tables
// that differ in every bit of every entry: positions do not depend on the
// values, so an entry that neither the mapping nor a fill wrote would hold
// the same constructor value in both.
TEST_F(ShrinkTest, EveryEntryIsWrittenAndPositionsNeverFall) {
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
      switch (round % 5) {
        case 0:
          end = 1;
          break;
        case 1:  // within half an entry of the end
          end = 1 - unit(rng) * 0.5 / static_cast<double>(n);
          start = start > end ? end : start;
          break;
        case 2:
          start = end;
          break;
        default:
          break;
      }
      Variable sa = Shrink(ta, start, end, 1, 0, false);
      Variable sb = Shrink(tb, start, end, 1, 0, false);
      std::string xa = Bytes(sa), xb = Bytes(sb);
      ASSERT_EQ(xa.size(), static_cast<std::size_t>(n));
      ASSERT_EQ(xb.size(), static_cast<std::size_t>(n));
      for (zlong i = 0; i < n; ++i)
        ASSERT_EQ(static_cast<unsigned char>(xa[i] ^ xb[i]), 0xFF)
            << "n " << n << " window " << start << " " << end << " entry " << i;
      std::vector<int> up = Out(Shrink(tid, start, end, 1, 0, false));
      for (std::size_t i = 1; i < up.size(); ++i)
        ASSERT_LE(up[i - 1], up[i]) << n << " " << start << " " << end;
    }
  }
  EXPECT_TRUE(TakeErrors().empty());
}

// Past 2^24 entries the length itself rounds in single precision; nothing
// may be written at or beyond the table's end.
TEST_F(ShrinkTest, TablesLongerThanSinglePrecisionCounts) {
  for (zlong n : {(1 << 24) + 1, (1 << 24) + 3}) {
    Variable t = New("LUT2", {L(n)});
    ASSERT_EQ(t.GetLen(), n);
    // The ramp's quotient reaches 256 on the last entries: made 255 again.
    for (zlong i = n - 3; i < n; ++i) Call(t, "SetItem", {L(i), L(255)});
    // Window 1 to 1: the lower fill alone, which may not pass the end.
    Variable s = Shrink(t, 1, 1, 0.5, 0.5, false);
    std::string b = Bytes(s);
    ASSERT_EQ(b.size(), static_cast<std::size_t>(n));
    EXPECT_EQ(b.find_first_not_of('\x80'), std::string::npos) << n;

    // Window 0.5 to 1 of the ramp: the upper half, non-decreasing, ends with
    // the last entries of the source. (The rounded length can start the
    // upper fill on the last entry: with the flag false it holds the same.)
    s = Shrink(t, 0.5, 1, 1, 0, false);
    b = Bytes(s);
    ASSERT_EQ(b.size(), static_cast<std::size_t>(n));
    EXPECT_EQ(b[0], 0);
    EXPECT_EQ(static_cast<unsigned char>(b[static_cast<std::size_t>(n - 1)]),
              255u);
    std::size_t falls = 0;
    for (std::size_t i = static_cast<std::size_t>(n / 2) + 1; i < b.size(); ++i)
      falls += static_cast<unsigned char>(b[i]) <
               static_cast<unsigned char>(b[i - 1]);
    EXPECT_EQ(falls, 0u) << n;
  }
  EXPECT_TRUE(TakeErrors().empty());
}

TEST_F(ShrinkTest, RefusedParametersAndFlags) {
  Variable id = New("LUT1");
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double bad[][4] = {
      {-0.1, 0.5, 1, 0}, {1.1, 1.1, 1, 0}, {0.6, 0.5, 1, 0}, {0, 1.5, 1, 0},
      {0, 1, 1, -0.1},   {0, 1, 1, 1.5},   {0, 1, 0, 0.5},   {0, 1, 1.5, 0},
      {nan, 1, 1, 0},    {0, nan, 1, 0},   {0, 1, nan, 0},   {0, 1, 1, nan},
  };
  const Errors refused{{ZE_BAD_PARAMETER, "parameter value refused"}};
  for (const auto& p : bad) {
    EXPECT_EQ(Shrink(id, p[0], p[1], p[2], p[3], true).GetType(), PV_EMPTY);
    EXPECT_EQ(TakeErrors(), refused)
        << p[0] << " " << p[1] << " " << p[2] << " " << p[3];
  }
  // A double that only single precision brings to 1 is accepted.
  EXPECT_EQ(Out(Shrink(id, 0, 1.00000001, 1, 0, false)), Out(id));
  EXPECT_TRUE(TakeErrors().empty());
  // The flag is read before the parameters are checked.
  EXPECT_EQ(Shrink(id, 0.75, 0.25, 1, 0, L(1)).GetType(), PV_EMPTY);
  EXPECT_EQ(TakeErrors(),
            (Errors{{ZE_NOT_BOOLEAN, "boolean expected"}, refused[0]}));
}

// A table of length 0 gives a table of length 0; one without data gives
// nothing.
TEST_F(ShrinkTest, Lut2WithoutEntriesOrData) {
  Variable empty = New("LUT2", {L(0)});
  Variable s = Shrink(empty, 0.2, 0.4, 1, 0, false);
  EXPECT_EQ(zorl::TypeName(s), "LUT2");
  EXPECT_EQ(s.GetLen(), 0);
  Variable none = New("LUT2", {L(-1)});
  EXPECT_EQ(Shrink(none, 0.2, 0.4, 1, 0, false).GetType(), PV_EMPTY);
  EXPECT_TRUE(TakeErrors().empty());
}

}  // namespace
