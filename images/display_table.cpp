// The display table of a scan: each stored value through the file's
// stages in floating point, rounded once at the end (see the README).
#include "images/display_table.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace zorl {

namespace {

int BitsOf(unsigned v) {
  int b = 0;
  for (; v; v >>= 1) ++b;
  return b;
}

std::string Number(double v) {
  char text[40];
  std::snprintf(text, sizeof text, "%.10g", v);
  return text;
}

// The stored value that entry i of the table stands for.
long long StoredValue(const DisplaySource& s, long long i) {
  if (s.depth == 1) {
    const int bits = std::min(s.bitsStored, 8);
    long long v = i & ((1LL << bits) - 1);
    return s.isSigned && (v >> (bits - 1)) ? v - (1LL << bits) : v;
  }
  if (s.isSigned) return i - (1LL << (s.bitsStored - 1));
  return s.bitsStored == 16 ? (i + 32768) & 0xFFFF : i;
}

// Modality: a Modality LUT when the file has one, else the rescale.
struct Modality {
  bool table = false;
  Lut lut;
  double slope = 1, intercept = 0;
  double Apply(long long v) const {
    if (!table) return v * slope + intercept;
    const long long n = static_cast<long long>(lut.entries.size());
    return lut.entries[static_cast<std::size_t>(
        std::clamp(v - lut.first, 0LL, n - 1))];
  }
};

// A window's fraction of the output range (0 to 1), by its function.
double Window(const std::string& function, double c, double w, double x) {
  if (function == "SIGMOID") return 1 / (1 + std::exp(-4 * (x - c) / w));
  if (function == "LINEAR_EXACT") {
    if (x <= c - w / 2) return 0;
    if (x > c + w / 2) return 1;
    return (x - c) / w + 0.5;
  }
  if (x <= c - 0.5 - (w - 1) / 2) return 0;
  if (x > c - 0.5 + (w - 1) / 2) return 1;
  return (x - (c - 0.5)) / (w - 1) + 0.5;
}

// A table's entry for x: below the first mapped value entry 0, above the
// last the last entry.
double LutFraction(const Lut& lut, double x) {
  const long long n = static_cast<long long>(lut.entries.size());
  const double at = std::floor(x) - static_cast<double>(lut.first);
  const long long i = at <= 0       ? 0
                      : at >= n - 1 ? n - 1
                                    : static_cast<long long>(at);
  return lut.entries[static_cast<std::size_t>(i)] / ((1 << lut.bits) - 1.0);
}

std::string Upper(std::string s) {
  for (char& c : s)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

bool Fail(std::string* error, const std::string& what) {
  *error = what;
  return false;
}

// A window's centre and width checked for its function.
bool CheckWindow(const std::string& function, double c, double w,
                 const std::string& centre, const std::string& width,
                 std::string* error) {
  if (!std::isfinite(c))
    return Fail(error, centre + " is " + Number(c) + ", not a number");
  if (!std::isfinite(w) || w <= 0 || (function == "LINEAR" && w < 1))
    return Fail(error, width + " is " + Number(w) +
                           (function == "LINEAR"
                                ? ": a LINEAR window is at least 1 wide"
                                : ": a window is wider than 0"));
  return true;
}

}  // namespace

bool ReadLut(const StoredLut& t, bool firstSigned, Lut* lut,
             std::string* error) {
  const std::string desc = t.element + ": LUT Descriptor (0028,3002)";
  const std::string data = t.element + ": LUT Data (0028,3006)";
  if (t.descriptorValues != 3)
    return Fail(error,
                desc + (t.descriptorValues == 0
                            ? " is missing"
                            : " holds " + std::to_string(t.descriptorValues) +
                                  " values; 3 expected"));
  if (!t.hasData || t.data.empty())
    return Fail(error, data + " is missing or empty");
  const std::size_t n = t.descriptor[0] ? t.descriptor[0] : 65536;
  lut->first = firstSigned || t.descriptorSs
                   ? static_cast<int16_t>(t.descriptor[1])
                   : static_cast<long long>(t.descriptor[1]);
  int bits = t.descriptor[2];
  lut->entries.resize(n);
  if (t.data.size() >= 2 * n) {  // 16-bit words, 8-bit entries in them too
    for (std::size_t i = 0; i < n; ++i)
      std::memcpy(&lut->entries[i], t.data.data() + 2 * i, 2);
  } else if ((bits <= 8 || bits > 16) && t.data.size() >= n) {  // packed bytes
    for (std::size_t i = 0; i < n; ++i)
      lut->entries[i] = static_cast<unsigned char>(t.data[i]);
  } else {
    return Fail(error, data + " holds " + std::to_string(t.data.size()) +
                           " bytes; its LUT Descriptor (0028,3002) says " +
                           std::to_string(n) + " entries of " +
                           std::to_string(bits) + " bits");
  }
  // The bits of an entry by the data when the descriptor says too few, or
  // none, or more than 16.
  const int need =
      BitsOf(*std::max_element(lut->entries.begin(), lut->entries.end()));
  if (bits < 1 || bits > 16) bits = std::max(8, need);
  lut->bits = std::max(bits, need);
  return true;
}

const std::vector<Preset>& Presets() {
  static const std::vector<Preset> presets = {
      {"brain", 40, 80},        {"subdural", 75, 215},    {"stroke", 40, 40},
      {"soft tissue", 40, 400}, {"mediastinum", 50, 350}, {"liver", 30, 150},
      {"lung", -600, 1500},     {"bone", 400, 1800},      {"abdomen", 60, 400},
      {"angio", 300, 600},
  };
  return presets;
}

const Preset* FindPreset(const std::string& name) {
  for (const Preset& p : Presets())
    if (name == p.name) return &p;
  return nullptr;
}

bool MakeDisplayTable(const DisplaySource& s, const DisplayChoice& choice,
                      DisplayEntries* out, std::string* error) {
  if (s.depth != 1 && s.depth != 2)
    return Fail(error,
                "a display table is for gray images (depth 1 or 2), "
                "not depth " +
                    std::to_string(s.depth));
  if (s.photometric != "MONOCHROME1" && s.photometric != "MONOCHROME2")
    return Fail(error, "Photometric Interpretation (0028,0004) is " +
                           s.photometric +
                           ": a display table is for MONOCHROME1 and "
                           "MONOCHROME2");
  if (s.bitsStored < 1 || s.bitsStored > 8 * s.depth)
    return Fail(error, "Bits Stored (0028,0101) is " +
                           std::to_string(s.bitsStored) + " for depth " +
                           std::to_string(s.depth));
  const long long n = s.depth == 1 ? 256 : 1LL << s.bitsStored;
  out->baseLine = s.depth == 2 && (s.isSigned || s.bitsStored == 16)
                      ? 1LL << (s.bitsStored - 1)
                      : 0;
  const long long lowest = s.isSigned ? -(1LL << (s.bitsStored - 1)) : 0;
  const long long highest = lowest + (1LL << s.bitsStored) - 1;

  Modality modality;
  const DisplayFacts& f = s.facts;
  if (!f.modalityLuts.empty()) {
    modality.table = true;
    if (!ReadLut(f.modalityLuts[0], s.isSigned, &modality.lut, error))
      return false;
  } else {
    modality.slope = s.slope.value_or(1);
    modality.intercept = s.intercept.value_or(0);
    if (!std::isfinite(modality.slope) || !std::isfinite(modality.intercept))
      return Fail(error, "Rescale Slope (0028,1053) " + Number(modality.slope) +
                             " and Rescale Intercept (0028,1052) " +
                             Number(modality.intercept) + ": not both numbers");
  }
  std::vector<double> m(static_cast<std::size_t>(highest - lowest + 1));
  for (long long v = lowest; v <= highest; ++v)
    m[static_cast<std::size_t>(v - lowest)] = modality.Apply(v);
  const double lo = *std::min_element(m.begin(), m.end());
  const double hi = *std::max_element(m.begin(), m.end());

  // VOI: the choice, or the file's first window, else its first VOI LUT,
  // else none.
  DisplayChoice voi = choice;
  const std::size_t windows =
      std::min(f.windowCenters.size(), f.windowWidths.size());
  if (voi.kind == DisplayChoice::kFile) {
    voi.kind = windows              ? DisplayChoice::kWindow
               : !f.voiLuts.empty() ? DisplayChoice::kLut
                                    : DisplayChoice::kNone;
    voi.index = 0;
  }
  std::string function = "LINEAR";
  double c = voi.center, w = voi.width;
  Lut voiLut;
  if (voi.kind == DisplayChoice::kWindow) {
    if (voi.index >= windows)
      return Fail(error, "no window " + std::to_string(voi.index + 1) +
                             ": Window Center (0028,1050) and Window Width "
                             "(0028,1051) give " +
                             std::to_string(windows));
    function = f.voiFunction.empty() ? "LINEAR" : Upper(f.voiFunction);
    if (function != "LINEAR" && function != "LINEAR_EXACT" &&
        function != "SIGMOID")
      return Fail(error, "VOI LUT Function (0028,1056) is " + f.voiFunction +
                             ": LINEAR, LINEAR_EXACT or SIGMOID are shown");
    c = f.windowCenters[voi.index];
    w = f.windowWidths[voi.index];
    const std::string k = " value " + std::to_string(voi.index + 1);
    if (!CheckWindow(function, c, w, "Window Center (0028,1050)" + k,
                     "Window Width (0028,1051)" + k, error))
      return false;
  } else if (voi.kind == DisplayChoice::kGiven) {
    function = voi.function.empty() ? "LINEAR" : voi.function;
    if (!CheckWindow(function, c, w, "the centre", "the width", error))
      return false;
  } else if (voi.kind == DisplayChoice::kLut) {
    if (voi.index >= f.voiLuts.size())
      return Fail(error, "no VOI LUT table " + std::to_string(voi.index + 1) +
                             ": VOI LUT Sequence (0028,3010) holds " +
                             std::to_string(f.voiLuts.size()));
    if (!ReadLut(f.voiLuts[voi.index], lo < 0, &voiLut, error)) return false;
  }

  // Presentation: a Presentation LUT, else the Shape, else MONOCHROME1.
  Lut pres;
  const bool presTable = !f.presentationLuts.empty();
  if (presTable && !ReadLut(f.presentationLuts[0], false, &pres, error))
    return false;
  const std::string shape = Upper(f.presentationShape);
  if (!presTable && !shape.empty() && shape != "IDENTITY" && shape != "INVERSE")
    return Fail(error, "Presentation LUT Shape (2050,0020) is " +
                           f.presentationShape +
                           ": IDENTITY or INVERSE are shown");
  const bool invert = presTable        ? false
                      : !shape.empty() ? shape == "INVERSE"
                                       : s.photometric == "MONOCHROME1";

  out->entries.resize(static_cast<std::size_t>(n));
  for (long long i = 0; i < n; ++i) {
    const double x = m[static_cast<std::size_t>(StoredValue(s, i) - lowest)];
    double v;
    switch (voi.kind) {
      case DisplayChoice::kWindow:
      case DisplayChoice::kGiven:
        v = Window(function, c, w, x);
        break;
      case DisplayChoice::kLut:
        v = LutFraction(voiLut, x);
        break;
      default:
        v = hi > lo ? (x - lo) / (hi - lo) : 0;
    }
    v = std::clamp(v, 0.0, 1.0);
    if (presTable) {
      const double at = std::floor(v * (pres.entries.size() - 1) + 0.5);
      v = pres.entries[static_cast<std::size_t>(at)] / ((1 << pres.bits) - 1.0);
    } else if (invert) {
      v = 1 - v;
    }
    v = std::clamp(v, 0.0, 1.0);
    out->entries[static_cast<std::size_t>(i)] =
        static_cast<uint8_t>(std::floor(255 * v + 0.5));
  }
  return true;
}

}  // namespace zorl
