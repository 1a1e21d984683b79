// Palette files: the form by content and name, ImageJ's binary .lut, and
// the bytes of each form written.
#include "images/palette.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "images/file_names.h"

namespace zorl {

namespace {

bool Fail(std::string* error, const std::string& what) {
  *error = what;
  return false;
}

// 256 red bytes, then green, then blue.
void Tables(const char* bytes, Palette* palette) {
  const uint8_t* b = reinterpret_cast<const uint8_t*>(bytes);
  const std::size_t n = kPaletteEntries;
  palette->red.assign(b, b + n);
  palette->green.assign(b + n, b + 2 * n);
  palette->blue.assign(b + 2 * n, b + 3 * n);
}

// Text bytes: printable ASCII, tabs, line ends.
bool Text(const char* begin, const char* end) {
  for (const char* p = begin; p != end; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    if ((c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c >= 0x7f)
      return false;
  }
  return true;
}

// A .lut is binary when it holds other bytes than text: anywhere when it
// has a binary's size, else in its first line (a text table with a stray
// byte further on is refused by line).
bool BinaryLut(const std::string& bytes) {
  const char* b = bytes.data();
  const std::size_t raw = 3 * kPaletteEntries;
  if (bytes.size() == raw || bytes.size() == raw + 32)
    return !Text(b, b + bytes.size());
  return !Text(b, b + std::min(bytes.find('\n'), bytes.size()));
}

}  // namespace

bool ParsePalette(const std::string& name, const std::string& bytes,
                  Palette* palette, std::string* error) {
  if (bytes.empty()) return Fail(error, "empty file, not a palette");
  std::string ext = Extension(name);
  if (ext == "cube") return ParseCubePalette(bytes, palette, error);
  const std::size_t raw = 3 * kPaletteEntries, header = 32;
  if (ext == "lut" && BinaryLut(bytes)) {
    const std::string size =
        "a binary .lut of " + std::to_string(bytes.size()) + " bytes";
    if (bytes.size() < raw)
      return Fail(error, size + ", " + std::to_string(raw - bytes.size()) +
                             " short of 768 (256 red, green and blue "
                             "entries)");
    if (bytes.size() != raw && bytes.size() != raw + header)
      return Fail(error, size + ": 768 expected, or 800 with a header");
    Tables(bytes.data() + (bytes.size() - raw), palette);
    return true;
  }
  return ParseTablePalette(bytes, palette, error);
}

bool FormatPalette(const std::string& name, const Palette& palette,
                   std::string* bytes, std::string* error) {
  std::string ext = Extension(name);
  const std::size_t n = palette.red.size();
  if (ext != "lut" && ext != "cube" && ext != "csv")
    return Fail(error, "the name ends in neither .lut, .cube nor .csv");
  if (ext == "cube" ? n < 2 || n > static_cast<std::size_t>(kMostPaletteEntries)
                    : n != kPaletteEntries)
    return Fail(error, std::to_string(n) + " entries; a ." + ext +
                           (ext == "cube" ? " holds 2 to 65536"
                                          : " palette holds 256"));
  bytes->clear();
  if (ext == "lut") {
    for (const auto* t : {&palette.red, &palette.green, &palette.blue})
      bytes->append(t->begin(), t->end());
    return true;
  }
  if (ext == "cube") *bytes = "LUT_1D_SIZE " + std::to_string(n) + "\n";
  char line[64];
  for (std::size_t i = 0; i < n; ++i) {
    if (ext == "cube")
      std::snprintf(line, sizeof line, "%.6f %.6f %.6f\n",
                    palette.red[i] / 255.0, palette.green[i] / 255.0,
                    palette.blue[i] / 255.0);
    else
      std::snprintf(line, sizeof line, "%d,%d,%d\n", palette.red[i],
                    palette.green[i], palette.blue[i]);
    *bytes += line;
  }
  return true;
}

}  // namespace zorl
