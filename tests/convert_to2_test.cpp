// Conversions of 2-byte pixels to 12-bit output through the wide curve.
#include "tests/convert_harness.h"

namespace {

class ConvertTo2Test : public ConvertTest {
 protected:
  // The whole curve of a LUT3 whose three colour tables are all values:
  // pixels 0 .. n - 1 read every entry.
  std::vector<int> Curve(const std::vector<zlong>& values) {
    Variable t = Lut3(values, values, values);
    std::string src;
    for (std::size_t i = 0; i < values.size(); ++i)
      src += W({static_cast<int>(i)});
    return Words(Out(t, "Convert2To2", src));
  }
  static std::vector<int> Words(const std::string& s) {
    std::vector<int> w;
    for (std::size_t i = 0; i + 1 < s.size(); i += 2)
      w.push_back(static_cast<unsigned char>(s[i]) |
                  static_cast<unsigned char>(s[i + 1]) << 8);
    return w;
  }
};

const std::vector<zlong> kExample = {10, 10, 10, 20, 20, 20, 20, 40, 40, 40};

TEST_F(ConvertTo2Test, RampsBetweenRuns) {
  EXPECT_EQ(Curve(kExample), (std::vector<int>{160, 160, 160, 160, 240, 321,
                                               481, 640, 640, 640}));
  // A LUTC3 with these gray entries has the same curve; its pixels read
  // every third entry.
  std::vector<zlong> zero(kExample.size(), 0);
  Variable t = Lutc3(zero, zero, zero, kExample);
  EXPECT_EQ(Words(Out(t, "Convert2To2", W({0, 1, 2, 3}))),
            (std::vector<int>{160, 160, 481, 640}));
  // Runs of one entry make no ramps: the default LUT3 ends at 4080.
  std::vector<zlong> ramp(256);
  for (zlong i = 0; i < 256; ++i) ramp[i] = i;
  std::vector<int> curve = Curve(ramp);
  EXPECT_EQ(curve[0], 0);
  EXPECT_EQ(curve[1], 16);
  for (int k = 2; k < 256; ++k) EXPECT_EQ(curve[k], 16 * k) << k;
}

TEST_F(ConvertTo2Test, OneRunAndTwoRuns) {
  EXPECT_EQ(Curve({51, 51, 51}), (std::vector<int>{819, 819, 819}));
  EXPECT_EQ(Curve({255}), (std::vector<int>{4095}));
  EXPECT_EQ(Curve({0, 0, 255, 255, 255, 255}),
            (std::vector<int>{0, 0, 4095, 4095, 4095, 4095}));
  // Three runs: run 2 ramps over its first half; the last run's ramp ends
  // at its start, which keeps its fill value.
  EXPECT_EQ(Curve({0, 0, 0, 255, 255, 255, 255, 255, 255, 3}),
            (std::vector<int>{0, 0, 0, 0, 1365, 2730, 4095, 2746, 1397, 48}));
  // The LUT3 key is the whole triple: entries equal in sum are runs apart.
  Variable t = Lut3({10, 0, 0}, {0, 10, 0}, {0, 0, 10});
  EXPECT_EQ(Words(Out(t, "Convert2To2", W({0, 1, 2}))),
            (std::vector<int>{53, 53, 53}));
}

// Where either end is 0 (a colour entry of a LUTC3), no ramp is made, and a
// curve entry of 0 takes the colour's mean on the 0 to 4095 scale.
TEST_F(ConvertTo2Test, Lutc3ColourEntriesStayFlat) {
  Variable t = Lutc3(
      {0, 0, 0, 255, 255, 255, 0, 0, 0}, {0, 0, 0, 255, 255, 255, 0, 0, 0},
      {0, 0, 0, 0, 0, 0, 0, 0, 0}, {51, 51, 51, 0, 0, 0, 102, 102, 102});
  EXPECT_EQ(Words(Out(t, "Convert2To2", W({0, 1, 2}))),
            (std::vector<int>{819, 2730, 1632}));
  Variable white = Lutc3({255}, {255}, {255}, {0});
  EXPECT_EQ(Words(Out(white, "Convert2To2", W({0}))), std::vector<int>{4095});
}

TEST_F(ConvertTo2Test, IndexesReportsAndPlaces) {
  Variable t = Lut3(kExample, kExample, kExample, 100);
  Variable c = Lutc3(kExample, kExample, kExample, kExample, 100);
  EXPECT_EQ(Words(Out(t, "Convert2To2", W({-100}))), std::vector<int>{160});
  EXPECT_EQ(Words(Out(c, "Convert2To2", W({-100}))), std::vector<int>{160});
  // In place: the odd last byte keeps its value; the failing pixel and the
  // ones after it too.
  Variable dst = S("abcdefghi");
  EXPECT_EQ(Convert(t, "Convert2To2", dst, S(W({-99, -80, -91, -95}) + "z")),
            Errors{PixelError("offset = 1, pixel value = 0x0014")});
  EXPECT_EQ(zorl::StringBytes(dst), W({160}) + "cdefghi");
  EXPECT_EQ(Out(c, "Convert2To2", W({-97, -101}) + "z",
                {PixelError("offset = 1, pixel value = 0xfffffffd")}),
            W({640}) + B({0, 0, 0}));
  dst = S("12345");
  EXPECT_EQ(Convert(t, "Convert2To2", dst, S(W({-91, -94}) + "z")), Errors{});
  EXPECT_EQ(zorl::StringBytes(dst), W({640, 481}) + "5");
}

}  // namespace
