// 16-bit colour in RLE, decoded here: the DICOM library gives the byte
// segments of such frames out of order. A frame is one fragment: a header
// of 16 little-endian words (the count of segments, 6, then where each
// starts), and six PackBits segments, the high then the low byte of red,
// green and blue, each one byte for every pixel.
#include <gdcmSequenceOfFragments.h>

#include <cstdint>
#include <cstring>

#include "decoder/colour_spaces.h"

namespace zorl {

namespace {

uint32_t Word(const unsigned char* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// One PackBits segment into count bytes; bytes decoded past count (an
// encoder's padding) are left. False when the segment gives fewer or
// reads past its end.
bool Segment(const unsigned char* p, std::size_t n, unsigned char* out,
             std::size_t count) {
  std::size_t at = 0, got = 0;
  while (got < count && at < n) {
    const int c = static_cast<signed char>(p[at++]);
    if (c == -128) continue;
    const auto run = static_cast<std::size_t>(c >= 0 ? c + 1 : 1 - c);
    const std::size_t take = run < count - got ? run : count - got;
    if (c >= 0) {
      if (run > n - at) return false;
      std::memcpy(out + got, p + at, take);
      at += run;
    } else {
      if (at == n) return false;
      std::memset(out + got, p[at++], take);
    }
    got += take;
  }
  return got == count;
}

bool Frame(const gdcm::ByteValue* bv, std::size_t pixels,
           std::vector<unsigned char>* planes, char* out, std::string* error) {
  const auto* p =
      bv ? reinterpret_cast<const unsigned char*>(bv->GetPointer()) : nullptr;
  const std::size_t n = bv ? static_cast<uint32_t>(bv->GetLength()) : 0;
  if (n < 64 || Word(p) != 6) {
    *error = "an RLE header of 6 segments expected";
    return false;
  }
  for (std::size_t k = 0; k < 6; ++k) {
    const std::size_t from = Word(p + 4 + 4 * k);
    const std::size_t to = k < 5 ? Word(p + 8 + 4 * k) : n;
    if (from < 64 || from > to || to > n ||
        !Segment(p + from, to - from, planes->data() + k * pixels, pixels)) {
      *error = "RLE segment " + std::to_string(k + 1) +
               " is cut short or lies outside its fragment";
      return false;
    }
  }
  const unsigned char* b = planes->data();
  for (std::size_t i = 0; i < pixels; ++i)
    for (std::size_t s = 0; s < 3; ++s) {
      const uint16_t v = static_cast<uint16_t>(b[2 * s * pixels + i] << 8 |
                                               b[(2 * s + 1) * pixels + i]);
      std::memcpy(out + 2 * (3 * i + s), &v, 2);
    }
  return true;
}

}  // namespace

bool DecodeRleColour16(const gdcm::DataElement& pixelData, long long pixels,
                       long long frames, std::vector<char>* out,
                       std::string* error) {
  const gdcm::SequenceOfFragments* sf = pixelData.GetSequenceOfFragments();
  if (!sf || static_cast<long long>(sf->GetNumberOfFragments()) != frames) {
    *error =
        "Pixel Data (7FE0,0010): 16-bit colour in RLE is read as one "
        "fragment a frame";
    return false;
  }
  const std::size_t each = static_cast<std::size_t>(pixels);
  std::vector<unsigned char> planes(6 * each);
  out->assign(static_cast<std::size_t>(frames) * 6 * each, 0);
  for (long long f = 0; f < frames; ++f)
    if (!Frame(sf->GetFragment(static_cast<std::size_t>(f)).GetByteValue(),
               each, &planes, out->data() + f * 6 * each, error)) {
      *error =
          "Pixel Data (7FE0,0010): frame " + std::to_string(f) + ": " + *error;
      return false;
    }
  return true;
}

}  // namespace zorl
