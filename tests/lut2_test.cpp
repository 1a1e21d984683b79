// LUT2 conversions of long sources, which run in blocks: a bad pixel
// anywhere, at a block's edges too, stops Convert2To1 there and is reported
// by Convert2To3, which goes on. (The golden script pins the rest.)
#include <cstdio>

#include "tests/harness.h"

namespace {

class Lut2Test : public PluginTest {};

TEST_F(Lut2Test, BadPixelsAnywhereInLongSources) {
  Variable t = New("LUT2", {V({10, 20, 30, 40, 50}), L(2)});  // -2 .. 2
  for (int bad : {0, 1, 1023, 1024, 1025, 2047, 2048, 2999}) {
    std::vector<int> pixels(3000);
    for (std::size_t i = 0; i < pixels.size(); ++i)
      pixels[i] = static_cast<int>(i % 5) - 2;
    pixels[bad] = 3;
    if (bad + 7 < 3000) pixels[bad + 7] = -32768;
    std::string one(3000, '\0'), three(9000, '\0');
    for (int i = 0; i < 3000; ++i) {
      int p = pixels[i];
      if (p < -2 || p > 2) continue;
      char v = static_cast<char>(10 * (p + 3));
      if (i < bad) one[i] = v;
      three.replace(3 * i, 3, 3, v);
    }
    char text[64];
    std::snprintf(text, sizeof text, "offset = %d, pixel value = 0x0005", bad);
    Errors want{PixelError(text)};
    EXPECT_EQ(zorl::StringBytes(Call(t, "Convert2To1", {S(W(pixels))})), one);
    EXPECT_EQ(TakeErrors(), want) << bad;
    if (bad + 7 < 3000) {
      std::snprintf(text, sizeof text, "offset = %d, pixel value = 0xffff8002",
                    bad + 7);
      want.push_back(PixelError(text));
    }
    EXPECT_EQ(zorl::StringBytes(Call(t, "Convert2To3", {S(W(pixels))})), three);
    EXPECT_EQ(TakeErrors(), want) << bad;
  }
}

}  // namespace
