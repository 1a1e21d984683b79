// The entries of a DICOM palette table from its descriptor and its data:
// plain data holds the entries; segmented data holds discrete segments (the
// values), linear segments (a ramp from the last value to a new one) and
// indirect segments (earlier segments given again, from a byte offset).
#include <algorithm>
#include <cmath>

#include "images/palette.h"

namespace zorl {

namespace {

bool Fail(std::string* error, const std::string& what) {
  *error = what;
  return false;
}

// A segment as expanded: where it starts in the data, its entries in the
// output, and its head: the leading ramp (of `head` entries up to `head_to`)
// that depends on the value before the segment. Given again elsewhere, a
// segment is its head ramped anew from the value there, then the rest of
// its entries as they are: only a segment's first entries follow the value
// before it, so copying keeps the time to the output's length.
struct Expanded {
  std::size_t word, begin, end;
  uint32_t head, head_to;
};

// n values after y0 evenly up to y1, rounded half to even (as the common
// readers compute them: start + i * step, the last exactly y1).
void Ramp(double y0, double y1, uint32_t n, std::vector<uint32_t>* out) {
  if (n == 0) return;
  double start = y0 + (y1 - y0) / n;
  double step = n > 1 ? (y1 - start) / (n - 1) : 0;
  for (uint32_t i = 0; i + 1 < n; ++i)
    out->push_back(static_cast<uint32_t>(std::nearbyint(start + i * step)));
  out->push_back(static_cast<uint32_t>(y1));
}

// Data as its words of 8 or 16 bits, little endian.
struct Words {
  const unsigned char* bytes;
  std::size_t size;
  bool wide;
  uint32_t operator[](std::size_t i) const {
    return wide ? bytes[2 * i] | bytes[2 * i + 1] << 8 : bytes[i];
  }
};

// Segments that give no entries serve nothing: a few are let be.
const std::size_t kMostEmptySegments = 1024;

// Segmented data expanded into entries of the width of its words, at most
// `limit` of them.
class Segments {
 public:
  Segments(const Words& words, std::size_t limit)
      : words_(words), wide_(words.wide), limit_(limit) {}

  bool Expand(std::vector<uint32_t>* out, std::string* error) {
    std::size_t at = 0;
    while (at < words_.size) {
      if (at + 1 == words_.size) {
        if (!wide_ && words_[at] == 0) return true;  // even-length padding
        return Bad(error, "the data ends after its type");
      }
      Expanded s{at, out->size(), out->size(), 0, 0};
      uint32_t op = words_[at], n = words_[at + 1];
      at += 2;
      if (op == 0) {  // discrete: n values
        if (n > words_.size - at)
          return Bad(error, "a discrete segment of " + std::to_string(n) +
                                " values; the data ends after " +
                                std::to_string(words_.size - at));
        if (!Room(out, n, error)) return false;
        for (uint32_t i = 0; i < n; ++i) out->push_back(words_[at++]);
      } else if (op == 1) {  // linear: n steps to the next value
        if (out->empty())
          return Bad(error, "a linear segment with no value before it");
        if (at == words_.size)
          return Bad(error, "a linear segment without its end value");
        if (!Room(out, n, error)) return false;
        s.head = n;
        s.head_to = words_[at++];
        Ramp(out->back(), s.head_to, n, out);
      } else if (op == 2) {  // indirect: n segments from a byte offset
        if (out->empty())
          return Bad(error, "an indirect segment with no value before it");
        std::size_t need = wide_ ? 2 : 4;
        if (words_.size - at < need)
          return Bad(error, "an indirect segment without its offset");
        uint32_t offset = wide_
                              ? words_[at] | words_[at + 1] << 16
                              : words_[at] | words_[at + 1] << 8 |
                                    words_[at + 2] << 16 | words_[at + 3] << 24;
        at += need;
        if (!Copy(offset, n, out, &s, error)) return false;
      } else {
        return Bad(error, "unknown segment type " + std::to_string(op));
      }
      s.end = out->size();
      if (s.end == s.begin && ++empty_ > kMostEmptySegments)
        return Bad(error, "more than " + std::to_string(kMostEmptySegments) +
                              " segments that give no entries");
      done_.push_back(s);
    }
    return true;
  }

 private:
  // The n segments from the one at byte `offset` given again at the end.
  bool Copy(uint32_t offset, uint32_t n, std::vector<uint32_t>* out,
            Expanded* s, std::string* error) {
    const std::size_t word = offset / (wide_ ? 2 : 1);
    const bool aligned = !wide_ || offset % 2 == 0;
    if (aligned && word == s->word)
      return Bad(error, "an indirect segment refers to itself");
    auto at = std::lower_bound(
        done_.begin(), done_.end(), word,
        [](const Expanded& e, std::size_t w) { return e.word < w; });
    if (!aligned || at == done_.end() || at->word != word)
      return Bad(error, "an indirect segment refers to byte offset " +
                            std::to_string(offset) +
                            ", not the start of an earlier segment");
    const std::size_t first = static_cast<std::size_t>(at - done_.begin());
    if (n > done_.size() - first)
      return Bad(error, "an indirect segment gives " + std::to_string(n) +
                            " segments from segment " +
                            std::to_string(first + 1) + "; only " +
                            std::to_string(done_.size() - first) +
                            " come before it");
    if (n == 0) return true;
    const std::size_t begin = at->begin, end = done_[first + n - 1].end;
    if (!Room(out, end - begin, error)) return false;
    // The first segment with entries holds the head that is ramped anew.
    auto head = std::upper_bound(
        at, at + n, begin,
        [](std::size_t b, const Expanded& e) { return b < e.end; });
    if (head == at + n) return true;
    s->head = head->head;
    s->head_to = head->head_to;
    Ramp(out->back(), s->head_to, s->head, out);
    const std::size_t from = begin + s->head, old = out->size();
    out->resize(old + (end - from));
    std::copy(out->begin() + static_cast<long>(from),
              out->begin() + static_cast<long>(end),
              out->begin() + static_cast<long>(old));
    return true;
  }
  bool Bad(std::string* error, const std::string& what) const {
    return Fail(error,
                "segment " + std::to_string(done_.size() + 1) + ": " + what);
  }
  bool Room(const std::vector<uint32_t>* out, std::size_t n,
            std::string* error) const {
    if (n <= limit_ - out->size()) return true;
    return Bad(error,
               "more entries than the descriptor's " + std::to_string(limit_));
  }

  const Words& words_;
  bool wide_;
  std::size_t limit_, empty_ = 0;
  std::vector<Expanded> done_;  // in the order of the data
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
  if (wide && data.size() % 2)
    return Fail(error, "data of " + std::to_string(data.size()) +
                           " bytes: not whole entries of 16 bits");
  const Words words{reinterpret_cast<const unsigned char*>(data.data()),
                    wide ? data.size() / 2 : data.size(), wide};
  std::vector<uint32_t> values;
  if (segmented) {
    Segments segments(words, n);
    if (!segments.Expand(&values, error)) return false;
  }
  std::size_t count = segmented ? values.size() : words.size;
  if (!segmented && !wide && count == n + 1) count = n;  // even padding
  if (count != n)
    return Fail(error, std::to_string(count) +
                           " entries in the data; the descriptor says " +
                           std::to_string(n));
  entries->clear();
  for (std::size_t i = 0; i < n; ++i) {
    uint32_t v = segmented ? values[i] : words[i];
    entries->push_back(static_cast<uint8_t>(wide ? v >> 8 : v));
  }
  return true;
}

}  // namespace zorl
