// The entries of a DICOM palette table from its descriptor and its data:
// plain data holds the entries; segmented data holds discrete segments (the
// values), linear segments (a ramp from the last value to a new one) and
// indirect segments (segments given again, from a byte offset).
#include <cmath>

#include "images/palette.h"

namespace zorl {

namespace {

bool Fail(std::string* error, const std::string& what) {
  *error = what;
  return false;
}

// Segmented data as its words (8 or 16 bits), expanding into entries of
// the same width; at most `limit` entries, `segments` segments (-1: all).
class Segments {
 public:
  Segments(const std::vector<uint32_t>& words, bool wide, std::size_t limit)
      : words_(words), wide_(wide), limit_(limit) {}

  bool Expand(std::size_t at, long segments, int depth,
              std::vector<uint32_t>* out, std::string* error) {
    if (depth > 8) return Fail(error, "indirect segments nest too deep");
    for (long done = 0; segments < 0 || done < segments; ++done) {
      if (segments < 0 && at + 1 >= words_.size()) return true;
      if (at + 1 >= words_.size()) return Ended(error);
      uint32_t op = words_[at], n = words_[at + 1];
      at += 2;
      if (op == 0) {  // discrete: n values
        if (n > words_.size() - at) return Ended(error);
        if (!Room(out, n, error)) return false;
        out->insert(out->end(), words_.begin() + static_cast<long>(at),
                    words_.begin() + static_cast<long>(at + n));
        at += n;
      } else if (op == 1) {  // linear: n steps to the next value
        if (out->empty())
          return Fail(error, "a linear segment with no value before it");
        if (at >= words_.size()) return Ended(error);
        if (!Room(out, n, error)) return false;
        Ramp(out->back(), words_[at++], n, out);
      } else if (op == 2) {  // indirect: n segments from a byte offset
        if (out->empty())
          return Fail(error, "an indirect segment with no value before it");
        std::size_t need = wide_ ? 2 : 4;
        if (words_.size() - at < need) return Ended(error);
        uint32_t offset = wide_
                              ? words_[at] | words_[at + 1] << 16
                              : words_[at] | words_[at + 1] << 8 |
                                    words_[at + 2] << 16 | words_[at + 3] << 24;
        at += need;
        std::size_t target = offset / (wide_ ? 2 : 1);
        if (!Expand(target, static_cast<long>(n), depth + 1, out, error))
          return false;
      } else {
        return Fail(error, "unknown segment type " + std::to_string(op));
      }
    }
    return true;
  }

 private:
  static bool Ended(std::string* error) {
    return Fail(error, "the segmented data ends inside a segment");
  }
  bool Room(const std::vector<uint32_t>* out, std::size_t n,
            std::string* error) const {
    if (n <= limit_ - out->size()) return true;
    return Fail(error, "the segments give more entries than the descriptor's " +
                           std::to_string(limit_));
  }
  // n values after y0 evenly up to y1, rounded half to even (as the common
  // readers compute them: start + i * step, the last exactly y1).
  static void Ramp(double y0, double y1, uint32_t n,
                   std::vector<uint32_t>* out) {
    if (n == 0) return;
    double start = y0 + (y1 - y0) / n;
    double step = n > 1 ? (y1 - start) / (n - 1) : 0;
    for (uint32_t i = 0; i + 1 < n; ++i)
      out->push_back(static_cast<uint32_t>(std::nearbyint(start + i * step)));
    out->push_back(static_cast<uint32_t>(y1));
  }

  const std::vector<uint32_t>& words_;
  bool wide_;
  std::size_t limit_;
};

}  // namespace

bool DicomLutEntries(const uint16_t descriptor[3], const std::string& data,
                     bool segmented, std::vector<uint8_t>* entries,
                     std::string* error) {
  std::size_t n = descriptor[0] ? descriptor[0] : 65536;
  int bits = descriptor[2];
  if (bits != 8 && bits != 16)
    return Fail(error, "entries of " + std::to_string(bits) +
                           " bits; 8 or 16 expected");
  bool wide = bits == 16;
  std::vector<uint32_t> words;
  const unsigned char* b = reinterpret_cast<const unsigned char*>(data.data());
  for (std::size_t i = 0; i + (wide ? 1 : 0) < data.size(); i += wide ? 2 : 1)
    words.push_back(wide ? b[i] | b[i + 1] << 8 : b[i]);
  std::vector<uint32_t> values;
  if (segmented) {
    Segments segments(words, wide, n);
    if (!segments.Expand(0, -1, 0, &values, error)) return false;
  } else {
    values = words;
    if (values.size() == n + 1 && !wide) values.pop_back();  // even padding
  }
  if (values.size() != n)
    return Fail(error, std::to_string(values.size()) +
                           " entries in the data; the descriptor says " +
                           std::to_string(n));
  entries->clear();
  for (uint32_t v : values)
    entries->push_back(static_cast<uint8_t>(wide ? v >> 8 : v));
  return true;
}

}  // namespace zorl
