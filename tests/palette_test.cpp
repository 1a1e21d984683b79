// Palette files that are damaged or hostile: each refused with the error
// that names what is wrong; segmented DICOM data nested deep expands in
// time of its output.
#include "images/palette.h"

#include <cmath>

#include "harness.h"

namespace {

using namespace std::string_literals;

// n rows of a table: i,i,i.
std::string Rows(int n) {
  std::string rows;
  for (int i = 0; i < n; ++i)
    rows += std::to_string(i) + "," + std::to_string(i) + "," +
            std::to_string(i) + "\n";
  return rows;
}

// An 8-bit indirect segment: n segments from the one at byte `at`.
std::string Indirect(int n, std::size_t at) {
  return B({2, n, static_cast<int>(at & 255), static_cast<int>(at >> 8), 0, 0});
}

// "seg": 8-bit segmented data of a 4-entry table; else a file of that name.
std::string Refusal(const char* name, const std::string& bytes) {
  zorl::Palette palette;
  std::string error;
  const uint16_t descriptor[3] = {4, 0, 8};
  bool ok =
      std::string(name) == "seg"
          ? zorl::DicomLutEntries(descriptor, bytes, true, &palette.red, &error)
          : zorl::ParsePalette(name, bytes, &palette, &error);
  return ok ? "accepted" : error;
}

TEST(Palette, DamagedBytesAreRefusedSayingWhy) {
  const struct {
    const char* name;
    std::string bytes;
    const char* error;
  } kCases[] = {
      {"cut.lut", std::string(700, '\0'),
       "a binary .lut of 700 bytes, 68 short of 768 (256 red, green and blue "
       "entries)"},
      {"t.csv", Rows(255), "255 entries; 256 expected"},
      {"t.csv", Rows(255) + "12,34",
       "line 256: 2 columns; 3 expected, as in line 1"},
      {"t.csv", "1e2,0,0\n" + Rows(255),
       "line 1: \"1e2\" is not a whole decimal number"},
      {"t.csv", "0,0,0\n1,0x10,1\n",
       "line 2: \"0x10\" is not a whole decimal number"},
      {"t.lut", "Index Red Green Blue\n0 1 2 3\n2 1 2 3\n",
       "line 3: index \"2\"; 1 expected"},
      {"t.lut", "0 1 2 3\n1 1 2\x00 3\n"s,
       "line 2: a stray control byte \"\\x00\""},
      {"t.csv", "1,2,3\n4,5,6 x\n",
       "line 2: 4 columns; 3 expected, as in line 1"},
      {"t.csv", "1,2,\xff\n",
       "line 1: \"\\xff\" is not a whole decimal number"},
      {"t.cube", "LUT_1D_SIZE 4\n0 0 0\n", "1 entries; 4 expected"},
      {"t.cube", "DOMAIN_MIN\nLUT_1D_SIZE 2\n",
       "line 1: DOMAIN_MIN with 0 values; 3 expected"},
      {"t.cube", "LUT_1D_SIZE 0x10\n",
       "line 1: LUT_1D_SIZE \"0x10\" is not a decimal count 2 to 65536"},
      {"t.cube", "LUT_1D_SIZE 2\n0 0 0\n0x1p-1 0 0\n",
       "line 3: \"0x1p-1\" is not a decimal number"},
      {"seg", B({0, 3, 1}),
       "segment 1: a discrete segment of 3 values; the data ends after 1"},
      {"seg", B({0, 1, 5, 1, 3}),
       "segment 2: a linear segment without its end value"},
      {"seg", B({0, 1, 5, 2, 1, 0, 0}),
       "segment 2: an indirect segment without its offset"},
      {"seg", B({0, 1, 5, 1}), "segment 2: the data ends after its type"},
      {"seg", B({0, 1, 5}) + Indirect(1, 3),
       "segment 2: an indirect segment refers to itself"},
      {"seg", B({0, 1, 5}) + Indirect(1, 1),
       "segment 2: an indirect segment refers to byte offset 1, not the start "
       "of an earlier segment"},
      {"seg", B({0, 1, 5}) + Indirect(1, 9),
       "segment 2: an indirect segment refers to byte offset 9, not the start "
       "of an earlier segment"},
      {"seg", B({0, 1, 5}) + Indirect(2, 0),
       "segment 2: an indirect segment gives 2 segments from segment 1; only 1 "
       "come before it"},
      {"seg", B({0, 1, 5, 1, 9, 7}),
       "segment 2: more entries than the descriptor's 4"},
      {"seg", B({0, 3, 1, 2, 3}) + Indirect(1, 0),
       "segment 2: more entries than the descriptor's 4"},
      {"seg", B({0, 1, 5, 3, 0}), "segment 2: unknown segment type 3"},
      {"seg", B({0, 1, 5}) + std::string(2050, '\0'),
       "segment 1026: more than 1024 segments that give no entries"},
      {"seg", B({1, 2, 5}),
       "segment 1: a linear segment with no value before it"},
  };
  for (const auto& c : kCases)
    EXPECT_EQ(Refusal(c.name, c.bytes), c.error) << c.name << " " << c.bytes;
}

TEST(Palette, NestedIndirectSegmentsExpandInTimeOfTheirOutput) {
  // A value, an empty segment, then 60 levels each giving the level below
  // twice: 2^60 segments expanded again, no entries.
  std::string data = B({0, 1, 10, 0, 0});
  std::size_t below = 3;
  for (int k = 0; k < 60; ++k) {
    data += Indirect(1, below);
    std::size_t level = data.size();
    data += Indirect(2, below);
    below = level;
  }
  // A ramp 10 to 20, then 60 times a value k and the segment before given
  // again, nested 60 deep: each time a ramp from k to 20.
  below = data.size();
  data += B({1, 2, 20});
  std::vector<uint8_t> want = {10, 15, 20};
  for (int k = 1; k <= 60; ++k) {
    data += B({0, 1, k});
    std::size_t level = data.size();
    data += Indirect(1, below);
    below = level;
    want.insert(want.end(),
                {static_cast<uint8_t>(k),
                 static_cast<uint8_t>(std::nearbyint((k + 20) / 2.0)), 20});
  }
  const uint16_t descriptor[3] = {static_cast<uint16_t>(want.size()), 0, 8};
  std::vector<uint8_t> entries;
  std::string error;
  ASSERT_TRUE(zorl::DicomLutEntries(descriptor, data, true, &entries, &error))
      << error;
  EXPECT_EQ(entries, want);
}

}  // namespace
