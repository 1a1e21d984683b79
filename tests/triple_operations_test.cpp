// Whole-table operations of LUT3 and LUTC3 through the dispatcher: the
// composition operator, IsGrayScale, Transform, Stretch and Shrink, with the
// choices made where a literal index would leave a table.
#include <cmath>
#include <limits>
#include <random>

#include "tests/harness.h"

namespace {

typedef std::vector<int> Entries;

class TripleOperationsTest : public PluginTest {
 protected:
  static Entries U(Variable t) {
    Entries e;
    for (char c : Bytes(t)) e.push_back(static_cast<unsigned char>(c));
    return e;
  }
  static Entries Slice(const Entries& e, std::size_t from, std::size_t n) {
    return Entries(e.begin() + from, e.begin() + from + n);
  }
  static Variable Vec(const Entries& e) {
    return V(std::vector<zlong>(e.begin(), e.end()));
  }
  zlong BaseLineOf(Variable& t) {
    Variable* b = engine.GetMember(t, "BaseLine");
    return b ? b->GetLongNumb() : -99999;
  }
  void SetBaseLine(Variable& t, zlong b) {
    engine.SetMember(t, "BaseLine", L(b));
  }
  // A table without data: its constructor refused the length.
  Variable NoData(const char* cls) {
    Variable t = New(cls, {L(-1)});
    TakeErrors();
    return t;
  }
  Variable Lutc3Of(const Entries& r, const Entries& g, const Entries& b,
                   const Entries& gray) {
    return New("LUTC3", {Vec(r), Vec(g), Vec(b), Vec(gray)});
  }
  Variable Shrink(Variable& t, double start, double end, double top,
                  double bottom, Variable flag) {
    return Call(t, "Shrink",
                {zorl::MakeDouble(start), zorl::MakeDouble(end),
                 zorl::MakeDouble(top), zorl::MakeDouble(bottom), flag});
  }
  Variable Shrink(Variable& t, double start, double end, double top,
                  double bottom, bool flag) {
    return Shrink(t, start, end, top, bottom, zorl::MakeBoolean(flag));
  }
  Variable Shrink2(Variable& t, double start, double end, double top,
                   double bottom, Variable below, Variable above) {
    return Call(
        t, "Shrink",
        {zorl::MakeDouble(start), zorl::MakeDouble(end), zorl::MakeDouble(top),
         zorl::MakeDouble(bottom), below, above});
  }
  Variable Shrink2(Variable& t, double start, double end, double top,
                   double bottom, bool below, bool above) {
    return Shrink2(t, start, end, top, bottom, zorl::MakeBoolean(below),
                   zorl::MakeBoolean(above));
  }

  const ScriptError refused{3, "parameter value refused"};
  const ScriptError notBoolean{73, "boolean expected"};
  static ScriptError OutOfRange(const std::string& text) {
    return ScriptError{kLutErrorBase, text};
  }
};

Entries Ramp(int n, int from = 0) {
  Entries e;
  for (int i = 0; i < n; ++i) e.push_back(from + i);
  return e;
}

Entries Concat(Entries a, const Entries& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// --- composition ------------------------------------------------------------

TEST_F(TripleOperationsTest, Lut3CompositionIndexesTheObjectsBytes) {
  Variable a = New("LUT3"), b = New("LUT3");
  SetBaseLine(a, 40);  // takes no part
  Variable c = Call(a, "*", {b});
  EXPECT_EQ(zorl::TypeName(c), "LUT3");
  EXPECT_EQ(U(c), U(b));

  // An inverse red table sends all four tables of b through it.
  Entries inverse;
  for (int i = 0; i < 256; ++i) inverse.push_back(255 - i);
  Variable inv = New("LUT3", {Vec(inverse), Vec(Ramp(256)), Vec(Ramp(256))});
  SetBaseLine(b, -3);
  Entries before = U(b);
  Entries out = U(c = Call(inv, "*", {b}));
  ASSERT_EQ(out.size(), 1536u);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(Slice(out, 256 * k, 256), inverse);
  for (int j = 0; j < 768; ++j) EXPECT_EQ(out[768 + j], 255 - j / 3) << j;
  EXPECT_EQ(BaseLineOf(c), -3);  // the copy of b keeps b's member
  EXPECT_EQ(U(b), before);
  EXPECT_TRUE(TakeErrors().empty());
}

// A table of 42 channel entries has 252 bytes: a byte value of 252 or more
// lies beyond it and is reported; the bytes before are composed.
TEST_F(TripleOperationsTest, Lut3CompositionWithASmallObject) {
  Variable a = New("LUT3", {L(42)}), b = New("LUT3");
  Entries ea = U(a), eb = U(b);
  Entries out = U(Call(a, "*", {b}));
  EXPECT_EQ(TakeErrors(),
            Errors{OutOfRange("offset = 252, pixel value = 0x00fc")});
  ASSERT_EQ(out.size(), 1536u);
  for (int k = 0; k < 252; ++k) EXPECT_EQ(out[k], ea[k]) << k;
  EXPECT_EQ(Slice(out, 252, 1536 - 252), Slice(eb, 252, 1536 - 252));

  // 43 entries hold 258 bytes: every byte value lies inside.
  Variable a43 = New("LUT3", {L(43)});
  Entries e43 = U(a43);
  out = U(Call(a43, "*", {b}));
  EXPECT_TRUE(TakeErrors().empty());
  for (int k = 0; k < 1536; ++k) EXPECT_EQ(out[k], e43[eb[k]]) << k;

  // An object of no entries: the first byte is reported, even a 0.
  Variable none = New("LUT3", {L(0)});
  Variable c = Call(none, "*", {b});
  EXPECT_EQ(TakeErrors(),
            Errors{OutOfRange("offset = 0, pixel value = 0x0000")});
  EXPECT_EQ(U(c), U(b));
}

TEST_F(TripleOperationsTest, CompositionRefusesOtherOperands) {
  Variable a3 = New("LUT3"), c3 = New("LUTC3");
  Variable r = Call(a3, "*", {c3});
  EXPECT_EQ(TakeErrors(), (Errors{{3, "LUT3 expected"}}));
  EXPECT_EQ(r.GetType(), PV_EMPTY);
  r = Call(c3, "*", {a3});
  EXPECT_EQ(TakeErrors(), (Errors{{3, "LUTC3 expected"}}));
  EXPECT_EQ(r.GetType(), PV_EMPTY);
  for (Variable arg : {L(5), S("abc"), Variable()}) {
    Call(a3, "*", {arg});
    EXPECT_EQ(TakeErrors(), (Errors{{3, "LUT3 expected"}}));
    Call(c3, "*", {arg});
    EXPECT_EQ(TakeErrors(), (Errors{{3, "LUTC3 expected"}}));
  }
  Call(a3, "*", {a3, a3});
  Errors e = TakeErrors();
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].number, 22);

  // Operands without data or without entries: the plain copy of b.
  for (const char* cls : {"LUT3", "LUTC3"}) {
    Variable a = New(cls), empty = New(cls, {L(0)}), none = NoData(cls);
    Variable c = Call(a, "*", {empty});
    EXPECT_EQ(zorl::TypeName(c), cls);
    EXPECT_EQ(c.GetLen(), 0);
    c = Call(a, "*", {none});
    EXPECT_EQ(c.GetData(), nullptr);
    c = Call(none, "*", {a});
    EXPECT_EQ(U(c), U(a));
    EXPECT_TRUE(TakeErrors().empty()) << cls;
  }
  // A table composed with itself.
  Variable sq = Call(a3, "*", {a3});
  EXPECT_EQ(U(sq), U(a3));
  EXPECT_TRUE(TakeErrors().empty());
}

TEST_F(TripleOperationsTest, Lutc3CompositionEntryByEntry) {
  Variable a = New("LUTC3"), b = New("LUTC3");
  Entries gb = Slice(U(b), 2304, 768);
  Entries out = U(Call(a, "*", {b}));
  EXPECT_TRUE(TakeErrors().empty());
  ASSERT_EQ(out.size(), 3072u);
  EXPECT_EQ(out[2304 + 300], 98);  // gray 99 -> A.gray[297]
  EXPECT_EQ(Slice(out, 0, 2304), Entries(2304, 0));
  for (int j = 0; j < 768; ++j)
    EXPECT_EQ(out[2304 + j], 3 * gb[j] * 255 / 767) << j;

  // Colour entries take a's colour at their sum index, gray entries too.
  Variable pal = Lutc3Of(Ramp(9, 100), Ramp(9, 110), Ramp(9, 120),
                         Entries{0, 0, 0, 7, 0, 0, 5, 0, 0});
  Variable arg = Lutc3Of(Entries{1, 0, 2}, Entries{1, 0, 3}, Entries{0, 7, 1},
                         Entries{0, 1, 2});
  EXPECT_EQ(U(Call(pal, "*", {arg})),
            (Entries{102, 107, 106, 112, 117, 116, 122, 127, 126, 0, 7, 5}));
  EXPECT_TRUE(TakeErrors().empty());
  // BaseLine shifts both indexes: gray 3 * (g + 1), colour sum + 3. Entry 1
  // has its new gray byte when its sum 10 is reported; entry 2 stays b's.
  SetBaseLine(pal, 1);
  EXPECT_EQ(U(Call(pal, "*", {arg})),
            (Entries{105, 0, 2, 115, 0, 3, 125, 7, 1, 7, 5, 2}));
  EXPECT_EQ(TakeErrors(),
            Errors{OutOfRange("offset = 1, pixel value = 0x000a")});
}

TEST_F(TripleOperationsTest, Lutc3CompositionReportsIndexesOutsideTheObject) {
  // A gray byte of 255 in 700 entries: g = 765 is reported before the entry
  // changes; the entries before it are composed, the rest are b's.
  Entries gray(700, 0);
  gray[10] = 255;
  gray[3] = 1;
  Entries colour(700, 4);
  Variable b = Lutc3Of(colour, colour, colour, gray);
  Variable a = Lutc3Of(Ramp(700, 0), Ramp(700, 0), Ramp(700, 0), Ramp(700, 1));
  Entries ea = U(a), eb = U(b);
  Entries out = U(Call(a, "*", {b}));
  EXPECT_EQ(TakeErrors(),
            Errors{OutOfRange("offset = 10, pixel value = 0x02fd")});
  ASSERT_EQ(out.size(), 2800u);
  for (int j = 0; j < 10; ++j) {
    EXPECT_EQ(out[j], ea[12]) << j;  // a.red[4 + 4 + 4]
    EXPECT_EQ(out[2100 + j], j == 3 ? ea[2100 + 3] : ea[2100]) << j;
  }
  for (int j = 10; j < 700; ++j) EXPECT_EQ(out[2100 + j], eb[2100 + j]);
  EXPECT_EQ(out[10], 4);

  // A sum outside: entry 5 already has its new gray byte.
  Entries hot = colour;
  hot[5] = 255;
  Variable b2 = Lutc3Of(hot, hot, hot, Entries(700, 0));
  out = U(Call(a, "*", {b2}));
  EXPECT_EQ(TakeErrors(),
            Errors{OutOfRange("offset = 5, pixel value = 0x02fd")});
  EXPECT_EQ(out[2100 + 5], 1);  // a.gray[0]
  EXPECT_EQ(out[5], 255);       // b's colour
  EXPECT_EQ(out[4], 12);        // a.red[12]
  EXPECT_EQ(out[2100 + 6], 0);  // b's gray

  // A negative BaseLine: the gray index of a gray byte 0 is -3.
  SetBaseLine(a, -1);
  Call(a, "*", {b});
  EXPECT_EQ(TakeErrors(),
            Errors{OutOfRange("offset = 0, pixel value = 0xfffffffd")});
  // A BaseLine so large that 3 * (gray + base) leaves 32 bits: refused, the
  // text saturated.
  SetBaseLine(a, 0x7FFFFFFF);
  Call(a, "*", {b});
  EXPECT_EQ(TakeErrors(),
            Errors{OutOfRange("offset = 0, pixel value = 0x7fffffff")});
}

// Tables of different entry counts: a's tables are a's, and indexes are
// tested against a's own count.
TEST_F(TripleOperationsTest, Lutc3CompositionOfDifferentCounts) {
  Variable small = New("LUTC3", {L(2)});  // 6 entries
  Variable b = New("LUTC3");              // gray[7] = 2: index 6
  Variable c = Call(small, "*", {b});
  EXPECT_EQ(TakeErrors(),
            Errors{OutOfRange("offset = 7, pixel value = 0x0006")});
  Entries es = U(small), out = U(c);
  EXPECT_EQ(out[2304 + 4], es[18 + 3]);  // gray 1 -> small.gray[3]

  Variable big = New("LUTC3", {L(1024)});  // 3072 entries
  SetBaseLine(big, 5);
  Entries eg = U(big), gb = Slice(U(b), 2304, 768);
  out = U(Call(big, "*", {b}));
  EXPECT_TRUE(TakeErrors().empty());
  for (int j = 0; j < 768; ++j) {
    EXPECT_EQ(out[2304 + j], eg[3 * 3072 + 3 * (gb[j] + 5)]) << j;
    EXPECT_EQ(out[j], eg[15]) << j;  // every colour of b is black: sum 15
  }
}

// --- IsGrayScale
// --------------------------------------------------------------

TEST_F(TripleOperationsTest, IsGrayScale) {
  Variable t = New("LUT3");
  Variable r = Call(t, "IsGrayScale");
  EXPECT_EQ(r.GetType(), PV_BOOLEAN);
  EXPECT_TRUE(r.GetBoolean());
  Variable c = New("LUTC3");
  EXPECT_TRUE(Call(c, "IsGrayScale").GetBoolean());

  // Any one position differing; the gray table is not looked at.
  for (int k = 0; k < 3; ++k) {
    std::vector<Entries> rgb(3, Ramp(5));
    rgb[k][4] = 9;
    Variable d = New("LUT3", {Vec(rgb[0]), Vec(rgb[1]), Vec(rgb[2])});
    EXPECT_FALSE(Call(d, "IsGrayScale").GetBoolean()) << k;
  }
  Variable g = New("LUT3", {Vec(Ramp(2)), Vec(Ramp(2)), Vec(Ramp(2)),
                            Vec({9, 8, 7, 6, 5, 4})});
  EXPECT_TRUE(Call(g, "IsGrayScale").GetBoolean());

  // A LUTC3 colour entry (1, 2, 3) fails unless its gray byte makes it gray.
  Variable e = Lutc3Of({0, 1}, {0, 2}, {0, 3}, {0, 0});
  EXPECT_FALSE(Call(e, "IsGrayScale").GetBoolean());
  e = Lutc3Of({0, 1}, {0, 2}, {0, 3}, {0, 1});
  EXPECT_TRUE(Call(e, "IsGrayScale").GetBoolean());
  EXPECT_TRUE(TakeErrors().empty());

  for (const char* cls : {"LUT3", "LUTC3"}) {
    Variable none = NoData(cls);
    EXPECT_EQ(Call(none, "IsGrayScale").GetType(), PV_EMPTY) << cls;
    Variable empty = New(cls, {L(0)});
    EXPECT_TRUE(Call(empty, "IsGrayScale").GetBoolean()) << cls;
  }
  EXPECT_TRUE(TakeErrors().empty());
}

// --- Transform
// ------------------------------------------------------------------

TEST_F(TripleOperationsTest, Lut3TransformRamps) {
  Variable rect = New("RECT", {L(1), L(2), L(3), L(4)});
  Variable t = New("LUT3", {L(10)});
  Entries before = U(t);
  Call(t, "Transform",
       {zorl::MakeDouble(1.0), zorl::MakeDouble(0.0), L(0), L(255), rect});
  EXPECT_EQ(U(t), before);

  Call(t, "Transform",
       {zorl::MakeDouble(2.0), zorl::MakeDouble(0.0), L(0), L(254), rect});
  Variable def = New("LUT3");
  EXPECT_EQ(U(t), U(def));  // n = 256, red[i] = i
  EXPECT_EQ(BaseLineOf(t), 0);

  Call(t, "Transform",
       {zorl::MakeDouble(2.0), zorl::MakeDouble(0.0), L(0), L(255), rect});
  EXPECT_EQ(t.GetLen(), 6 * 512);
  Call(t, "Transform",
       {zorl::MakeDouble(1.0), zorl::MakeDouble(1.0), L(100), L(355), rect});
  Entries e = U(t);
  ASSERT_EQ(e.size(), 6u * 512);
  EXPECT_EQ(BaseLineOf(t), -100);
  EXPECT_EQ(e[511], 255);
  EXPECT_EQ(Slice(e, 0, 4), (Entries{0, 0, 0, 1}));
  EXPECT_EQ(Slice(e, 512, 512), Slice(e, 0, 512));
  EXPECT_EQ(e[1536 + 1535], 255);

  // high < low: two entries.
  Call(t, "Transform",
       {zorl::MakeDouble(0.0), zorl::MakeDouble(0.0), L(7), L(3), rect});
  EXPECT_EQ(U(t), (Entries{0, 255, 0, 255, 0, 255, 0, 42, 85, 128, 170, 213}));
  EXPECT_EQ(BaseLineOf(t), -7);
  EXPECT_EQ(engine.GetMember(rect, "left")->GetLongNumb(), 1);
  EXPECT_EQ(engine.GetMember(rect, "right")->GetLongNumb(), 3);
  // The RECT is not needed: any value serves.
  Call(t, "Transform",
       {zorl::MakeDouble(0.0), zorl::MakeDouble(0.0), L(0), L(3), L(5)});
  EXPECT_EQ(t.GetLen(), 6 * 8);
  EXPECT_TRUE(TakeErrors().empty());
}

TEST_F(TripleOperationsTest, Lutc3TransformRamps) {
  Variable rect = New("RECT");
  Variable t = New("LUTC3", {L(3)});
  Call(t, "Transform",
       {zorl::MakeDouble(2.0), zorl::MakeDouble(0.0), L(-5), L(249), rect});
  Variable def = New("LUTC3");
  EXPECT_EQ(U(t), U(def));
  EXPECT_EQ(BaseLineOf(t), 5);
  Call(t, "Transform",
       {zorl::MakeDouble(2.0), zorl::MakeDouble(0.0), L(1), L(1), rect});
  EXPECT_EQ(U(t), Concat(Entries(18, 0), {0, 51, 102, 153, 204, 255}));
  EXPECT_EQ(BaseLineOf(t), -1);
  EXPECT_TRUE(TakeErrors().empty());
}

// Ranges whose table the host's long cannot size are refused before
// anything changes; a table without data is still given its ramp.
TEST_F(TripleOperationsTest, TransformOfWideRangesAndTablesWithoutData) {
  const zlong lo = std::numeric_limits<zlong>::min();
  const zlong hi = std::numeric_limits<zlong>::max();
  Variable rect = New("RECT");
  Variable t = New("LUT3", {L(4)});
  SetBaseLine(t, 9);
  Entries before = U(t);
  Call(t, "Transform",
       {zorl::MakeDouble(2.0), zorl::MakeDouble(0.0), L(lo), L(hi), rect});
  EXPECT_EQ(TakeErrors(),
            (Errors{{3, "channel length 8589934592 out of range"}}));
  Call(t, "Transform",
       {zorl::MakeDouble(2.0), zorl::MakeDouble(0.0), L(0), L(1 << 28), rect});
  EXPECT_EQ(TakeErrors(),
            (Errors{{3, "channel length 536870912 out of range"}}));
  EXPECT_EQ(U(t), before);
  EXPECT_EQ(BaseLineOf(t), 9);

  Variable c = New("LUTC3", {L(4)});
  SetBaseLine(c, 9);
  Call(c, "Transform",
       {zorl::MakeDouble(2.0), zorl::MakeDouble(0.0), L(1), L(1 << 27), rect});
  EXPECT_EQ(TakeErrors(), (Errors{{3, "entry count 805306368 out of range"}}));
  EXPECT_EQ(c.GetLen(), 48);
  EXPECT_EQ(BaseLineOf(c), 9);

  for (const char* cls : {"LUT3", "LUTC3"}) {
    Variable none = NoData(cls);
    Call(none, "Transform",
         {zorl::MakeDouble(2.0), zorl::MakeDouble(0.0), L(10), L(11), rect});
    EXPECT_TRUE(TakeErrors().empty());
    EXPECT_EQ(BaseLineOf(none), -10);
    EXPECT_EQ(none.GetLen(), std::string(cls) == "LUT3" ? 24 : 48);
  }
}

// --- Stretch
// ---------------------------------------------------------------------

TEST_F(TripleOperationsTest, Lut3Stretch) {
  Variable t = New("LUT3");
  SetBaseLine(t, -7);
  Entries old = U(t);
  Variable s = Call(t, "Stretch", {L(512)});
  EXPECT_EQ(zorl::TypeName(s), "LUT3");
  EXPECT_EQ(BaseLineOf(s), -7);
  Entries e = U(s);
  ASSERT_EQ(e.size(), 6u * 512);
  for (int i = 0; i < 512; ++i) {
    EXPECT_EQ(e[i], i * 255 / 511);
    EXPECT_EQ(e[512 + i], e[i]);
    EXPECT_EQ(e[1024 + i], e[i]);
  }
  for (int j = 0; j < 1536; ++j)
    EXPECT_EQ(e[1536 + j], old[768 + j * 764 / 1535]) << j;
  EXPECT_EQ(e[1536 + 1535], 254);
  EXPECT_EQ(U(t), old);

  // One channel entry: it takes entry 0, no division by zero; the gray
  // table of 3 entries is resampled as ever.
  Variable d = New("LUT3", {Vec({10, 11}), Vec({20, 21}), Vec({30, 31}),
                            Vec({1, 2, 3, 4, 5, 6})});
  EXPECT_EQ(U(Call(d, "Stretch", {L(1)})), (Entries{10, 20, 30, 1, 2, 3}));
  // A table of one channel entry: the gray index -1 of the last new entry
  // is taken as 0, not as the blue byte before the gray table.
  Variable one = New("LUT3", {Vec({10}), Vec({20}), Vec({30}), Vec({1, 2, 3})});
  EXPECT_EQ(U(Call(one, "Stretch", {L(2)})),
            (Entries{10, 10, 20, 20, 30, 30, 1, 1, 1, 1, 1, 1}));
  // No channel entries: N entries of 0.
  Variable empty = New("LUT3", {L(0)});
  SetBaseLine(empty, 4);
  s = Call(empty, "Stretch", {L(3)});
  EXPECT_EQ(U(s), Entries(18, 0));
  EXPECT_EQ(BaseLineOf(s), 4);

  // Products beyond 32 bits: a stretch to the same length is a copy.
  Variable big = New("LUT3", {L(100000)});
  s = Call(big, "Stretch", {L(100000)});
  EXPECT_TRUE(Bytes(s).substr(0, 300000) == Bytes(big).substr(0, 300000));
  EXPECT_TRUE(TakeErrors().empty());
}

TEST_F(TripleOperationsTest, Lutc3StretchKeepsKinds) {
  Variable t = New("LUTC3");
  SetBaseLine(t, 3);
  Variable s = Call(t, "Stretch", {L(768)});
  EXPECT_EQ(U(s), U(t));
  EXPECT_EQ(BaseLineOf(s), 3);

  // Colour bytes of a gray entry are dropped; colour entries keep gray 0.
  Variable m = Lutc3Of({1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {0, 50, 0});
  EXPECT_EQ(
      U(Call(m, "Stretch", {L(5)})),
      (Entries{1, 1, 0, 0, 3, 4, 4, 0, 0, 6, 7, 7, 0, 0, 9, 0, 0, 50, 50, 0}));
  EXPECT_EQ(U(Call(m, "Stretch", {L(1)})), (Entries{1, 4, 7, 0}));
  s = Call(m, "Stretch", {L(0)});
  EXPECT_EQ(zorl::TypeName(s), "LUTC3");
  EXPECT_EQ(s.GetLen(), 0);
  Variable empty = New("LUTC3", {L(0)});
  EXPECT_EQ(U(Call(empty, "Stretch", {L(2)})), Entries(8, 0));
  EXPECT_TRUE(TakeErrors().empty());
}

TEST_F(TripleOperationsTest, StretchRefusals) {
  Variable t3 = New("LUT3"), c3 = New("LUTC3");
  for (zlong n : {0, -1, std::numeric_limits<zlong>::min()}) {
    Variable r = Call(t3, "Stretch", {L(n)});
    EXPECT_EQ(TakeErrors(), Errors{refused}) << n;
    EXPECT_EQ(r.GetType(), PV_EMPTY);
  }
  Variable r = Call(c3, "Stretch", {L(-1)});
  EXPECT_EQ(TakeErrors(), Errors{refused});
  EXPECT_EQ(r.GetType(), PV_EMPTY);
  r = Call(t3, "Stretch", {L(400000000)});
  EXPECT_EQ(TakeErrors(),
            (Errors{{3, "channel length 400000000 out of range"}}));
  EXPECT_EQ(r.GetType(), PV_EMPTY);
  r = Call(c3, "Stretch", {L(600000000)});
  EXPECT_EQ(TakeErrors(), (Errors{{3, "entry count 600000000 out of range"}}));
  EXPECT_EQ(r.GetType(), PV_EMPTY);
  for (const char* cls : {"LUT3", "LUTC3"}) {
    Variable none = NoData(cls);
    EXPECT_EQ(Call(none, "Stretch", {L(4)}).GetType(), PV_EMPTY);
    EXPECT_TRUE(TakeErrors().empty());
  }
}

// --- Shrink
// ----------------------------------------------------------------------

TEST_F(TripleOperationsTest, ShrinkWithTheFullWindowCopies) {
  std::mt19937 rng(3);
  Entries r(300), g(300), b(300), gray(900);
  for (Entries* e : {&r, &g, &b, &gray})
    for (int& x : *e) x = static_cast<int>(rng() & 0xFF);
  Variable t3 = New("LUT3", {Vec(r), Vec(g), Vec(b), Vec(gray)});
  // A LUTC3 whose gray entries have colour bytes 0, as shrinks make them.
  Entries level = Slice(gray, 0, 300);
  for (std::size_t j = 0; j < 300; ++j) {
    if (j % 2) level[j] = 0;
    if (level[j]) r[j] = g[j] = b[j] = 0;
  }
  Variable c3 = Lutc3Of(r, g, b, level);
  SetBaseLine(t3, 12);
  SetBaseLine(c3, -12);
  for (Variable* t : {&t3, &c3})
    for (bool f : {false, true}) {
      Variable s = Shrink(*t, 0, 1, 1, 0, f);
      EXPECT_EQ(zorl::TypeName(s), zorl::TypeName(*t));
      EXPECT_EQ(U(s), U(*t));
      EXPECT_EQ(BaseLineOf(s), BaseLineOf(*t));
      s = Shrink2(*t, 0, 1, 1, 0, f, !f);
      EXPECT_EQ(U(s), U(*t));
    }
  EXPECT_TRUE(TakeErrors().empty());
}

// Each colour table of a shrunk LUT3 is the single-channel shrink of that
// table's bytes, and so is the gray table of its 3n bytes wherever the two
// starts round alike (the gray start is kept in double precision).
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
    std::vector<Variable> singles;
    for (Entries& e : tables) singles.push_back(New("LUT2", {Vec(e), L(0)}));
    for (int round = 0; round < 16; ++round) {
      double s = unit(rng), e = unit(rng), top = unit(rng), bottom = unit(rng);
      if (s > e) std::swap(s, e);
      if (bottom > top) std::swap(bottom, top);
      if (round % 4 == 1) e = 1;
      if (round % 4 == 2) s = e;
      bool below = round & 1, above = (round >> 1) & 1;
      Entries one = U(Shrink(t, s, e, top, bottom, below));
      Entries two = U(Shrink2(t, s, e, top, bottom, below, above));
      ASSERT_EQ(one.size(), 6u * n);
      ASSERT_EQ(two.size(), 6u * n);
      for (std::size_t k = 0; k < 4; ++k) {
        Entries lo = U(Shrink(singles[k], s, e, top, bottom, below));
        Entries up = U(Shrink(singles[k], s, e, top, bottom, above));
        std::size_t len = k < 3 ? n : 3u * n, at = k < 3 ? k * n : 3u * n;
        ASSERT_EQ(Slice(one, at, len), lo) << "n " << n << " table " << k;
        // Two flags: every entry is that of the single shrink with the
        // flag of its side; where the two agree, it is fixed.
        Entries got = Slice(two, at, len);
        std::size_t i = 0;
        while (i < len && got[i] == lo[i]) ++i;
        while (i < len && got[i] == up[i]) ++i;
        ASSERT_EQ(i, len) << "n " << n << " table " << k << " round " << round;
      }
    }
  }
  EXPECT_TRUE(TakeErrors().empty());
}

TEST_F(TripleOperationsTest, Lut3GrayTableFollowsItsOwnLength) {
  Variable t = New("LUT3");
  Entries e = U(Shrink(t, 0.5, 0.5, 1, 0, false));
  ASSERT_EQ(e.size(), 1536u);
  for (int k = 0; k < 3; ++k)
    EXPECT_EQ(Slice(e, 256 * k, 256),
              Concat(Entries(128, 0), Entries(128, 255)));
  EXPECT_EQ(Slice(e, 768, 768), Concat(Entries(384, 0), Entries(384, 255)));

  // 768 times this start is 2.4999999 in double precision and 2.5 in
  // single: the gray table's lower fill covers 2 entries, not 3.
  const double start = 0.0032552082557231188;
  Variable ones = New("LUT3", {Vec(Entries(256, 9)), Vec(Entries(256, 9)),
                               Vec(Entries(256, 9)), Vec(Entries(768, 9))});
  e = U(Shrink(ones, start, 1, 1, 0, true));
  EXPECT_EQ(Slice(e, 768, 4), (Entries{0, 0, 9, 9}));
  EXPECT_EQ(Slice(e, 0, 2), (Entries{0, 9}));  // 0.83 rounds to 1
  Variable single = New("LUT2", {Vec(Entries(768, 9)), L(0)});
  EXPECT_EQ(Slice(U(Shrink(single, start, 1, 1, 0, true)), 0, 4),
            (Entries{0, 0, 0, 9}));
  EXPECT_TRUE(TakeErrors().empty());
}

// (red, green, blue, gray): (10, 20, 30, 0), (0, 0, 0, 100),
// (40, 50, 60, 0), (0, 0, 0, 200).
TEST_F(TripleOperationsTest, Lutc3ShrinkKeepsKinds) {
  Variable t =
      Lutc3Of({10, 0, 40, 0}, {20, 0, 50, 0}, {30, 0, 60, 0}, {0, 100, 0, 200});
  SetBaseLine(t, 6);
  Variable s = Shrink(t, 0, 0.5, 1, 0, false);
  EXPECT_EQ(U(s), (Entries{10, 40, 0, 0, 20, 50, 0, 0, 30, 60, 0, 0, 0, 0, 200,
                           200}));
  EXPECT_EQ(BaseLineOf(s), 6);
  EXPECT_EQ(U(Shrink2(t, 0, 0.5, 1, 0, false, true)),
            (Entries{10, 40, 0, 0, 20, 50, 0, 0, 30, 60, 0, 0, 0, 0, 0, 0}));
  // The last position, 4, lies outside and is not written.
  EXPECT_EQ(
      U(Shrink(t, 0.5, 1, 1, 0, false)),
      (Entries{10, 10, 10, 40, 20, 20, 20, 50, 30, 30, 30, 60, 0, 0, 0, 0}));
  // A colour keeps gray 0 whatever the output bottom.
  EXPECT_EQ(U(Shrink(t, 0, 1, 1, 0.5, false)),
            (Entries{133, 0, 148, 0, 138, 0, 153, 0, 143, 0, 158, 0, 0, 178, 0,
                     228}));
  EXPECT_EQ(U(Shrink(t, 0, 1, 0, 0, false)), Entries(16, 0));
  // Below the window the old first entry's kind, above the last's.
  EXPECT_EQ(U(Shrink2(t, 0.5, 0.5, 1, 0, true, false)),
            (Entries{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 200, 200}));
  EXPECT_EQ(U(Shrink2(t, 0.5, 0.5, 1, 0, false, true)),
            (Entries{10, 10, 0, 0, 20, 20, 0, 0, 30, 30, 0, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(TakeErrors().empty());
}

TEST_F(TripleOperationsTest, ShrinkFlagsAndRefusals) {
  for (const char* cls : {"LUT3", "LUTC3"}) {
    Variable t = New(cls);
    Entries asFalse = U(Shrink(t, 0.25, 0.75, 1, 0, false));
    Entries below = U(Shrink2(t, 0.25, 0.75, 1, 0, true, false));
    ASSERT_EQ(TakeErrors(), Errors{});
    // A number for a flag: error 73 for it, then it counts as false.
    EXPECT_EQ(U(Shrink(t, 0.25, 0.75, 1, 0, L(1))), asFalse);
    EXPECT_EQ(TakeErrors(), Errors{notBoolean}) << cls;
    EXPECT_EQ(U(Shrink2(t, 0.25, 0.75, 1, 0, zorl::MakeBoolean(true), L(1))),
              below);
    EXPECT_EQ(TakeErrors(), Errors{notBoolean});
    EXPECT_EQ(U(Shrink2(t, 0.25, 0.75, 1, 0, L(1), zorl::MakeBoolean(false))),
              asFalse);
    EXPECT_EQ(TakeErrors(), Errors{notBoolean});
    Shrink2(t, 0.25, 0.75, 1, 0, S("x"), L(0));
    EXPECT_EQ(TakeErrors(), (Errors{notBoolean, notBoolean}));
    // Each flag's error, then the refusal; no object.
    Variable r = Shrink2(t, 0.6, 0.5, 1, 0, L(1), L(1));
    EXPECT_EQ(TakeErrors(), (Errors{notBoolean, notBoolean, refused}));
    EXPECT_EQ(r.GetType(), PV_EMPTY);

    const double nan = std::nan("");
    for (const std::vector<double>& p :
         std::vector<std::vector<double>>{{-0.1, 1, 1, 0},
                                          {1.1, 1, 1, 0},
                                          {0.6, 0.5, 1, 0},
                                          {0, 1.5, 1, 0},
                                          {0, 1, 1, -0.5},
                                          {0, 1, 0, 0.5},
                                          {0, 1, 2, 0},
                                          {nan, 1, 1, 0},
                                          {0, nan, 1, 0},
                                          {0, 1, nan, 0},
                                          {0, 1, 1, nan}}) {
      r = Shrink(t, p[0], p[1], p[2], p[3], false);
      EXPECT_EQ(TakeErrors(), Errors{refused}) << cls << " " << p[0];
      EXPECT_EQ(r.GetType(), PV_EMPTY);
      r = Shrink2(t, p[0], p[1], p[2], p[3], false, true);
      EXPECT_EQ(TakeErrors(), Errors{refused});
      EXPECT_EQ(r.GetType(), PV_EMPTY);
    }

    // No data: no object, no error; no entries: a table of 0 bytes.
    Variable none = NoData(cls);
    EXPECT_EQ(Shrink(none, 0, 1, 1, 0, false).GetType(), PV_EMPTY);
    Variable empty = New(cls, {L(0)});
    r = Shrink2(empty, 0, 0.5, 1, 0, true, false);
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
  for (int n : {1, 2, 3, 7, 255, 256, 257, 1000}) {
    Entries r(static_cast<std::size_t>(n)), g(r.size()), b(r.size()),
        gray(3 * r.size()), zero(r.size(), 0);
    for (Entries* e : {&r, &g, &b, &gray})
      for (int& x : *e) x = static_cast<int>(rng() & 0xFF);
    auto invert = [](Entries e) {
      for (int& x : e) x ^= 0xFF;
      return e;
    };
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
      bool mayZero = below || above;
      Entries x = U(Shrink2(a3, s, e, 1, 0, below, above));
      Entries y = U(Shrink2(b3, s, e, 1, 0, below, above));
      ASSERT_EQ(x.size(), 6u * n);
      ASSERT_EQ(y.size(), 6u * n);
      for (std::size_t i = 0; i < x.size(); ++i) {
        bool zeroed = mayZero && x[i] == 0 && y[i] == 0;
        ASSERT_TRUE((x[i] ^ y[i]) == 0xFF || zeroed)
            << "LUT3 n " << n << " " << s << " " << e << " byte " << i;
      }
      x = U(Shrink2(ac, s, e, 1, 0, below, above));
      y = U(Shrink2(bc, s, e, 1, 0, below, above));
      ASSERT_EQ(x.size(), 4u * n);
      for (std::size_t i = 0; i < 3u * n; ++i)
        ASSERT_TRUE((x[i] ^ y[i]) == 0xFF ||
                    (mayZero && x[i] == 0 && y[i] == 0))
            << "LUTC3 n " << n << " " << s << " " << e << " byte " << i;
      EXPECT_EQ(Slice(x, 3u * n, n), zero);
    }
  }
  EXPECT_TRUE(TakeErrors().empty());
}

}  // namespace
