// LUT3 and LUTC3 tables through the dispatcher, where the golden script does
// not reach: the conversions between the two classes over random tables,
// and items addressed outside a table.
#include <random>

#include "tests/harness.h"

namespace {

class TripleTablesTest : public PluginTest {
 protected:
  Variable Ref(Variable& v) { return zorl::MakeReference(&v); }
};

// A LUT3 turned into a LUTC3 and back, over random tables and sizes: the
// colour tables survive, the gray table becomes each channel entry's gray
// level or colour mean, and converting again changes nothing more.
TEST_F(TripleTablesTest, RoundTripsOverRandomTables) {
  std::mt19937 rng(5);
  for (int round = 0; round < 40; ++round) {
    int n = 1 + static_cast<int>(rng() % 300);
    Entries r(n), g(n), b(n), gray(3 * n);
    for (int i = 0; i < n; ++i) {
      int kind = rng() % 3;  // gray entries, black ones and colours
      r[i] = kind == 1 ? 0 : rng() % 256;
      g[i] = kind == 2 ? rng() % 256 : r[i];
      b[i] = kind == 2 ? rng() % 256 : r[i];
    }
    for (int& v : gray) v = rng() % 256;
    Variable l0 = New("LUT3", {Vec(r), Vec(g), Vec(b), Vec(gray)});
    SetBaseLine(l0, round - 20);
    Variable c1 = New("LUTC3", {Ref(l0)});
    Variable l1 = New("LUT3", {Ref(c1)});
    Variable c2 = New("LUTC3", {Ref(l1)});
    ASSERT_TRUE(TakeErrors().empty());
    EXPECT_EQ(BaseLineOf(l1), round - 20);
    Entries e0 = U(l0), ec = U(c1), e1 = U(l1);
    int m = 3 * n;
    ASSERT_EQ(ec.size(), 4u * m);
    for (int j = 0; j < m; ++j) {
      int q = j / 3;
      bool isGray = r[q] == g[q] && g[q] == b[q];
      Entries entry{ec[j], ec[m + j], ec[2 * m + j], ec[3 * m + j]};
      Entries want =
          isGray ? Entries{0, 0, 0, r[q]} : Entries{r[q], g[q], b[q], 0};
      EXPECT_EQ(entry, want) << "n " << n << " j " << j;
      EXPECT_EQ(e1[3 * n + j], (r[q] + g[q] + b[q]) / 3) << n << " " << j;
    }
    EXPECT_EQ(Slice(e1, 0, 3 * n), Slice(e0, 0, 3 * n));
    EXPECT_EQ(U(c2), ec) << n;
  }
}

// Items are addressed by the byte offset k * n + i over the whole table;
// tables by a number from 0 to 3.
TEST_F(TripleTablesTest, ItemsAndTablesOutside) {
  Variable t = New("LUT3", {L(10)});
  Call(t, "SetItem", {L(2), L(-3), L(-2)});  // green[7], byte 0xFE
  EXPECT_EQ(U(t)[17], 254);
  Variable c = New("LUTC3", {L(2)});  // m = 6
  std::string before3 = Bytes(t), beforeC3 = Bytes(c);
  // (k, i) pairs outside 0 .. 6n - 1 and 0 .. 4m - 1; the large k would
  // wrap into the table if k * n were computed in 32 bits.
  const std::vector<std::pair<zlong, zlong>> lut3Bad = {
      {0, 60}, {-1, 0}, {0, -1}, {6, 0}, {429496730, 4}};
  const std::vector<std::pair<zlong, zlong>> lutc3Bad = {
      {0, 24}, {4, 0}, {-1, 5}, {715827883, 6}};
  for (auto [obj, bad] :
       {std::make_pair(&t, lut3Bad), std::make_pair(&c, lutc3Bad)}) {
    for (auto [k, i] : bad) {
      Call(*obj, "SetItem", {L(k), L(i), L(1)});
      EXPECT_EQ(Call(*obj, "GetItem", {L(k), L(i)}).GetType(), PV_EMPTY);
      EXPECT_EQ(TakeErrors(), (Errors{kOutOfRange, kOutOfRange})) << k;
    }
    for (zlong k : {-1, 4, 0x7FFFFFFF}) {
      EXPECT_EQ(Call(*obj, "GetTable", {L(k)}).GetType(), PV_EMPTY);
      EXPECT_EQ(TakeErrors(), Errors{kRefused});
    }
  }
  EXPECT_EQ(Bytes(t), before3);
  EXPECT_EQ(Bytes(c), beforeC3);
  Variable none = NoData("LUTC3");
  EXPECT_EQ(zorl::Describe(Call(none, "GetTable", {L(0)})), "[]");
}

}  // namespace
