// Conversions to one byte per pixel, handler by handler: their indexes, the
// first pixel that fails and the exact report.
#include "tests/convert_harness.h"

namespace {

class ConvertTo1Test : public ConvertTest {
 protected:
  // Colour tables of n entries that tell the channels apart.
  Variable Distinct(zlong n, zlong base = 0) {
    std::vector<zlong> r(n), g(n), b(n);
    for (zlong i = 0; i < n; ++i) {
      r[i] = i;
      g[i] = (i * 7) & 0xFF;
      b[i] = 255 - (i & 0xFF);
    }
    return Lut3(r, g, b, base);
  }
  static int Mean(zlong i) { return (i + ((i * 7) & 0xFF) + 255 - i) / 3; }
};

TEST_F(ConvertTo1Test, Lut3OneByteWrapsItsIndexIn8Bits) {
  Variable t = Distinct(256);
  EXPECT_EQ(Out(t, "Convert1To1", B({0, 1, 200, 255})),
            B({Mean(0), Mean(1), Mean(200), Mean(255)}));
  SetBaseLine(t, 256);  // only the low byte counts
  EXPECT_EQ(Out(t, "Convert1To1", B({0, 255})), B({Mean(0), Mean(255)}));
  SetBaseLine(t, -16);
  EXPECT_EQ(Out(t, "Convert1To1", B({0, 16, 20})),
            B({Mean(240), Mean(0), Mean(4)}));
}

TEST_F(ConvertTo1Test, Lut3OneByteStopsAtTheFirstIndexBeyondTheTable) {
  Variable t = New("LUT3", {L(100)});  // red[i] = (i * 256) / 100
  Variable dst = S("abcdefghij");
  EXPECT_EQ(
      Convert(t, "Convert1To1", dst, S(B({0, 1, 2, 3, 4, 5, 99, 100, 0, 200}))),
      Errors{PixelError("offset = 7, pixel value = 0x0064")});
  EXPECT_EQ(zorl::StringBytes(dst), B({0, 2, 5, 7, 10, 12, 253}) + "hij");
  // The wrapped index is reported: 101 + 0x1FF is 100 in 8 bits.
  SetBaseLine(t, 0x1FF);
  EXPECT_EQ(Out(t, "Convert1To1", B({1, 101}),
                {PixelError("offset = 1, pixel value = 0x0064")}),
            B({0, 0}));
}

TEST_F(ConvertTo1Test, Lut3TwoBytesAddBaseLineToTheSignedPixel) {
  Variable t = Distinct(300, 40);
  EXPECT_EQ(Out(t, "Convert2To1", W({-40, 0, 259}) + "\x07"),
            B({Mean(0), Mean(40), Mean(299)}));
  EXPECT_EQ(Out(t, "Convert2To1", W({5, -41}),
                {PixelError("offset = 1, pixel value = 0xffffffff")}),
            B({Mean(45), 0}));
  EXPECT_EQ(Out(t, "Convert2To1", W({260}),
                {PixelError("offset = 0, pixel value = 0x012c")}),
            B({0}));
}

TEST_F(ConvertTo1Test, Lut3ThreeBytesUseEachChannelWithoutBaseLine) {
  Variable t = Distinct(256, 1000);
  // byte 0 blue, byte 1 green, byte 2 red
  EXPECT_EQ(Out(t, "Convert3To1", B({10, 20, 30, 255, 0, 1})),
            B({(255 - 10 + 140 + 30) / 3, (0 + 0 + 1) / 3}));
  Variable small = Distinct(100);
  EXPECT_EQ(Out(small, "Convert3To1", B({1, 2, 3, 10, 200, 20}),
                {PixelError("offset = 1, pixel value = (0x0a, 0xc8, 0x14)")}),
            B({(254 + 14 + 3) / 3, 0}));
}

TEST_F(ConvertTo1Test, Lutc3IndexesThreeTimesTheValue) {
  Variable t = New("LUTC3");  // m = 768, gray[j] = (j * 255) / 767
  EXPECT_EQ(Out(t, "Convert1To1", B({2, 100, 255})),
            B({6 * 255 / 767, 300 * 255 / 767, 765 * 255 / 767}));
  // Entry 3 is a colour entry: the mean of its colour.
  Call(t, "SetItem", {L(0), L(3), L(30)});
  Call(t, "SetItem", {L(1), L(3), L(60)});
  Call(t, "SetItem", {L(2), L(3), L(91)});
  EXPECT_EQ(Out(t, "Convert1To1", B({1})), B({60}));
  EXPECT_EQ(Out(t, "Convert2To1", W({1})), B({60}));
  SetBaseLine(t, 1);
  EXPECT_EQ(Out(t, "Convert1To1", B({0, 254, 255}),
                {PixelError("offset = 2, pixel value = 0x0300")}),
            B({60, 254, 0}));
  SetBaseLine(t, -5);
  EXPECT_EQ(Out(t, "Convert2To1", W({6, 4}),
                {PixelError("offset = 1, pixel value = 0xfffffffd")}),
            B({60, 0}));
  // An index beyond the host's long is shown saturated, never wrapped.
  SetBaseLine(t, 0x7FFFFFFF);
  EXPECT_EQ(Out(t, "Convert2To1", W({1}),
                {PixelError("offset = 0, pixel value = 0x7fffffff")}),
            B({0}));
}

TEST_F(ConvertTo1Test, Lutc3ThreeBytesIndexTheirSum) {
  std::vector<zlong> zero(61, 0), gray(61, 0);
  gray[60] = 77;
  Variable t = Lutc3(zero, zero, zero, gray);
  EXPECT_EQ(Out(t, "Convert3To1", B({10, 20, 30})), B({77}));
  Variable shorter = Lutc3({1}, {2}, {3}, {0});
  EXPECT_EQ(Out(shorter, "Convert3To1", B({0, 0, 0, 10, 20, 30}),
                {PixelError("offset = 1, pixel value = (0x0a, 0x14, 0x1e)")}),
            B({2, 0}));
  // BaseLine counts three times; the report shows the raw bytes.
  SetBaseLine(t, -10);
  EXPECT_EQ(Out(t, "Convert3To1", B({30, 30, 30, 0, 0, 29}),
                {PixelError("offset = 1, pixel value = (0x00, 0x00, 0x1d)")}),
            B({77, 0}));
}

}  // namespace
