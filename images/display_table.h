// The grayscale display of a scan as one table: every stored value taken
// through modality (rescale or Modality LUT), VOI (a window, a VOI LUT
// table, or the whole modality range), then MONOCHROME1, Presentation LUT
// Shape or Presentation LUT, to an 8-bit display value. The README gives
// the formulas, the rounding and which stage wins.
#ifndef ZORL_IMAGES_DISPLAY_TABLE_H
#define ZORL_IMAGES_DISPLAY_TABLE_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "images/display_facts.h"

namespace zorl {

// What the table is made from: the image's samples and what its file says.
struct DisplaySource {
  std::string path;  // names the file in errors; empty: "the image"
  int depth = 1, bitsStored = 8;
  bool isSigned = false;
  std::string photometric;
  std::optional<double> slope, intercept;
  DisplayFacts facts;
};

struct DisplayChoice {
  enum Kind { kFile, kWindow, kLut, kGiven, kNone } kind = kFile;
  std::size_t index = 0;  // kWindow, kLut: from 0
  double center = 0, width = 0;
  std::string function;  // kGiven: LINEAR when empty
  std::string name;      // kGiven: the preset's name, for messages
};

// One table: entries[i] is the display of the stored value that index i
// stands for (a LUT1 of 256 entries for depth 1; for depth 2 a LUT2 whose
// pixel p reads entry p + baseLine).
struct DisplayEntries {
  std::vector<uint8_t> entries;
  long long baseLine = 0;
};

bool MakeDisplayTable(const DisplaySource& source, const DisplayChoice& choice,
                      DisplayEntries* out, std::string* error);

// A LUT of the file read as trusted readers read it: its entries, the first
// value mapped and the bits of an entry. firstSigned: the first mapped
// value is read as signed (the values it maps may be negative).
struct Lut {
  std::vector<uint16_t> entries;
  long long first = 0;
  int bits = 16;
};
bool ReadLut(const StoredLut& stored, bool firstSigned, Lut* lut,
             std::string* error);

// A named CT window in Hounsfield units; false when there is none.
struct Preset {
  const char* name;
  double center, width;
};
const std::vector<Preset>& Presets();
const Preset* FindPreset(const std::string& name);

}  // namespace zorl

#endif
