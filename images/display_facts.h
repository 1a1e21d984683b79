// What a DICOM file says about showing its gray values: its windows, its
// look-up tables (Modality, VOI, Presentation) as stored and its
// Presentation LUT Shape. The decoder collects them (decoder/
// display_facts.cpp); they travel as fields (display_fields.h), the
// tables' data as bytes after the pixels in the reply's shared memory;
// display_table.h computes the display from them.
#ifndef ZORL_IMAGES_DISPLAY_FACTS_H
#define ZORL_IMAGES_DISPLAY_FACTS_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zorl {

// One LUT of a sequence item, as the file holds it; display_table.cpp
// reads and checks it.
struct StoredLut {
  std::string element;  // "VOI LUT Sequence (0028,3010) item 1"
  uint16_t descriptor[3] = {0, 0, 0};
  int descriptorValues = 0;   // how many the LUT Descriptor held
  bool descriptorSs = false;  // its value representation is SS
  bool hasData = false;
  std::string data;  // LUT Data (0028,3006): 16-bit words, machine order
  std::string explanation;
};

struct DisplayFacts {
  std::vector<double> windowCenters, windowWidths;
  std::vector<std::string> windowExplanations;
  std::string voiFunction;  // empty: not in the file
  std::vector<StoredLut> modalityLuts, voiLuts, presentationLuts;
  std::string presentationShape;       // empty: not in the file
  std::optional<double> pixelPadding;  // as the pixels' sign reads it
};

// The most VOI LUT items and bytes of one LUT's data that travel; more
// data than 65536 entries of 16 bits is never read.
constexpr std::size_t kMostVoiLuts = 64;
constexpr std::size_t kMostLutBytes = 2 * 65536;

}  // namespace zorl

#endif
