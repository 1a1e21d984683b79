// The text forms of palettes: tables of three columns (red, green, blue) or
// four (an index first), separated by commas or blanks, as CSV files and
// ImageJ's text .lut write them; and 1D .cube files, values 0 to 1.
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "images/palette.h"

namespace zorl {

namespace {

bool Fail(std::string* error, const std::string& what) {
  *error = what;
  return false;
}

bool LineFail(std::string* error, long line, const std::string& what) {
  return Fail(error, "line " + std::to_string(line) + ": " + what);
}

// The fields of a line, split at commas and blanks.
std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::string field;
  bool comma = false;  // the last separator was a comma: an empty field next
  for (char c : line + "\n") {
    if (c == ',' || c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      if (!field.empty() || (comma && c == ',')) fields.push_back(field);
      if (c == ',')
        comma = true;
      else if (!field.empty())
        comma = false;
      field.clear();
    } else {
      field += c;
      comma = false;
    }
  }
  return fields;
}

// The lines of a text, numbered from 1; blank lines and # comments dropped.
std::vector<std::pair<long, std::string>> Lines(const std::string& bytes) {
  std::vector<std::pair<long, std::string>> lines;
  long number = 0;
  std::size_t at = 0;
  while (at < bytes.size()) {
    std::size_t end = bytes.find('\n', at);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(at, end - at);
    at = end + 1;
    ++number;
    std::size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos || line[first] == '#') continue;
    lines.emplace_back(number, line);
  }
  return lines;
}

bool ParseNumber(const std::string& field, double* value) {
  if (field.empty()) return false;
  char* end = nullptr;
  *value = std::strtod(field.c_str(), &end);
  return *end == '\0' && std::isfinite(*value);
}

bool HasLetter(const std::string& line) {
  for (char c : line)
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
  return false;
}

void Append(Palette* palette, const double rgb[3], double scale) {
  std::vector<uint8_t>* tables[3] = {&palette->red, &palette->green,
                                     &palette->blue};
  for (int k = 0; k < 3; ++k)
    tables[k]->push_back(static_cast<uint8_t>(std::lround(rgb[k] * scale)));
}

// Three numbers from the last three fields, each low to high.
bool Entry(const std::vector<std::string>& fields, long line, double high,
           bool integers, double rgb[3], std::string* error) {
  for (int k = 0; k < 3; ++k) {
    const std::string& f = fields[fields.size() - 3 + k];
    if (!ParseNumber(f, &rgb[k]) || (integers && rgb[k] != std::floor(rgb[k])))
      return LineFail(
          error, line,
          "\"" + f + "\" is not " + (integers ? "a whole number" : "a number"));
    if (rgb[k] < 0 || rgb[k] > high)
      return LineFail(error, line,
                      f + " is not " + (integers ? "0 to 255" : "0 to 1"));
  }
  return true;
}

bool Count(std::size_t got, std::size_t want, std::string* error) {
  if (got == want) return true;
  return Fail(error, std::to_string(got) + " entries; " + std::to_string(want) +
                         " expected");
}

}  // namespace

bool ParseTablePalette(const std::string& bytes, Palette* palette,
                       std::string* error) {
  *palette = Palette();
  bool first = true;
  for (const auto& [number, line] : Lines(bytes)) {
    bool header = first && HasLetter(line);  // "red,green,blue"
    first = false;
    if (header) continue;
    std::vector<std::string> fields = Fields(line);
    if (fields.size() != 3 && fields.size() != 4)
      return LineFail(error, number,
                      std::to_string(fields.size()) +
                          " columns; 3 (red, green, blue) or 4 (an index "
                          "first) expected");
    if (palette->red.size() == kPaletteEntries)
      return LineFail(error, number, "more than 256 entries");
    double rgb[3];
    if (!Entry(fields, number, 255, true, rgb, error)) return false;
    Append(palette, rgb, 1);
  }
  return Count(palette->red.size(), kPaletteEntries, error);
}

bool ParseCubePalette(const std::string& bytes, Palette* palette,
                      std::string* error) {
  *palette = Palette();
  long size = 0;
  for (const auto& [number, line] : Lines(bytes)) {
    std::vector<std::string> fields = Fields(line);
    if (fields.empty()) return LineFail(error, number, "no values");
    const std::string& key = fields[0];
    if (key == "TITLE") continue;
    if (key == "LUT_3D_SIZE")
      return LineFail(error, number,
                      "a 3D cube (LUT_3D_SIZE) is not a palette; LUT_1D_SIZE "
                      "expected");
    if (key == "DOMAIN_MIN" || key == "DOMAIN_MAX") {
      double want = key == "DOMAIN_MIN" ? 0 : 1, v;
      for (std::size_t k = 1; k < fields.size(); ++k)
        if (!ParseNumber(fields[k], &v) || v != want || fields.size() != 4)
          return LineFail(error, number,
                          key + " other than the default is not read");
      continue;
    }
    if (key == "LUT_1D_SIZE") {
      double n = 0;
      if (size || fields.size() != 2 || !ParseNumber(fields[1], &n) || n < 2 ||
          n > kMostPaletteEntries || n != std::floor(n))
        return LineFail(error, number,
                        "LUT_1D_SIZE must be given once, 2 to 65536");
      size = static_cast<long>(n);
      continue;
    }
    if (std::isalpha(static_cast<unsigned char>(key[0])) || key[0] == '_')
      return LineFail(error, number, "keyword " + key + " is not read");
    if (!size) return LineFail(error, number, "an entry before LUT_1D_SIZE");
    if (fields.size() != 3)
      return LineFail(error, number,
                      std::to_string(fields.size()) + " columns; 3 expected");
    if (palette->red.size() == static_cast<std::size_t>(size))
      return LineFail(
          error, number,
          "more than LUT_1D_SIZE " + std::to_string(size) + " entries");
    double rgb[3];
    if (!Entry(fields, number, 1, false, rgb, error)) return false;
    Append(palette, rgb, 255);
  }
  if (!size) return Fail(error, "no LUT_1D_SIZE: not a 1D cube");
  return Count(palette->red.size(), static_cast<std::size_t>(size), error);
}

}  // namespace zorl
