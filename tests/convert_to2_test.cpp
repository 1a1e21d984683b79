// Conversions of 2-byte pixels to 12-bit output through the wide curve.
#include "tests/harness.h"

namespace {

typedef std::vector<zlong> Longs;

class ConvertTo2Test : public PluginTest {
 protected:
  Variable Table(const Longs& c, const Longs* gray = nullptr, zlong base = 0) {
    Variable t = gray ? New("LUTC3", {V(c), V(c), V(c), V(*gray)})
                      : New("LUT3", {V(c), V(c), V(c)});
    SetBaseLine(t, base);
    return t;
  }
  // The curve at these pixels.
  Entries Curve(Variable t, const std::vector<int>& pixels) {
    std::string s = Out(t, "Convert2To2", W(pixels));
    Entries w;
    for (std::size_t i = 0; i + 1 < s.size(); i += 2)
      w.push_back(static_cast<unsigned char>(s[i]) |
                  static_cast<unsigned char>(s[i + 1]) << 8);
    return w;
  }
  // The whole curve of a LUT3 whose three colour tables are all c.
  Entries Curve(const Longs& c) {
    std::vector<int> all;
    for (std::size_t i = 0; i < c.size(); ++i) all.push_back(int(i));
    return Curve(Table(c), all);
  }
};

const Longs kExample = {10, 10, 10, 20, 20, 20, 20, 40, 40, 40};

TEST_F(ConvertTo2Test, RampsBetweenRuns) {
  EXPECT_EQ(Curve(kExample),
            (Entries{160, 160, 160, 160, 240, 321, 481, 640, 640, 640}));
  // A LUTC3 with these gray entries has the same curve; its pixels read
  // every third entry.
  Longs zero(kExample.size(), 0);
  EXPECT_EQ(Curve(Table(zero, &kExample), {0, 1, 2, 3}),
            (Entries{160, 160, 481, 640}));
  // Runs of one entry make no ramps: the default LUT3 ends at 4080.
  EXPECT_EQ(Curve(New("LUT3"), {0, 1, 2, 255}), (Entries{0, 16, 32, 4080}));
  EXPECT_EQ(Curve({51, 51, 51}), (Entries{819, 819, 819}));
  EXPECT_EQ(Curve({0, 0, 255, 255, 255, 255}),
            (Entries{0, 0, 4095, 4095, 4095, 4095}));
  // Three runs: run 2 ramps over its first half; the last run's ramp ends
  // at its start, which keeps its fill value.
  EXPECT_EQ(Curve({0, 0, 0, 255, 255, 255, 255, 255, 255, 3}),
            (Entries{0, 0, 0, 0, 1365, 2730, 4095, 2746, 1397, 48}));
  // The LUT3 key is the whole triple: entries equal in sum are runs apart.
  Variable t = New("LUT3", {V({10, 0, 0}), V({0, 10, 0}), V({0, 0, 10})});
  EXPECT_EQ(Curve(t, {0, 1, 2}), (Entries{53, 53, 53}));
}

// Where either end is 0 (a colour entry of a LUTC3), no ramp is made, and a
// curve entry of 0 takes the colour's mean on the 0 to 4095 scale.
TEST_F(ConvertTo2Test, Lutc3ColourEntriesStayFlat) {
  Variable t = New("LUTC3", {V({0, 0, 0, 255, 255, 255, 0, 0, 0}),
                             V({0, 0, 0, 255, 255, 255, 0, 0, 0}), V(Longs(9)),
                             V({51, 51, 51, 0, 0, 0, 102, 102, 102})});
  EXPECT_EQ(Curve(t, {0, 1, 2}), (Entries{819, 2730, 1632}));
}

TEST_F(ConvertTo2Test, IndexesReportsAndPlaces) {
  Variable t = Table(kExample, nullptr, 100);
  Variable c = Table(kExample, &kExample, 100);
  EXPECT_EQ(Curve(t, {-100}), Entries{160});
  EXPECT_EQ(Curve(c, {-100}), Entries{160});
  // In place: the odd last byte keeps its value; the failing pixel and the
  // ones after it too.
  Variable dst = S("abcdefghi");
  EXPECT_EQ(Convert(t, "Convert2To2", dst, S(W({-99, -80, -91, -95}) + "z")),
            Errors{PixelError("offset = 1, pixel value = 0x0014")});
  EXPECT_EQ(zorl::StringBytes(dst), W({160}) + "cdefghi");
  EXPECT_EQ(Out(c, "Convert2To2", W({-97, -101}) + "z",
                {PixelError("offset = 1, pixel value = 0xfffffffd")}),
            W({640}) + B({0, 0, 0}));
}

}  // namespace
