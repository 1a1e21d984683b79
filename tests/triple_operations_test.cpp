// Shrinks of LUT3 and LUTC3 over random tables: compared with the
// single-channel shrink, and every entry written. (The golden
// scripts pin the other whole-table operations and their edges.)
#include <random>

#include "tests/harness.h"

namespace {

class TripleOperationsTest : public PluginTest {
 protected:
  // t.Shrink(start, end, top, bottom, flags...).
  Variable Shrink(Variable& t, double start, double end, double top,
                  double bottom, std::vector<Variable> flags) {
    std::vector<Variable> args{D(start), D(end), D(top), D(bottom)};
    args.insert(args.end(), flags.begin(), flags.end());
    return Call(t, "Shrink", args);
  }
  Variable Shrink(Variable& t, double s, double e, double top, double bottom,
                  bool below) {
    return Shrink(t, s, e, top, bottom, {zorl::MakeBoolean(below)});
  }
  Variable Shrink2(Variable& t, double s, double e, bool below, bool above) {
    return Shrink(t, s, e, 1, 0,
                  {zorl::MakeBoolean(below), zorl::MakeBoolean(above)});
  }
};

// Each colour table of a shrunk LUT3 is the single-channel shrink of that
// table's bytes, and so is the gray table of its 3n bytes wherever the two
// starts round alike (the gray start is kept in double precision). With two
// flags, every entry is that of the single shrink with the flag of its side.
TEST_F(TripleOperationsTest, Lut3ShrinkMatchesTheSingleChannelShrink) {
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int n : {1, 2, 5, 85, 256, 1000}) {
    std::vector<Entries> tables(3, Entries(static_cast<std::size_t>(n)));
    tables.push_back(Entries(3u * n));
    for (Entries& e : tables)
      for (int& x : e) x = static_cast<int>(rng() & 0xFF);
    Variable t = New("LUT3", {Vec(tables[0]), Vec(tables[1]), Vec(tables[2]),
                              Vec(tables[3])});
    SetBaseLine(t, 12);
    std::vector<Variable> singles;
    for (Entries& e : tables) singles.push_back(New("LUT2", {Vec(e), L(0)}));
    for (int round = 0; round < 16; ++round) {
      double s = unit(rng), e = unit(rng), top = unit(rng), bottom = unit(rng);
      if (s > e) std::swap(s, e);
      if (bottom > top) std::swap(bottom, top);
      if (round % 4 == 1) e = 1;
      if (round % 4 == 2) s = e;
      if (round == 3) s = 0, e = 1, top = 1, bottom = 0;
      bool below = round & 1, above = (round >> 1) & 1;
      Variable shrunk = Shrink(t, s, e, top, bottom, below);
      EXPECT_EQ(BaseLineOf(shrunk), 12);
      Entries one = U(shrunk);
      Entries two =
          U(Shrink(t, s, e, top, bottom,
                   {zorl::MakeBoolean(below), zorl::MakeBoolean(above)}));
      ASSERT_EQ(one.size(), 6u * n);
      ASSERT_EQ(two.size(), 6u * n);
      for (std::size_t k = 0; k < 4; ++k) {
        Entries lo = U(Shrink(singles[k], s, e, top, bottom, below));
        Entries up = U(Shrink(singles[k], s, e, top, bottom, above));
        std::size_t len = k < 3 ? n : 3u * n, at = k < 3 ? k * n : 3u * n;
        ASSERT_EQ(Slice(one, at, len), lo) << "n " << n << " table " << k;
        Entries got = Slice(two, at, len);
        std::size_t i = 0;
        while (i < len && got[i] == lo[i]) ++i;
        while (i < len && got[i] == up[i]) ++i;
        ASSERT_EQ(i, len) << "n " << n << " table " << k << " round " << round;
      }
    }
  }
  // 768 times this start is 2.4999999 in double precision and 2.5 in
  // single: the gray table's lower fill covers 2 entries, not 3.
  const double start = 0.0032552082557231188;
  Variable nines = New("LUT3", {Vec(Entries(256, 9)), Vec(Entries(256, 9)),
                                Vec(Entries(256, 9)), Vec(Entries(768, 9))});
  Entries e = U(Shrink(nines, start, 1, 1, 0, true));
  EXPECT_EQ(Slice(e, 768, 4), (Entries{0, 0, 9, 9}));
  EXPECT_EQ(Slice(e, 0, 2), (Entries{0, 9}));  // 0.83 rounds to 1
  EXPECT_TRUE(TakeErrors().empty());
}

// Two LUTC3 sources that differ in every colour bit shrink into tables that
// differ in every colour bit: an entry that no step wrote would hold the
// same constructor value in both. Nothing lands beyond the table either.
TEST_F(TripleOperationsTest, Lutc3ShrinkWritesEveryEntryAndNoMore) {
  std::mt19937 rng(13);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int n : {1, 2, 3, 7, 255, 256, 257, 1000}) {
    std::vector<Entries> x(3, Entries(n)), y(3, Entries(n));
    for (int k = 0; k < 3; ++k)
      for (int i = 0; i < n; ++i) y[k][i] = (x[k][i] = rng() & 0xFF) ^ 0xFF;
    Entries zero(n, 0);
    Variable a = New("LUTC3", {Vec(x[0]), Vec(x[1]), Vec(x[2]), Vec(zero)});
    Variable b = New("LUTC3", {Vec(y[0]), Vec(y[1]), Vec(y[2]), Vec(zero)});
    for (int round = 0; round < 24; ++round) {
      double s = unit(rng), e = unit(rng);
      if (s > e) std::swap(s, e);
      if (round % 3 == 0) e = 1 - unit(rng) * 0.5 / n;  // near the end
      if (round % 3 == 1) s = e;
      if (s > e) s = e;
      // Zero fills only where a flag asks for them.
      bool below = round % 4 == 1, above = round % 4 == 2;
      Entries p = U(Shrink2(a, s, e, below, above));
      Entries q = U(Shrink2(b, s, e, below, above));
      ASSERT_EQ(p.size(), 4u * n);
      ASSERT_EQ(q.size(), p.size());
      for (int i = 0; i < 3 * n; ++i)
        ASSERT_TRUE((p[i] ^ q[i]) == 0xFF ||
                    ((below || above) && p[i] == 0 && q[i] == 0))
            << "n " << n << " " << s << " " << e << " byte " << i;
      EXPECT_EQ(Slice(p, 3u * n, n), zero);
    }
  }
  EXPECT_TRUE(TakeErrors().empty());
}

}  // namespace
