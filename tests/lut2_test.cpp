// LUT2 where the golden script does not reach: tables without entries or
// data, and pixel-plus-BaseLine sums that wrap at 32 bits.
#include <climits>
#include <cstring>

#include "tests/harness.h"

namespace {

class Lut2Test : public PluginTest {
 protected:
  zlong BaseLine(Variable& t) {
    Variable* b = engine.GetMember(t, "BaseLine");
    return b ? b->GetLongNumb() : -12345;
  }
};

// 2-byte pixels, low byte first.
std::string Wide(const std::vector<int>& pixels) {
  std::string s;
  for (int p : pixels) {
    s += static_cast<char>(p & 0xFF);
    s += static_cast<char>((p >> 8) & 0xFF);
  }
  return s;
}

ScriptError PixelError(const char* text) {
  return ScriptError{kLutErrorBase, text};
}

// Empty and negative lengths: every lookup is out of range; a table
// without data ends a conversion silently.
TEST_F(Lut2Test, TablesWithoutEntriesOrData) {
  for (zlong n : {0, -5}) {
    Variable t = New("LUT2", {L(n)});
    EXPECT_EQ(t.GetLen(), 0);
    EXPECT_EQ(BaseLine(t), 0);
    EXPECT_EQ(Call(t, "ConvertVoxel", {L(0)}).GetType(), PV_EMPTY);
    EXPECT_EQ(TakeErrors(), Errors{PixelError("value out of LUT range")});
    Variable out = Call(t, "Convert2To1", {S(Wide({0}))});
    EXPECT_EQ(zorl::StringBytes(out), std::string(1, '\0')) << n;
    EXPECT_EQ(TakeErrors(),
              n == 0 ? Errors{PixelError("offset = 0, pixel value = 0x0000")}
                     : Errors{});
  }
  // Something that is no Vector counts no elements.
  Variable t = New("LUT2", {S("abc"), L(7)});
  EXPECT_EQ(t.GetLen(), 0);
  EXPECT_EQ(BaseLine(t), 7);
  // The BaseLine is copied as it comes and read as a long.
  t = New("LUT2", {V({1, 2, 3}), zorl::MakeDouble(1.75)});
  EXPECT_EQ(engine.GetMember(t, "BaseLine")->GetType(), PV_DOUBLE);
  EXPECT_EQ(Call(t, "ConvertVoxel", {L(-1)}).GetLongNumb(), 1);
  EXPECT_TRUE(TakeErrors().empty());
}

TEST_F(Lut2Test, BadPixelsAnywhereInLongSources) {
  Variable t = New("LUT2", {V({10, 20, 30, 40, 50}), L(2)});  // -2 .. 2
  for (int bad : {0, 1, 1023, 1024, 1025, 2047, 2048, 2999}) {
    std::vector<int> pixels(3000);
    for (std::size_t i = 0; i < pixels.size(); ++i)
      pixels[i] = static_cast<int>(i % 5) - 2;
    pixels[static_cast<std::size_t>(bad)] = 3;
    if (bad + 7 < 3000) pixels[static_cast<std::size_t>(bad + 7)] = -32768;
    std::string one(3000, '\0'), three(9000, '\0');
    for (int i = 0; i < 3000; ++i) {
      int p = pixels[static_cast<std::size_t>(i)];
      if (p < -2 || p > 2) continue;
      char v = static_cast<char>(10 * (p + 3));
      if (i < bad) one[static_cast<std::size_t>(i)] = v;
      three.replace(static_cast<std::size_t>(3 * i), 3, 3, v);
    }
    Variable out = Call(t, "Convert2To1", {S(Wide(pixels))});
    EXPECT_EQ(zorl::StringBytes(out), one) << bad;
    char text[64];
    std::snprintf(text, sizeof text, "offset = %d, pixel value = 0x0005", bad);
    EXPECT_EQ(TakeErrors(), Errors{PixelError(text)}) << bad;

    out = Call(t, "Convert2To3", {S(Wide(pixels))});
    EXPECT_EQ(zorl::StringBytes(out), three) << bad;
    Errors want{PixelError(text)};
    if (bad + 7 < 3000) {
      std::snprintf(text, sizeof text, "offset = %d, pixel value = 0xffff8002",
                    bad + 7);
      want.push_back(PixelError(text));
    }
    EXPECT_EQ(TakeErrors(), want) << bad;
  }
}

TEST_F(Lut2Test, NegativeAndWrappedEntriesPrintTheir32BitPattern) {
  Variable t = New("LUT2");
  Variable out = Call(t, "Convert2To1", {S("\xff\xff")});
  EXPECT_EQ(TakeErrors(),
            Errors{PixelError("offset = 0, pixel value = 0xffffffff")});

  // The sum of pixel and BaseLine wraps at 32 bits.
  t = New("LUT2", {V({1, 2}), L(INT_MAX)});
  out = Call(t, "Convert2To3", {S(Wide({1, -32768, 32767}))});
  EXPECT_EQ(TakeErrors(),
            (Errors{PixelError("offset = 0, pixel value = 0x80000000"),
                    PixelError("offset = 1, pixel value = 0x7fff7fff"),
                    PixelError("offset = 2, pixel value = 0x80007ffe")}));
  EXPECT_EQ(Call(t, "ConvertVoxel", {L(1)}).GetType(), PV_EMPTY);
  EXPECT_EQ(TakeErrors(), Errors{PixelError("value out of LUT range")});

  t = New("LUT2", {V({1, 2}), L(32768)});
  out = Call(t, "Convert2To1", {S(Wide({-32768, -32767, -32766}))});
  EXPECT_EQ(zorl::StringBytes(out), std::string("\x01\x02\x00", 3));
  EXPECT_EQ(TakeErrors(),
            Errors{PixelError("offset = 2, pixel value = 0x0002")});
}

}  // namespace
