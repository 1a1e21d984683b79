// Whole-table operations of LUT3 and LUTC3 through the dispatcher, where the
// golden script does not reach: indexes that would leave a table, sizes the
// host's long cannot hold, aliased operands, and shrinks compared with the
// single-channel shrink over random tables.
#include <cmath>
#include <limits>
#include <random>

#include "tests/harness.h"

namespace {

const zlong kMin = std::numeric_limits<zlong>::min();
const zlong kMax = std::numeric_limits<zlong>::max();

class TripleOperationsTest : public PluginTest {
 protected:
  Variable Lutc3Of(const Entries& r, const Entries& g, const Entries& b,
                   const Entries& gray) {
    return New("LUTC3", {Vec(r), Vec(g), Vec(b), Vec(gray)});
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
  Variable Transform(Variable& t, zlong low, zlong high) {
    return Call(t, "Transform", {D(2.0), D(0.0), L(low), L(high), New("RECT")});
  }
};

Entries Ramp(int n, int from = 0) {
  Entries e;
  for (int i = 0; i < n; ++i) e.push_back(from + i);
  return e;
}

// A table of 42 channel entries has 252 bytes: a byte value of 252 or more
// lies beyond it and is reported; the bytes before are composed, the rest
// are b's. The result takes b's BaseLine; b itself is not changed.
TEST_F(TripleOperationsTest, Lut3CompositionWithASmallObject) {
  Variable a = New("LUT3", {L(42)}), b = New("LUT3");
  SetBaseLine(b, -3);
  Entries ea = U(a), eb = U(b);
  Variable c = Call(a, "*", {b});
  Entries out = U(c);
  EXPECT_EQ(TakeErrors(),
            Errors{PixelError("offset = 252, pixel value = 0x00fc")});
  ASSERT_EQ(out.size(), 1536u);
  EXPECT_EQ(Slice(out, 0, 252), Slice(ea, 0, 252));
  EXPECT_EQ(Slice(out, 252, 1536 - 252), Slice(eb, 252, 1536 - 252));
  EXPECT_EQ(BaseLineOf(c), -3);
  EXPECT_EQ(U(b), eb);
  // 43 entries hold 258 bytes: every byte value lies inside.
  Variable a43 = New("LUT3", {L(43)});
  Entries e43 = U(a43);
  out = U(Call(a43, "*", {b}));
  EXPECT_TRUE(TakeErrors().empty());
  for (int k = 0; k < 1536; ++k) ASSERT_EQ(out[k], e43[eb[k]]) << k;
  // An object of no entries: the first byte is reported, even a 0.
  Variable none = New("LUT3", {L(0)});
  EXPECT_EQ(U(Call(none, "*", {b})), eb);
  EXPECT_EQ(TakeErrors(),
            Errors{PixelError("offset = 0, pixel value = 0x0000")});
}

TEST_F(TripleOperationsTest, CompositionOperandsAndAliases) {
  Variable a3 = New("LUT3"), c3 = New("LUTC3");
  for (Variable arg : {c3, L(5), S("abc"), Variable()}) {
    EXPECT_EQ(Call(a3, "*", {arg}).GetType(), PV_EMPTY);
    EXPECT_EQ(TakeErrors(), (Errors{{3, "LUT3 expected"}}));
  }
  for (const char* cls : {"LUT3", "LUTC3"}) {
    // Operands without data or without entries: the plain copy of b.
    Variable a = New(cls), empty = New(cls, {L(0)}), none = NoData(cls);
    Variable c = Call(a, "*", {empty});
    EXPECT_EQ(zorl::TypeName(c), cls);
    EXPECT_EQ(c.GetLen(), 0);
    EXPECT_EQ(Call(a, "*", {none}).GetData(), nullptr);
    EXPECT_EQ(U(Call(none, "*", {a})), U(a));
    // A table composed with itself reads the table as it was.
    Entries before = U(a), sq = U(Call(a, "*", {a}));
    EXPECT_EQ(U(a), before) << cls;
    if (cls[3] != 'C') {
      EXPECT_EQ(sq, before);
    }
    EXPECT_TRUE(TakeErrors().empty()) << cls;
  }
}

// Colour entries take a's colour at their sum index, gray entries a's gray
// at 3 * (gray + BaseLine), tested against a's own count; an error stops at
// the entry, whose gray byte may already be new.
TEST_F(TripleOperationsTest, Lutc3Composition) {
  Variable pal = Lutc3Of(Ramp(9, 100), Ramp(9, 110), Ramp(9, 120),
                         Entries{0, 0, 0, 7, 0, 0, 5, 0, 0});
  Variable arg = Lutc3Of(Entries{1, 0, 2}, Entries{1, 0, 3}, Entries{0, 7, 1},
                         Entries{0, 1, 2});
  EXPECT_EQ(U(Call(pal, "*", {arg})),
            (Entries{102, 107, 106, 112, 117, 116, 122, 127, 126, 0, 7, 5}));
  EXPECT_TRUE(TakeErrors().empty());
  SetBaseLine(pal, 1);
  EXPECT_EQ(U(Call(pal, "*", {arg})),
            (Entries{105, 0, 2, 115, 0, 3, 125, 7, 1, 7, 5, 2}));
  EXPECT_EQ(TakeErrors(),
            Errors{PixelError("offset = 1, pixel value = 0x000a")});

  Variable big = New("LUTC3", {L(1024)}), b = New("LUTC3");
  SetBaseLine(big, 5);
  Entries eg = U(big), gb = Slice(U(b), 2304, 768),
          out = U(Call(big, "*", {b}));
  EXPECT_TRUE(TakeErrors().empty());
  for (int j = 0; j < 768; ++j) {
    ASSERT_EQ(out[2304 + j], eg[3 * 3072 + 3 * (gb[j] + 5)]) << j;
    ASSERT_EQ(out[j], eg[15]) << j;  // every colour of b is black: sum 15
  }
  // A gray byte of 255 in 700 entries: g = 765 is reported before the entry
  // changes; the entries before it are composed, the rest are b's.
  Entries gray(700, 0), colour(700, 4);
  gray[10] = 255;
  gray[3] = 1;
  Variable b7 = Lutc3Of(colour, colour, colour, gray);
  Variable a = Lutc3Of(Ramp(700), Ramp(700), Ramp(700), Ramp(700, 1));
  Entries ea = U(a), eb = U(b7);
  out = U(Call(a, "*", {b7}));
  EXPECT_EQ(TakeErrors(),
            Errors{PixelError("offset = 10, pixel value = 0x02fd")});
  for (int j = 0; j < 10; ++j) {
    EXPECT_EQ(out[j], ea[12]) << j;  // a.red[4 + 4 + 4]
    EXPECT_EQ(out[2100 + j], j == 3 ? ea[2100 + 3] : ea[2100]) << j;
  }
  EXPECT_EQ(Slice(out, 2110, 690), Slice(eb, 2110, 690));
  // A negative BaseLine: the gray index of a gray byte 0 is -3. One so
  // large that 3 * (gray + base) leaves 32 bits: reported, saturated.
  for (auto [base, text] :
       {std::make_pair(-1, "offset = 0, pixel value = 0xfffffffd"),
        std::make_pair(0x7FFFFFFF, "offset = 0, pixel value = 0x7fffffff")}) {
    SetBaseLine(a, base);
    Call(a, "*", {b7});
    EXPECT_EQ(TakeErrors(), Errors{PixelError(text)});
  }
}

// Ranges and lengths whose table the host's long cannot size are refused
// before anything changes; a table without data still gets its ramp.
TEST_F(TripleOperationsTest, TransformAndStretchSizes) {
  Variable t = New("LUT3", {L(4)});
  SetBaseLine(t, 9);
  Entries before = U(t);
  Transform(t, kMin, kMax);
  EXPECT_EQ(TakeErrors(),
            (Errors{{3, "channel length 8589934592 out of range"}}));
  Transform(t, 0, 1 << 28);
  EXPECT_EQ(TakeErrors(),
            (Errors{{3, "channel length 536870912 out of range"}}));
  EXPECT_EQ(U(t), before);
  EXPECT_EQ(BaseLineOf(t), 9);
  Variable c = New("LUTC3", {L(4)});
  Transform(c, 1, 1 << 27);
  EXPECT_EQ(TakeErrors(), (Errors{{3, "entry count 805306368 out of range"}}));
  EXPECT_EQ(c.GetLen(), 48);
  for (const char* cls : {"LUT3", "LUTC3"}) {
    Variable none = NoData(cls);
    Transform(none, 10, 11);
    EXPECT_EQ(BaseLineOf(none), -10);
    EXPECT_EQ(none.GetLen(), cls[3] == 'C' ? 48 : 24);
    none = NoData(cls);
    EXPECT_EQ(Call(none, "Stretch", {L(4)}).GetType(), PV_EMPTY);
    EXPECT_EQ(Call(none, "IsGrayScale").GetType(), PV_EMPTY);
    EXPECT_TRUE(TakeErrors().empty());
  }
  Variable t3 = New("LUT3"), c3 = New("LUTC3");
  for (auto [obj, n, error] :
       {std::make_tuple(&t3, kMin, kRefused),
        std::make_tuple(
            &t3, 400000000,
            ScriptError{3, "channel length 400000000 out of range"}),
        std::make_tuple(
            &c3, 600000000,
            ScriptError{3, "entry count 600000000 out of range"})}) {
    EXPECT_EQ(Call(*obj, "Stretch", {L(n)}).GetType(), PV_EMPTY);
    EXPECT_EQ(TakeErrors(), Errors{error}) << n;
  }
  // Products beyond 32 bits: a stretch to the same length copies the
  // colour tables.
  Variable big = New("LUT3", {L(100000)});
  Variable s = Call(big, "Stretch", {L(100000)});
  EXPECT_TRUE(Bytes(s).substr(0, 300000) == Bytes(big).substr(0, 300000));
}

TEST_F(TripleOperationsTest, StretchEdges) {
  // A table of one channel entry: the gray index -1 of the last new entry
  // is taken as 0, not as the blue byte before the gray table.
  Variable one = New("LUT3", {V({10}), V({20}), V({30}), V({1, 2, 3})});
  EXPECT_EQ(U(Call(one, "Stretch", {L(2)})),
            (Entries{10, 10, 20, 20, 30, 30, 1, 1, 1, 1, 1, 1}));
  // No channel entries: N entries of 0, BaseLine kept.
  Variable empty = New("LUT3", {L(0)});
  SetBaseLine(empty, 4);
  Variable s = Call(empty, "Stretch", {L(3)});
  EXPECT_EQ(U(s), Entries(18, 0));
  EXPECT_EQ(BaseLineOf(s), 4);
  // LUTC3: colour bytes of a gray entry are dropped; colour entries keep
  // gray 0.
  Variable m = Lutc3Of({1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {0, 50, 0});
  EXPECT_EQ(
      U(Call(m, "Stretch", {L(5)})),
      (Entries{1, 1, 0, 0, 3, 4, 4, 0, 0, 6, 7, 7, 0, 0, 9, 0, 0, 50, 50, 0}));
  // IsGrayScale looks at any one position of any channel, not at gray.
  for (int k = 0; k < 3; ++k) {
    std::vector<Entries> rgb(3, Ramp(5));
    rgb[k][4] = 9;
    Variable d = New("LUT3", {Vec(rgb[0]), Vec(rgb[1]), Vec(rgb[2])});
    EXPECT_FALSE(Call(d, "IsGrayScale").GetBoolean()) << k;
  }
  Variable g = New("LUT3", {Vec(Ramp(2)), Vec(Ramp(2)), Vec(Ramp(2)),
                            Vec({9, 8, 7, 6, 5, 4})});
  EXPECT_TRUE(Call(g, "IsGrayScale").GetBoolean());
  EXPECT_TRUE(TakeErrors().empty());
}

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

// The window checks are those of the single-channel shrink: one refused
// window per handler shows that each uses them. A flag that is no boolean
// is error 73 and counts as false.
TEST_F(TripleOperationsTest, ShrinkFlagsAndRefusals) {
  for (const char* cls : {"LUT3", "LUTC3"}) {
    Variable t = New(cls);
    Entries asFalse = U(Shrink(t, 0.25, 0.75, 1, 0, false));
    Entries below = U(Shrink2(t, 0.25, 0.75, true, false));
    EXPECT_EQ(U(Shrink(t, 0.25, 0.75, 1, 0, {zorl::MakeBoolean(true), L(1)})),
              below);
    EXPECT_EQ(TakeErrors(), Errors{kNotBoolean}) << cls;
    EXPECT_EQ(U(Shrink(t, 0.25, 0.75, 1, 0, {L(1), zorl::MakeBoolean(false)})),
              asFalse);
    EXPECT_EQ(TakeErrors(), Errors{kNotBoolean});
    Variable r = Shrink(t, 0.6, 0.5, 1, 0, {L(1), S("x")});
    EXPECT_EQ(TakeErrors(), (Errors{kNotBoolean, kNotBoolean, kRefused}));
    EXPECT_EQ(r.GetType(), PV_EMPTY);
    EXPECT_EQ(Shrink(t, 0, 1, std::nan(""), 0, false).GetType(), PV_EMPTY);
    EXPECT_EQ(TakeErrors(), Errors{kRefused}) << cls;
    // No data: no object, no error; no entries: a table of 0 bytes.
    Variable none = NoData(cls);
    EXPECT_EQ(Shrink(none, 0, 1, 1, 0, false).GetType(), PV_EMPTY);
    Variable empty = New(cls, {L(0)});
    r = Shrink2(empty, 0, 0.5, true, false);
    EXPECT_EQ(zorl::TypeName(r), cls);
    EXPECT_EQ(r.GetLen(), 0);
    EXPECT_TRUE(TakeErrors().empty());
  }
}

// Two sources that differ in every colour bit shrink into tables that
// differ in every colour bit: an entry that no step wrote would hold the
// same constructor value in both. Nothing lands beyond the table either.
TEST_F(TripleOperationsTest, ShrinkWritesEveryEntryAndNoMore) {
  std::mt19937 rng(13);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  auto invert = [](Entries e) {
    for (int& x : e) x ^= 0xFF;
    return e;
  };
  for (int n : {1, 2, 3, 7, 255, 256, 257, 1000}) {
    Entries r(static_cast<std::size_t>(n)), g(r.size()), b(r.size()),
        gray(3 * r.size()), zero(r.size(), 0);
    for (Entries* e : {&r, &g, &b, &gray})
      for (int& x : *e) x = static_cast<int>(rng() & 0xFF);
    Variable a3 = New("LUT3", {Vec(r), Vec(g), Vec(b), Vec(gray)});
    Variable b3 = New("LUT3", {Vec(invert(r)), Vec(invert(g)), Vec(invert(b)),
                               Vec(invert(gray))});
    Variable ac = Lutc3Of(r, g, b, zero);
    Variable bc = Lutc3Of(invert(r), invert(g), invert(b), zero);
    for (int round = 0; round < 24; ++round) {
      double s = unit(rng), e = unit(rng);
      if (s > e) std::swap(s, e);
      if (round % 3 == 0) e = 1 - unit(rng) * 0.5 / n;  // near the end
      if (round % 3 == 1) s = e;
      if (s > e) s = e;
      // Zero fills only where a flag asks for them.
      bool below = round % 4 == 1, above = round % 4 == 2;
      for (auto [x3, y3, colourBytes] : {std::make_tuple(&a3, &b3, 6u * n),
                                         std::make_tuple(&ac, &bc, 3u * n)}) {
        Entries x = U(Shrink2(*x3, s, e, below, above));
        Entries y = U(Shrink2(*y3, s, e, below, above));
        ASSERT_EQ(x.size(), x3 == &a3 ? 6u * n : 4u * n);
        ASSERT_EQ(y.size(), x.size());
        for (std::size_t i = 0; i < colourBytes; ++i)
          ASSERT_TRUE((x[i] ^ y[i]) == 0xFF ||
                      ((below || above) && x[i] == 0 && y[i] == 0))
              << "n " << n << " " << s << " " << e << " byte " << i;
        if (x3 == &ac) {
          EXPECT_EQ(Slice(x, 3u * n, n), zero);
        }
      }
    }
  }
  EXPECT_TRUE(TakeErrors().empty());
}

}  // namespace
