// Conversions to 3-byte pixels (blue, green, red), handler by handler.
#include "tests/convert_harness.h"

namespace {

class ConvertTo3Test : public ConvertTest {
 protected:
  // A LUTC3 of 256 levels (m = 768) with gray entry j set to level.
  Variable GrayEntry(zlong j, zlong level) {
    Variable t = New("LUTC3");
    Call(t, "SetItem", {L(3), L(j), L(level)});
    return t;
  }
};

TEST_F(ConvertTo3Test, Lut3ThreeBytesThroughTheirOwnTables) {
  Variable id = New("LUT3");
  std::string ten = B({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  Variable dst = S("xxxxxxxxxx");
  EXPECT_EQ(Convert(id, "Convert3To3", dst, S(ten)), Errors{});
  EXPECT_EQ(zorl::StringBytes(dst), ten.substr(0, 9) + "x");  // byte 9 kept
  EXPECT_EQ(Out(id, "Convert3To3", ten), ten.substr(0, 9) + B({0}));

  Variable t = Lut3({0, 1, 2}, {10, 11, 12}, {20, 21, 22}, -1000);
  EXPECT_EQ(Out(t, "Convert3To3", B({0, 1, 2, 2, 0, 1})),
            B({20, 11, 2, 22, 10, 1}));
  EXPECT_EQ(Out(t, "Convert3To3", B({1, 1, 1, 2, 3, 0}),
                {PixelError("offset = 1, pixel value = (0x02, 0x03, 0x00)")}),
            B({21, 11, 1, 0, 0, 0}));
}

TEST_F(ConvertTo3Test, Lut3ValuesSignedAndUnsigned) {
  std::vector<zlong> r(1000), g(1000), b(1000);
  for (zlong i = 0; i < 1000; ++i) r[i] = i, g[i] = i + 1, b[i] = i + 2;
  Variable t = Lut3(r, g, b, -65000);
  EXPECT_EQ(Out(t, "ConvertU2To3", W({0xFFFF, 65000})),
            B({537 & 0xFF, 536 & 0xFF, 535 & 0xFF, 2, 1, 0}));
  EXPECT_EQ(Out(t, "Convert2To3", W({0xFFFF}),
                {PixelError("offset = 0, pixel value = 0xffff0217")}),
            B({0, 0, 0}));
  SetBaseLine(t, 5);
  EXPECT_EQ(Out(t, "Convert2To3", W({-5, 994}) + "\x01"),
            B({2, 1, 0, 1001 & 0xFF, 1000 & 0xFF, 999 & 0xFF}));
  EXPECT_EQ(Out(t, "ConvertU2To3", W({-5}),
                {PixelError("offset = 0, pixel value = 0x10000")}),
            B({0, 0, 0}));
}

TEST_F(ConvertTo3Test, Lut3OneByteAddsBaseLineInFull) {
  Variable id = New("LUT3");
  EXPECT_EQ(Out(id, "Convert1To3", B({0, 7, 255})),
            B({0, 0, 0, 7, 7, 7, 255, 255, 255}));
  SetBaseLine(id, -1);
  EXPECT_EQ(Out(id, "Convert1To3", B({0}),
                {PixelError("offset = 0, pixel value = 0xffffffff")}),
            B({0, 0, 0}));
  Variable t = Lut3({5, 6, 7}, {15, 16, 17}, {25, 26, 27}, 1);
  Variable dst = S("yyyyyyyyyyy");  // 3c + 2 bytes: used in place
  EXPECT_EQ(Convert(t, "Convert1To3", dst, S(B({0, 1, 2}))),
            Errors{PixelError("offset = 2, pixel value = 0x0003")});
  EXPECT_EQ(zorl::StringBytes(dst), B({26, 16, 6, 27, 17, 7}) + "yyyyy");
}

TEST_F(ConvertTo3Test, Lutc3GrayEntriesAndColourEntries) {
  Variable t = GrayEntry(3, 128);
  Call(t, "SetItem", {L(0), L(6), L(10)});  // entry 6: colour (10, 20, 30)
  Call(t, "SetItem", {L(1), L(6), L(20)});
  Call(t, "SetItem", {L(2), L(6), L(30)});
  Call(t, "SetItem", {L(3), L(6), L(0)});
  EXPECT_EQ(Out(t, "Convert1To3", B({1, 2})), B({128, 128, 128, 30, 20, 10}));
  EXPECT_EQ(Out(t, "Convert2To3", W({1, 2})), B({128, 128, 128, 30, 20, 10}));
  SetBaseLine(t, -3);
  EXPECT_EQ(Out(t, "Convert2To3", W({5, -32768}),
                {PixelError("offset = 1, pixel value = 0xfffe7ff7")}),
            B({30, 20, 10, 0, 0, 0}));
  EXPECT_EQ(Out(t, "Convert1To3", B({4, 2}),
                {PixelError("offset = 1, pixel value = 0xfffffffd")}),
            B({128, 128, 128, 0, 0, 0}));
}

// A colour pixel that meets a gray entry keeps its proportions and takes
// the entry's brightness; the output bytes keep the source's order.
TEST_F(ConvertTo3Test, Lutc3ThreeBytesKeepTheirHue) {
  Variable t = New("LUTC3");
  EXPECT_EQ(Out(t, "Convert3To3", B({10, 20, 30, 0, 0, 0})),
            B({9, 19, 28, 0, 0, 0}));
  EXPECT_EQ(Out(GrayEntry(30, 255), "Convert3To3", B({0, 0, 30})),
            B({0, 0, 255}));
  EXPECT_EQ(Out(GrayEntry(300, 200), "Convert3To3", B({100, 100, 100})),
            B({200, 200, 200}));
  EXPECT_EQ(Out(GrayEntry(0, 99), "Convert3To3", B({0, 0, 0})), B({0, 0, 0}));
  // A colour entry is written as it is: blue, green, red.
  Variable colour = Lutc3({0, 1}, {0, 2}, {0, 3}, {0, 0});
  EXPECT_EQ(Out(colour, "Convert3To3", B({1, 0, 0, 0, 2, 0}),
                {PixelError("offset = 1, pixel value = (0x00, 0x02, 0x00)")}),
            B({3, 2, 1, 0, 0, 0}));
}

// Components made negative by BaseLine count as 0; the sum still indexes.
TEST_F(ConvertTo3Test, Lutc3ThreeBytesWithNegativeComponents) {
  Variable t = GrayEntry(175, 200);
  SetBaseLine(t, -10);
  // components (-5, 90, 90), s = 175: 767 * 200 * 90 / (255 * 175) = 309,
  // then scaled so that the largest is 255.
  EXPECT_EQ(Out(t, "Convert3To3", B({5, 100, 100})), B({0, 255, 255}));
  EXPECT_EQ(Out(t, "Convert3To3", B({10, 10, 10, 0, 0, 0}),
                {PixelError("offset = 1, pixel value = (0x00, 0x00, 0x00)")}),
            B({0, 0, 0, 0, 0, 0}));
}

// Tables too large for 32-bit products are rescaled exactly.
TEST_F(ConvertTo3Test, Lutc3ThreeBytesOnLargeTables) {
  const zlong m = 5000000;
  // m - 2 entries, gray[j] = (j * 255) / (m - 3)
  Variable t = New("LUTC3", {L(m / 3)});
  zlong entries = t.GetLen() / 4;
  long long base = 1500000;
  SetBaseLine(t, static_cast<zlong>(base));
  std::string px = B({1, 2, 250});
  long long c[3] = {1 + base, 2 + base, 250 + base};
  long long s = c[0] + c[1] + c[2];
  long long g = s * 255 / (entries - 1);
  std::string expected;
  long long r[3], top = 255;
  for (int k = 0; k < 3; ++k) {
    r[k] = (entries - 1) * g * c[k] / (255 * s);  // below 2^51
    if (r[k] > top) top = r[k];
  }
  for (long long v : r) expected.push_back(static_cast<char>(255 * v / top));
  EXPECT_EQ(Out(t, "Convert3To3", px), expected);
}

}  // namespace
