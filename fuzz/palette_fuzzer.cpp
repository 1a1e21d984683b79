// Fuzzes the palette parsers: the first byte picks the form (.lut, .cube,
// a table, or DICOM palette data, plain or segmented, after a 6-byte
// descriptor), the rest is the file's bytes. A palette accepted has the
// entries its form says; one refused says why.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
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
  bool ok = false;
  std::size_t entries = 0;
  if (form < 3) {
    ok = zorl::ParsePalette(kNames[form], bytes, &palette, &error);
    entries = form == 1 ? palette.red.size() : zorl::kPaletteEntries;
    if (ok && (palette.green.size() != entries ||
               palette.blue.size() != entries || entries < 2))
      std::abort();
  } else if (bytes.size() >= 6) {
    uint16_t descriptor[3];
    std::memcpy(descriptor, bytes.data(), sizeof descriptor);
    ok = zorl::DicomLutEntries(descriptor, bytes.substr(6), form == 4,
                               &palette.red, &error);
    entries = descriptor[0] ? descriptor[0] : 65536;
  } else {
    return 0;
  }
  if (ok ? palette.red.size() != entries : error.empty()) std::abort();
  return 0;
}
