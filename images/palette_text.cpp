// The text forms of palettes: tables of three columns (red, green, blue) or
// four (an index first), separated by commas or blanks, as CSV files and
// ImageJ's text .lut write them; and 1D .cube files, values 0 to 1.
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

bool Digit(char c) { return c >= '0' && c <= '9'; }

// A field as an error shows it: quoted, other bytes than printable ASCII as
// \xNN, cut after 24 bytes.
std::string Quoted(const std::string& field) {
  static const char kHex[] = "0123456789abcdef";
  std::string q = "\"";
  for (std::size_t i = 0; i < field.size() && i < 24; ++i) {
    unsigned char c = static_cast<unsigned char>(field[i]);
    if (c >= 0x20 && c < 0x7f)
      q += static_cast<char>(c);
    else
      q += std::string("\\x") + kHex[c >> 4] + kHex[c & 15];
  }
  return q + (field.size() > 24 ? "...\"" : "\"");
}

// A number as an error shows it: quoted when long.
std::string Shown(const std::string& number) {
  return number.size() > 24 ? Quoted(number) : number;
}

// The fields of a line, split at commas and blanks: the first kMostFields
// kept, all counted.
const std::size_t kMostFields = 5;
std::size_t Fields(const std::string& line, std::vector<std::string>* fields) {
  fields->clear();
  std::size_t count = 0;
  std::string field;
  bool comma = false;  // the last separator was a comma: an empty field next
  for (char c : line + "\n") {
    if (c == ',' || c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      if (!field.empty() || (comma && c == ','))
        if (++count <= kMostFields) fields->push_back(field);
      if (c == ',')
        comma = true;
      else if (!field.empty())
        comma = false;
      field.clear();
    } else if (count < kMostFields) {
      field += c;
      comma = false;
    } else {
      field = "x";  // a field past those kept: counted only
      comma = false;
    }
  }
  return count;
}

struct Line {
  long number;
  std::string text;
};

// The lines of a text, numbered from 1; blank lines and # comments dropped.
// A control byte other than a tab, or a carriage return ending the line, is
// an error.
bool Lines(const std::string& bytes, std::vector<Line>* lines,
           std::string* error) {
  long number = 0;
  std::size_t at = 0;
  while (at < bytes.size()) {
    std::size_t end = bytes.find('\n', at);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(at, end - at);
    at = end + 1;
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    for (unsigned char c : line)
      if ((c < 0x20 && c != '\t') || c == 0x7f)
        return LineFail(error, number,
                        "a stray control byte " + Quoted(std::string(1, c)));
    std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') continue;
    lines->push_back({number, line});
  }
  return true;
}

// A whole decimal number 0 to `most`: digits alone. *too_large when the
// digits give more.
bool WholeDecimal(const std::string& field, long most, long* value,
                  bool* too_large) {
  *value = 0;
  *too_large = false;
  if (field.empty()) return false;
  for (char c : field) {
    if (!Digit(c)) return false;
    if (*value <= most) *value = *value * 10 + (c - '0');
  }
  *too_large = *value > most;
  return !*too_large;
}

// A decimal number: a sign, digits with a point, an exponent.
bool Decimal(const std::string& field, double* value) {
  std::size_t i = 0, n = field.size(), digits = 0;
  if (i < n && (field[i] == '+' || field[i] == '-')) ++i;
  for (; i < n && Digit(field[i]); ++i) ++digits;
  if (i < n && field[i] == '.')
    for (++i; i < n && Digit(field[i]); ++i) ++digits;
  if (!digits) return false;
  if (i < n && (field[i] == 'e' || field[i] == 'E')) {
    std::size_t exponent = 0;
    if (++i < n && (field[i] == '+' || field[i] == '-')) ++i;
    for (; i < n && Digit(field[i]); ++i) ++exponent;
    if (!exponent) return false;
  }
  if (i != n) return false;
  *value = std::strtod(field.c_str(), nullptr);
  return std::isfinite(*value);
}

// A table's first row is a header when it has letters and no field that
// begins as a number does ("red,green,blue", "Index Red Green Blue").
bool Header(const std::string& line, const std::vector<std::string>& fields) {
  bool letters = false;
  for (char c : line)
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) letters = true;
  for (const std::string& f : fields) {
    std::size_t i = !f.empty() && (f[0] == '+' || f[0] == '-') ? 1 : 0;
    if (i < f.size() && f[i] == '.') ++i;
    if (i < f.size() && Digit(f[i])) return false;
  }
  return letters;
}

void Append(Palette* palette, const double rgb[3], double scale) {
  std::vector<uint8_t>* tables[3] = {&palette->red, &palette->green,
                                     &palette->blue};
  for (int k = 0; k < 3; ++k)
    tables[k]->push_back(static_cast<uint8_t>(std::lround(rgb[k] * scale)));
}

// A table's entry: three whole decimal numbers 0 to 255.
bool TableEntry(const std::string* fields, long line, double rgb[3],
                std::string* error) {
  for (int k = 0; k < 3; ++k) {
    long v;
    bool too_large;
    if (!WholeDecimal(fields[k], 255, &v, &too_large))
      return LineFail(
          error, line,
          too_large ? Shown(fields[k]) + " is not 0 to 255"
                    : Quoted(fields[k]) + " is not a whole decimal number");
    rgb[k] = static_cast<double>(v);
  }
  return true;
}

// A cube's entry: three decimal numbers 0 to 1.
bool CubeEntry(const std::vector<std::string>& fields, long line, double rgb[3],
               std::string* error) {
  for (int k = 0; k < 3; ++k) {
    if (!Decimal(fields[k], &rgb[k]))
      return LineFail(error, line,
                      Quoted(fields[k]) + " is not a decimal number");
    if (rgb[k] < 0 || rgb[k] > 1)
      return LineFail(error, line, Shown(fields[k]) + " is not 0 to 1");
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
  std::vector<Line> lines;
  if (!Lines(bytes, &lines, error)) return false;
  std::vector<std::string> fields;
  std::size_t columns = 0;
  long first = 0;  // the line of the first entry
  for (const Line& line : lines) {
    std::size_t count = Fields(line.text, &fields);
    if (&line == &lines[0] && Header(line.text, fields)) continue;
    if (!columns) {
      if (count != 3 && count != 4)
        return LineFail(error, line.number,
                        std::to_string(count) +
                            " columns; 3 (red, green, blue) or 4 (an index "
                            "first) expected");
      columns = count;
      first = line.number;
    } else if (count != columns) {
      return LineFail(error, line.number,
                      std::to_string(count) + " columns; " +
                          std::to_string(columns) + " expected, as in line " +
                          std::to_string(first));
    }
    const std::size_t index = palette->red.size();
    if (index == kPaletteEntries)
      return LineFail(error, line.number, "more than 256 entries");
    long v;
    bool too_large;
    if (columns == 4 && (!WholeDecimal(fields[0], 255, &v, &too_large) ||
                         static_cast<std::size_t>(v) != index))
      return LineFail(error, line.number,
                      "index " + Quoted(fields[0]) + "; " +
                          std::to_string(index) + " expected");
    double rgb[3];
    if (!TableEntry(&fields[columns - 3], line.number, rgb, error))
      return false;
    Append(palette, rgb, 1);
  }
  return Count(palette->red.size(), kPaletteEntries, error);
}

bool ParseCubePalette(const std::string& bytes, Palette* palette,
                      std::string* error) {
  *palette = Palette();
  std::vector<Line> lines;
  if (!Lines(bytes, &lines, error)) return false;
  std::vector<std::string> fields;
  long size = 0;
  for (const Line& line : lines) {
    const long number = line.number;
    const std::size_t count = Fields(line.text, &fields);
    if (!count) return LineFail(error, number, "no values");
    const std::string& key = fields[0];
    if (key == "TITLE") continue;
    if (key == "LUT_3D_SIZE")
      return LineFail(error, number,
                      "a 3D cube (LUT_3D_SIZE) is not a palette; LUT_1D_SIZE "
                      "expected");
    if (key == "DOMAIN_MIN" || key == "DOMAIN_MAX") {
      if (count != 4)
        return LineFail(
            error, number,
            key + " with " + std::to_string(count - 1) + " values; 3 expected");
      double want = key == "DOMAIN_MIN" ? 0 : 1, v;
      for (std::size_t k = 1; k < 4; ++k)
        if (!Decimal(fields[k], &v) || v != want)
          return LineFail(error, number,
                          key + " other than the default is not read");
      continue;
    }
    if (key == "LUT_1D_SIZE") {
      bool too_large;
      if (size) return LineFail(error, number, "LUT_1D_SIZE given twice");
      if (count != 2)
        return LineFail(error, number,
                        "LUT_1D_SIZE with " + std::to_string(count - 1) +
                            " values; 1 expected");
      if (!WholeDecimal(fields[1], kMostPaletteEntries, &size, &too_large) ||
          size < 2)
        return LineFail(error, number,
                        "LUT_1D_SIZE " + Quoted(fields[1]) +
                            " is not a decimal count 2 to 65536");
      continue;
    }
    if ((key[0] >= 'A' && key[0] <= 'Z') || (key[0] >= 'a' && key[0] <= 'z') ||
        key[0] == '_')
      return LineFail(error, number, "keyword " + Quoted(key) + " is not read");
    if (!size) return LineFail(error, number, "an entry before LUT_1D_SIZE");
    if (count != 3)
      return LineFail(error, number,
                      std::to_string(count) + " columns; 3 expected");
    if (palette->red.size() == static_cast<std::size_t>(size))
      return LineFail(
          error, number,
          "more than LUT_1D_SIZE " + std::to_string(size) + " entries");
    double rgb[3];
    if (!CubeEntry(fields, number, rgb, error)) return false;
    Append(palette, rgb, 255);
  }
  if (!size) return Fail(error, "no LUT_1D_SIZE: not a 1D cube");
  return Count(palette->red.size(), static_cast<std::size_t>(size), error);
}

}  // namespace zorl
