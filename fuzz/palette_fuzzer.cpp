// Fuzzes the palette parsers: the first byte picks the form (.lut, .cube,
// a table, or DICOM palette data, plain or segmented, after a 6-byte
// descriptor), the rest is the file's bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "images/palette.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static const char* const kNames[] = {"f.lut", "f.cube", "f.csv"};
  std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  zorl::Palette palette;
  std::string error;
  int form = data[0] % 5;
  if (form < 3) {
    zorl::ParsePalette(kNames[form], bytes, &palette, &error);
  } else if (bytes.size() >= 6) {
    uint16_t descriptor[3];
    std::memcpy(descriptor, bytes.data(), sizeof descriptor);
    zorl::DicomLutEntries(descriptor, bytes.substr(6), form == 4, &palette.red,
                          &error);
  }
  return 0;
}
