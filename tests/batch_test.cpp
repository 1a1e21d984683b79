// Batches and pictures through the script's built-ins: a folder of
// thousands of files, 16-bit histograms with and without sign, and the
// pixels of a table's picture.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "engine/engine.h"
#include "images/histogram.h"
#include "language/interpreter.h"

namespace {

class Batch : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string message;
    ASSERT_TRUE(engine.LoadPlugin(LUT_PLUGIN_PATH, true, &message)) << message;
  }
  // Runs lines of a script; the value of a variable afterwards.
  Variable Run(const std::string& lines, const char* name) {
    std::istringstream in(lines);
    EXPECT_EQ(script.Run("t", in, true), 0) << err.str();
    return *script.Find(name);
  }
  zorl::Engine engine;
  std::ostringstream out, err;
  zorl::Interpreter script{engine, out, err, false};
  std::string dir = ::testing::TempDir();
};

TEST_F(Batch, ThousandsOfFilesInNaturalOrder) {
  std::string folder = dir + "batch_files";
  mkdir(folder.c_str(), 0777);
  for (int i = 2500; i >= 1; --i)
    std::fclose(std::fopen((folder + "/f" + std::to_string(i)).c_str(), "w"));
  Variable list = Run("v = ListFiles(\"" + folder + "/f*\")\n", "v");
  ASSERT_EQ(list.GetCount(), 2500);
  for (zlong i = 0; i < 2500; ++i)
    ASSERT_EQ(zorl::StringBytes(list[i]),
              folder + "/f" + std::to_string(i + 1));
}

TEST_F(Batch, SixteenBitHistogramsCountTheStoredValues) {
  // 0x8000, 0xffff, 5: unsigned 32768, 65535, 5; signed -32768, -1, 5.
  const char* image =
      "im = Image(3, 1, 2)\nim.Pixels = \"\\x00\\x80\\xff\\xff\\x05\\x00\"\n";
  struct Case {
    const char* sign;
    zlong first, at[3];
  } cases[] = {{"", 0, {32768, 65535, 5}},
               {"im.Signed = true\n", -32768, {0, 32767, 32773}}};
  for (const Case& c : cases) {
    Variable h = Run(std::string(image) + c.sign + "h = Histogram(im)\n", "h");
    ASSERT_EQ(h.GetCount(), 2);
    EXPECT_EQ(h[0].GetLongNumb(), c.first);
    Variable& counts = h[1];
    ASSERT_EQ(counts.GetCount(), 65536);
    zlong total = 0;
    for (zlong i = 0; i < 65536; ++i) total += counts[i].GetLongNumb();
    EXPECT_EQ(total, 3);
    for (zlong v : c.at) EXPECT_EQ(counts[v].GetLongNumb(), 1) << v;
  }
}

TEST(Histogram, CountsThePixelsOutsideASpan) {
  struct Case {
    long long width, depth;
    bool isSigned;
    const char* pixels;
    long long lo, hi, outside;
  } cases[] = {
      {4, 1, false, "\x00\x05\x06\xff", 5, 6, 2},
      // 16 bits: 0x8000 and 0xffff are -32768 and -1 signed.
      {3, 2, false, "\x00\x80\xff\xff\x05\x00", 5, 40000, 1},
      {3, 2, true, "\x00\x80\xff\xff\x05\x00", -1, 5, 1},
      // Colour: a pixel is outside when any of its components is.
      {3, 3, false, "\x01\x02\x03\x01\x09\x03\x00\x02\x03", 1, 3, 2},
  };
  for (const Case& c : cases) {
    zorl::ImageView image{c.width, 1, c.depth,
                          reinterpret_cast<const unsigned char*>(c.pixels)};
    zorl::PixelCounts counts = zorl::CountPixels(image, c.isSigned);
    EXPECT_EQ(zorl::CountOutside(image, counts, c.lo, c.hi), c.outside)
        << c.depth << c.isSigned;
  }
}

// FNV-1a over bytes.
std::uint64_t Hash(const std::string& bytes) {
  std::uint64_t h = 14695981039346656037ULL;
  for (unsigned char c : bytes) h = (h ^ c) * 1099511628211ULL;
  return h;
}

TEST_F(Batch, TablePictureHasItsCurvesInTheirColours) {
#ifndef ZORL_PLOTS
  GTEST_SKIP() << "built without plotting";
#endif
  Variable im =
      Run("PlotTable(\"" + dir +
              "t.png\", LUT3(fill(256, 200), fill(256, 100), fill(256, 30)))\n"
              "im = ReadImage(\"" +
              dir + "t.png\")\n",
          "im");
  ASSERT_EQ(im("Width").GetLongNumb(), 880);
  ASSERT_EQ(im("Height").GetLongNumb(), 500);
  // The plotting area (72, 16) to (680, 452) holds no text, so its pixels
  // do not depend on fonts; output v lies at row 16 + (259 - v) * 436 / 263.
  std::string px = zorl::StringBytes(im("Pixels"));
  auto at = [&](int x, int y) {
    const char* p = &px[static_cast<std::size_t>(3 * (y * 880 + x))];
    return static_cast<unsigned>(static_cast<unsigned char>(p[2])) << 16 |
           static_cast<unsigned char>(p[1]) << 8 |
           static_cast<unsigned char>(p[0]);
  };
  struct Point {
    int value;
    unsigned rgb;
  } points[] = {{200, 0xD62020}, {100, 0x20A020}, {30, 0x2040E0}};
  for (const Point& p : points) {  // antialiased: close to the colour
    unsigned got = at(400, 16 + (259 - p.value) * 436 / 263);
    for (int shift = 0; shift < 24; shift += 8)
      EXPECT_NEAR(got >> shift & 255, p.rgb >> shift & 255, 16) << p.value;
  }
  EXPECT_EQ(at(400, 200), 0xFFFFFFu);
  std::string area;
  for (int y = 17; y < 451; ++y)
    area +=
        px.substr(static_cast<std::size_t>(3 * (y * 880 + 73)), 3 * (679 - 73));
  EXPECT_EQ(Hash(area), 8500087539589651094u);
}

TEST_F(Batch, HistogramBarsAtTheEndsAreAsWideAsTheOthers) {
#ifndef ZORL_PLOTS
  GTEST_SKIP() << "built without plotting";
#endif
  // Pixels 0, 128 and 255, one each: three bars of the same height.
  Variable im = Run(
      "g = Image(3, 1, 1)\ng.Pixels = \"\\x00\\x80\\xff\"\n"
      "PlotHistogram(\"" +
          dir + "h.png\", g, LUT1())\nim = ReadImage(\"" + dir + "h.png\")\n",
      "im");
  std::string px = zorl::StringBytes(im("Pixels"));
  // The gray (0xB0) of the bars, in pixels, across row 300 between x and
  // x + n: the bars of 0, 128 and 255 (the area runs from 72 to 623 and
  // the axis from -3.06 to 258.06), clear of the grid lines.
  auto gray = [&](int x, int n) {
    double sum = 0;
    for (int i = x; i < x + n; ++i)
      sum += (255 - static_cast<unsigned char>(
                        px[static_cast<std::size_t>(3 * (300 * 880 + i))])) /
             (255.0 - 0xB0);
    return sum;
  };
  double middle = gray(330, 40);
  EXPECT_NEAR(middle, 552 / 261.12, 0.05);
  EXPECT_NEAR(gray(73, 27), middle, 0.05);
  EXPECT_NEAR(gray(610, 13), middle, 0.05);
}

}  // namespace
