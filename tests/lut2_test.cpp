// LUT2 end to end: construction, BaseLine lookups and the 2-byte conversions
// with their error reports, through the dispatcher as a script makes them.
#include <climits>
#include <cstdio>
#include <cstring>

#include "tests/harness.h"

namespace {

class Lut2Test : public PluginTest {
 protected:
  zlong BaseLine(Variable& t) {
    Variable* b = engine.GetMember(t, "BaseLine");
    return b ? b->GetLongNumb() : -12345;
  }
  static unsigned Entry(Variable& t, zlong i) {
    return static_cast<unsigned char>(Bytes(t)[static_cast<std::size_t>(i)]);
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

TEST_F(Lut2Test, MethodTableRowsAndSharedHandlers) {
  const std::vector<MethodEntry>& rows = engine.Modules()[0].methods;
  ASSERT_GE(rows.size(), 19u);
  const char* expected[] = {
      "LUT1::Shrink(number, number, number, number, boolean)",
      "LUT2::LUT2(void)",
      "LUT2::LUT2(int)",
      "LUT2::LUT2(object Vector, int)",
      "LUT2::GetTable(void)",
      "LUT2::SetItem(int, char)",
      "LUT2::GetItem(int)",
      "LUT2::ConvertVoxel(number)",
      "LUT2::Convert2To1(refer object String)",
      "LUT2::Convert2To3(refer object String)",
      "LUT2::Shrink(number, number, number, number, boolean)",
  };
  for (int row = 8; row <= 18; ++row)
    EXPECT_STREQ(rows[row].signature, expected[row - 8]) << row;
  EXPECT_EQ(rows[2].handler, rows[12].handler);
  EXPECT_EQ(rows[3].handler, rows[13].handler);
  EXPECT_EQ(rows[4].handler, rows[14].handler);
  EXPECT_EQ(rows[10].handler, rows[11].handler);
  EXPECT_NE(rows[5].handler, rows[15].handler);
  EXPECT_NE(rows[8].handler, rows[18].handler);
}

TEST_F(Lut2Test, DefaultRamp) {
  Variable t = New("LUT2");
  ASSERT_EQ(t.GetLen(), 2048);
  EXPECT_EQ(BaseLine(t), 0);
  EXPECT_EQ(Entry(t, 7), 0u);
  EXPECT_EQ(Entry(t, 8), 1u);
  EXPECT_EQ(Entry(t, 2047), 255u);
  Variable v = Call(t, "ConvertVoxel", {L(2047)});
  EXPECT_EQ(v.GetType(), PV_BYTE);
  EXPECT_EQ(v.GetLongNumb(), 255);
  EXPECT_TRUE(TakeErrors().empty());
  v = Call(t, "ConvertVoxel", {L(2048)});
  EXPECT_EQ(v.GetType(), PV_EMPTY);
  EXPECT_EQ(TakeErrors(), Errors{PixelError("value out of LUT range")});

  // The LUT1 handlers see every entry, without BaseLine.
  EXPECT_EQ(Call(t, "GetTable").GetCount(), 2048);
  Call(t, "SetItem", {L(2047), L(7)});
  EXPECT_EQ(Call(t, "GetItem", {L(2047)}).GetLongNumb(), 7);
  EXPECT_TRUE(TakeErrors().empty());
}

TEST_F(Lut2Test, RampsOfAChosenLength) {
  Variable t = New("LUT2", {L(4096)});
  ASSERT_EQ(t.GetLen(), 4096);
  EXPECT_EQ(BaseLine(t), 0);
  for (zlong i = 0; i < 4096; ++i) ASSERT_EQ(Entry(t, i), unsigned(i / 16));

  t = New("LUT2", {L(100)});
  ASSERT_EQ(t.GetLen(), 100);
  for (zlong i = 0; i < 100; ++i) ASSERT_EQ(Entry(t, i), unsigned(i));

  t = New("LUT2", {L(300)});  // step 1: the quotient passes 255 and wraps
  ASSERT_EQ(t.GetLen(), 300);
  for (zlong i = 0; i < 300; ++i) ASSERT_EQ(Entry(t, i), unsigned(i & 0xFF));

  t = New("LUT2", {L(600)});  // step 2: 512 to 599 wrap to 0 to 43
  EXPECT_EQ(Entry(t, 511), 255u);
  EXPECT_EQ(Entry(t, 512), 0u);
  EXPECT_EQ(Entry(t, 599), 43u);
  EXPECT_TRUE(TakeErrors().empty());

  // Empty and negative lengths: every lookup is out of range; a table
  // without data ends a conversion silently.
  for (zlong n : {0, -5}) {
    t = New("LUT2", {L(n)});
    EXPECT_EQ(t.GetLen(), 0);
    EXPECT_EQ(BaseLine(t), 0);
    EXPECT_EQ(Call(t, "ConvertVoxel", {L(0)}).GetType(), PV_EMPTY);
    EXPECT_EQ(TakeErrors(), Errors{PixelError("value out of LUT range")});
    Variable out = Call(t, "Convert2To1", {S(Wide({0}))});
    EXPECT_EQ(zorl::StringBytes(out), std::string(1, '\0')) << n;
    if (n == 0)
      EXPECT_EQ(TakeErrors(),
                Errors{PixelError("offset = 0, pixel value = 0x0000")});
    else
      EXPECT_TRUE(TakeErrors().empty());
  }
}

TEST_F(Lut2Test, FromVectorWithBaseLine) {
  Variable t = New("LUT2", {V({10, 20, 30, 40, 50}), L(2)});
  ASSERT_EQ(t.GetLen(), 5);
  EXPECT_EQ(BaseLine(t), 2);
  EXPECT_EQ(Call(t, "ConvertVoxel", {L(-2)}).GetLongNumb(), 10);
  EXPECT_EQ(Call(t, "ConvertVoxel", {L(2)}).GetLongNumb(), 50);
  EXPECT_EQ(Call(t, "GetItem", {L(0)}).GetLongNumb(), 10);
  EXPECT_EQ(Call(t, "ConvertVoxel", {L(0)}).GetLongNumb(), 30);
  EXPECT_TRUE(TakeErrors().empty());
  for (zlong bad : {3, -3}) {
    EXPECT_EQ(Call(t, "ConvertVoxel", {L(bad)}).GetType(), PV_EMPTY);
    EXPECT_EQ(TakeErrors(), Errors{PixelError("value out of LUT range")});
  }

  // The BaseLine is copied as it comes and read as a long.
  t = New("LUT2", {V({1, 2, 3}), zorl::MakeDouble(1.75)});
  EXPECT_EQ(engine.GetMember(t, "BaseLine")->GetType(), PV_DOUBLE);
  EXPECT_EQ(Call(t, "ConvertVoxel", {L(-1)}).GetLongNumb(), 1);

  // Something that is no Vector counts no elements.
  t = New("LUT2", {S("abc"), L(7)});
  EXPECT_EQ(t.GetLen(), 0);
  EXPECT_EQ(BaseLine(t), 7);
  EXPECT_TRUE(TakeErrors().empty());
}

TEST_F(Lut2Test, ConversionsOfWidePixels) {
  Variable t = New("LUT2", {V({10, 20, 30, 40, 50}), L(2)});
  // -2, 2, 0 and a last odd byte that is not read.
  std::string five = Wide({-2, 2, 0}).substr(0, 5);
  Variable out = Call(t, "Convert2To1", {S(five)});
  EXPECT_EQ(zorl::StringBytes(out), "\x0a\x32");
  out = Call(t, "Convert2To3", {S(five)});
  EXPECT_EQ(zorl::StringBytes(out), "\x0a\x0a\x0a\x32\x32\x32");
  out = Call(t, "Convert2To1", {S("")});
  EXPECT_EQ(out.GetType(), PV_STRING);
  EXPECT_EQ(out.GetLen(), 0);
  EXPECT_TRUE(TakeErrors().empty());
}

TEST_F(Lut2Test, FirstBadPixelStopsConvert2To1) {
  Variable t = New("LUT2", {V({10, 20, 30, 40, 50}), L(2)});
  std::vector<Variable> args{S(Wide({0, 3, 1, -3}))};
  Variable out = Call(t, "Convert2To1", args);
  EXPECT_EQ(zorl::StringBytes(out), std::string("\x1e\0\0\0", 4));
  EXPECT_EQ(TakeErrors(),
            Errors{PixelError("offset = 1, pixel value = 0x0005")});
  EXPECT_EQ(zorl::StringBytes(args[0]), Wide({0, 3, 1, -3}));
}

TEST_F(Lut2Test, Convert2To3ReportsEveryBadPixel) {
  Variable t = New("LUT2", {V({10, 20, 30, 40, 50}), L(2)});
  Variable out = Call(t, "Convert2To3", {S(Wide({0, 3, 1, -3}))});
  EXPECT_EQ(zorl::StringBytes(out),
            std::string("\x1e\x1e\x1e\0\0\0\x28\x28\x28\0\0\0", 12));
  EXPECT_EQ(TakeErrors(),
            (Errors{PixelError("offset = 1, pixel value = 0x0005"),
                    PixelError("offset = 3, pixel value = 0xffffffff")}));
}

// Long sources run in blocks; the first bad pixel stops Convert2To1 and
// every bad pixel is reported by Convert2To3 wherever it lies, at a block's
// edges or inside one, with every good pixel before it written.
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
