// LUT3 and LUTC3 where the golden scripts do not reach: conversions between
// the two classes over random tables, items addressed outside a table, the
// texts of voxel lookups that fail and the exact colour rule, and shrinks
// compared with the single-channel shrink, every entry written.
#include <random>

#include "tests/harness.h"
#include "triple/colour.h"

namespace {

class TripleTest : public PluginTest {
 protected:
  Variable Colour(zlong clrf) { return New("ColorRef", {L(clrf)}); }
  // The clrf of a ColorRef result; -1 for anything else.
  zlong Clrf(Variable& r) {
    if (zorl::TypeName(r) != "ColorRef") return -1;
    return engine.GetMember(r, "clrf")->GetLongNumb();
  }
  zlong Voxel(Variable& t, Variable arg) {
    Variable r = Call(t, "ConvertVoxel", {arg});
    return Clrf(r);
  }
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

// A LUT3 turned into a LUTC3 and back, over random tables and sizes: the
// colour tables survive, the gray table becomes each channel entry's gray
// level or colour mean, and converting again changes nothing more.
TEST_F(TripleTest, RoundTripsOverRandomTables) {
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
    Variable c1 = New("LUTC3", {zorl::MakeReference(&l0)});
    Variable l1 = New("LUT3", {zorl::MakeReference(&c1)});
    Variable c2 = New("LUTC3", {zorl::MakeReference(&l1)});
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
TEST_F(TripleTest, ItemsAndTablesOutside) {
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

// Lookups that fail, each with its text.
TEST_F(TripleTest, IndexesOutsideTheTable) {
  struct Case {
    const char* cls;
    zlong n;  // the constructor's number; 0 for the default table
    bool colour;
    zlong value, base;
    const char* text;
  } cases[] = {
      // v + BaseLine beyond the host's long, shown saturated.
      {"LUT3", 0, false, 0x7FFFFFFF, 10,
       "offset = 2147483647, pixel value = 0x7fffffff"},
      // The first component (red, green, blue) beyond the table is
      // reported.
      {"LUT3", 100, true, 0x647832, 0,
       "offset = 120, pixel value = 0x647832(50,120,100)"},
      // 3 * 0x55555556 wraps to 2 in 32 bits.
      {"LUTC3", 0, false, 0x55555556, 0,
       "offset = 2147483647, pixel value = 0x55555556"},
      {"LUTC3", 0, true, 0x000010, -100,
       "offset = -284, pixel value = 0x0010(-84,-100,-100)"},
      // Components beyond the host's long, shown saturated.
      {"LUTC3", 0, true, 0xFFFFFF, 0x7FFFFFF0,
       "offset = 2147483647, pixel value = "
       "0xffffff(2147483647,2147483647,2147483647)"},
      // Without data: the LUTC3 colour form tests its index first; the
      // LUT3 one returns silently.
      {"LUTC3", -1, true, 0x123456, 0,
       "offset = 156, pixel value = 0x123456(86,52,18)"},
      {"LUT3", -1, true, 0x123456, 0, nullptr},
  };
  for (const Case& c : cases) {
    Variable t = c.n ? New(c.cls, {L(c.n)}) : New(c.cls);
    TakeErrors();
    SetBaseLine(t, c.base);
    EXPECT_EQ(Voxel(t, c.colour ? Colour(c.value) : L(c.value)), -1);
    EXPECT_EQ(TakeErrors(), c.text ? Errors{PixelError(c.text)} : Errors{})
        << (c.text ? c.text : "");
  }
}

// The rescaling is exact for every table size: 64-bit products would
// overflow for the largest tables and components.
TEST(ColourRuleTest, MulDivIsExact) {
  std::mt19937_64 rng(7);
  const unsigned long long limit = 1ULL << 47;
  for (int i = 0; i < 100000; ++i) {
    unsigned long long a = rng() >> 32, b = rng() % limit,
                       c = 1 + rng() % (limit - 1);
    if (i % 3 == 0) c = 1 + rng() % 1000;
    unsigned long long expect = 0;
#ifdef __SIZEOF_INT128__
    __extension__ typedef unsigned __int128 Wide;
    Wide wide = static_cast<Wide>(a) * b / c;
    if (wide >> 63) continue;  // the quotient must fit
    expect = static_cast<unsigned long long>(wide);
#else
    if (b != 0 && a > (~0ULL >> 1) / b) continue;
    expect = a * b / c;
#endif
    ASSERT_EQ(MulDiv(a, b, c), expect) << a << " " << b << " " << c;
  }
  // The largest table a host long can describe, with a BaseLine near a
  // third of it: f * r leaves 64 bits; the result is still exact.
  const zlong m = 0x7FFFFFFF / 4;
  const long long r = m / 3 - 300, g = r, b = r + 255;
  EXPECT_EQ(GrayScaledColour(m, 255, r, g, b), PackColour(254, 254, 255));
}

// Handed what no signature lets through, the handlers refuse it and touch
// nothing; a reference to a ColorRef is followed.
TEST_F(TripleTest, ArgumentsThatAreNoColorRef) {
  Variable lut1 = New("LUT1");
  const std::string before = zorl::Describe(lut1);
  for (const MethodEntry& m : engine.Modules()[0].methods) {
    std::string sig = m.signature;
    if (sig.find("ConvertVoxel(refer object ColorRef)") == std::string::npos)
      continue;
    Variable table = New(sig.substr(0, sig.find(':')));
    Variable colour = Colour(0x010203);
    std::vector<Variable> args{lut1, L(5), Variable(), S("abc")};
    args.push_back(zorl::MakeReference(&colour));
    for (Variable& arg : args) {
      zorl::Engine::Scope scope(engine);
      VarRegister result;
      VarRegister slots[2] = {VarRegister(&arg), VarRegister(&table)};
      m.handler(&result, slots, 2, engine.GetProcessor());
      Variable r = *static_cast<Variable*>(result);
      bool ok = &arg == &args.back();
      // In the LUTC3, sum 6 is a gray entry of level 1.
      EXPECT_EQ(Clrf(r), !ok ? -1 : sig[3] == 'C' ? 0x000101 : 0x010203);
      Errors refused{{3, "ColorRef expected"}};
      EXPECT_EQ(TakeErrors(), ok ? Errors() : refused) << sig;
    }
  }
  EXPECT_EQ(zorl::Describe(lut1), before);
}

// Each colour table of a shrunk LUT3 is the single-channel shrink of that
// table's bytes, and so is the gray table of its 3n bytes wherever the two
// starts round alike (the gray start is kept in double precision). With two
// flags, every entry is that of the single shrink with the flag of its
// side.
TEST_F(TripleTest, Lut3ShrinkMatchesTheSingleChannelShrink) {
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
TEST_F(TripleTest, Lutc3ShrinkWritesEveryEntryAndNoMore) {
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
