// Images of random sizes and pixels written and read back in every format
// and depth, through the script's built-in functions.
#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>

#include "engine/engine.h"
#include "language/interpreter.h"

namespace {

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string s;
  for (unsigned char c : bytes) {
    s += digits[c >> 4];
    s += digits[c & 15];
  }
  return s;
}

TEST(ImageRoundTrip, RandomSizesEveryFormatAndDepth) {
  zorl::Engine engine;
  std::string message;
  ASSERT_TRUE(engine.LoadPlugin(LUT_PLUGIN_PATH, true, &message)) << message;
  std::ostringstream out, err;
  zorl::Interpreter script(engine, out, err, false);
  std::mt19937 random(7);
  std::string dir = ::testing::TempDir();
  for (int round = 0; round < 12; ++round) {
    int w = 1 + random() % 40, h = 1 + random() % 30;
    for (int depth = 1; depth <= 3; ++depth) {
      std::string pixels(static_cast<std::size_t>(w * h * depth), '\0');
      for (char& c : pixels) c = static_cast<char>(random());
      for (const char* ext : {"png", "pnm", depth == 3 ? "ppm" : "pgm"}) {
        std::string path = dir + "round." + ext;
        std::string size = std::to_string(w) + ", " + std::to_string(h) + ", " +
                           std::to_string(depth);
        out.str("");
        ASSERT_EQ(script.RunLine("t", 1,
                                 "WriteImage(\"" + path + "\", " + size +
                                     ", unhex(\"" + Hex(pixels) + "\"))"),
                  0)
            << err.str();
        ASSERT_EQ(script.RunLine("t", 2, "i = ReadImage(\"" + path + "\")"), 0)
            << err.str();
        ASSERT_EQ(script.RunLine("t", 3,
                                 "print(i.Width, i.Height, i.Depth, "
                                 "hex(i.Pixels))"),
                  0);
        EXPECT_EQ(out.str(), std::to_string(w) + " " + std::to_string(h) + " " +
                                 std::to_string(depth) + " \"" + Hex(pixels) +
                                 "\"\n")
            << path << " " << size;
      }
    }
  }
  EXPECT_EQ(err.str(), "");
}

}  // namespace
