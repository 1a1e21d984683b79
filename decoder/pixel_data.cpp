// The Pixel Data element against the header's description of it.
#include "decoder/pixel_data.h"

#include <gdcmSequenceOfFragments.h>

#include <cstring>
#include <vector>

namespace zorl {

namespace {

unsigned Get16(const unsigned char* p) { return p[0] << 8 | p[1]; }
long long Get32(const unsigned char* p) {
  return static_cast<long long>(Get16(p)) << 16 | Get16(p + 2);
}

bool Fail(std::string* error, const std::string& what) {
  *error = "Pixel Data (7FE0,0010): " + what;
  return false;
}

std::string Describe(const PixelShape& s) {
  return std::to_string(s.height) + " rows of " + std::to_string(s.width) +
         " pixels of " + std::to_string(s.samples) + " sample" +
         (s.samples == 1 ? "" : "s") + " of " +
         std::to_string(s.bitsAllocated) + " bits, " +
         std::to_string(s.frames) + " frame" + (s.frames == 1 ? "" : "s") +
         (s.chromaPairs ? ", 4:2:2" : "");
}

bool CheckNative(long long have, const PixelShape& s, std::string* error) {
  // 4:2:2 pairs hold two samples a pixel, not three.
  const int perPixel = s.chromaPairs ? 2 : s.samples;
  long long samples = s.width * s.height * perPixel * s.frames;
  long long want = s.bitsAllocated == 1 ? (samples + 7) / 8
                                        : samples * (s.bitsAllocated / 8);
  // An odd length is padded to an even one.
  if (have == want || (have == want + 1 && want % 2 == 1)) return true;
  return Fail(error, std::string(have < want ? "short" : "too long") +
                         ": it holds " + std::to_string(have) +
                         " bytes; the header describes " +
                         std::to_string(want) + " (" + Describe(s) + ")");
}

enum class Codec { kJpeg, kJ2k, kRle, kOther };

Codec CodecOf(const std::string& ts) {
  static const char* const jpeg[] = {
      "1.2.840.10008.1.2.4.50", "1.2.840.10008.1.2.4.51",
      "1.2.840.10008.1.2.4.57", "1.2.840.10008.1.2.4.70",
      "1.2.840.10008.1.2.4.80", "1.2.840.10008.1.2.4.81"};
  for (const char* t : jpeg)
    if (ts == t) return Codec::kJpeg;
  if (ts == "1.2.840.10008.1.2.4.90" || ts == "1.2.840.10008.1.2.4.91")
    return Codec::kJ2k;
  if (ts == "1.2.840.10008.1.2.5") return Codec::kRle;
  return Codec::kOther;
}

// Frame k's codestream (its first fragment) against the header.
bool CheckFrame(Codec codec, const gdcm::ByteValue* bv, long long k,
                const PixelShape& s, std::string* error) {
  const unsigned char* p =
      bv ? reinterpret_cast<const unsigned char*>(bv->GetPointer()) : nullptr;
  std::size_t n = bv ? static_cast<uint32_t>(bv->GetLength()) : 0;
  const std::string frame = "frame " + std::to_string(k);
  if (codec == Codec::kRle) {
    // A 64-byte header: the count of segments, one per byte of a sample.
    long long want =
        static_cast<long long>(s.samples) * ((s.bitsAllocated + 7) / 8);
    long long have = -1;
    if (n >= 64)
      have = p[0] | p[1] << 8 | p[2] << 16 | static_cast<long long>(p[3]) << 24;
    if (have == want) return true;
    return Fail(error, frame + "'s RLE header gives " +
                           (have < 0 ? std::string("no segment count")
                                     : std::to_string(have) + " segments") +
                           "; " + std::to_string(want) +
                           " expected (one for each byte of a sample)");
  }
  CodestreamSize c;
  bool found = codec == Codec::kJpeg ? JpegSize(p, n, &c) : J2kSize(p, n, &c);
  const char* name = codec == Codec::kJpeg ? "JPEG" : "JPEG 2000";
  if (!found)
    return Fail(error,
                frame + " holds no " + std::string(name) + " frame header");
  bool sameSize = c.width == s.width && (c.height == 0 || c.height == s.height);
  // A JPEG 2000 decoder takes the sign of its samples from the
  // codestream's precision: one that contradicts Bits Stored would give
  // other values than the header describes.
  const bool sameBits = codec != Codec::kJ2k || c.bits == s.bitsStored;
  // Unsigned samples in a codestream of a signed image are read as the
  // header says (some writers leave the codestream's sign unset); signed
  // samples in an unsigned image have no such reading.
  if (c.isSigned && !s.isSigned)
    return Fail(error, frame +
                           "'s JPEG 2000 codestream holds signed samples; "
                           "Pixel Representation (0028,0103) says unsigned");
  if (sameSize && c.components == s.samples && c.bits <= s.bitsAllocated &&
      sameBits)
    return true;
  return Fail(error, frame + "'s " + name + " codestream is " +
                         std::to_string(c.width) + " x " +
                         std::to_string(c.height) + " pixels of " +
                         std::to_string(c.components) + " component" +
                         (c.components == 1 ? "" : "s") + " of " +
                         std::to_string(c.bits) +
                         " bits; the header describes " + Describe(s) + " (" +
                         std::to_string(s.bitsStored) + " stored)");
}

bool CheckEncapsulated(const gdcm::SequenceOfFragments& sf, const PixelShape& s,
                       Codec codec, std::string* error) {
  const std::size_t count = sf.GetNumberOfFragments();
  if (count == 0) return Fail(error, "no fragments");
  if (static_cast<long long>(count) < s.frames)
    return Fail(error, std::to_string(count) + " fragment" +
                           (count == 1 ? "" : "s") + " for " +
                           std::to_string(s.frames) + " frames");
  if (codec == Codec::kOther) return true;
  // Where the frames start: every fragment when there are as many as
  // frames; else those the Basic Offset Table points at; else the first.
  std::vector<std::size_t> starts;
  const gdcm::ByteValue* table = sf.GetTable().GetByteValue();
  if (static_cast<long long>(count) == s.frames) {
    for (std::size_t i = 0; i < count; ++i) starts.push_back(i);
  } else if (table &&
             table->GetLength() == static_cast<uint32_t>(4 * s.frames)) {
    const unsigned char* t =
        reinterpret_cast<const unsigned char*>(table->GetPointer());
    std::size_t i = 0;
    long long at = 0;
    for (long long k = 0; k < s.frames; ++k) {
      long long offset = t[4 * k] | t[4 * k + 1] << 8 | t[4 * k + 2] << 16 |
                         static_cast<long long>(t[4 * k + 3]) << 24;
      while (i < count && at < offset)
        at += 8 + static_cast<uint32_t>(sf.GetFragment(i++).GetVL());
      if (i == count || at != offset)
        return Fail(error, "the Basic Offset Table's entry for frame " +
                               std::to_string(k) +
                               " is not where a fragment starts");
      starts.push_back(i);
    }
  } else {
    starts.push_back(0);
  }
  for (std::size_t k = 0; k < starts.size(); ++k)
    if (!CheckFrame(codec, sf.GetFragment(starts[k]).GetByteValue(),
                    static_cast<long long>(k), s, error))
      return false;
  return true;
}

}  // namespace

bool EndsInsidePixelData(const char* data, std::size_t n) {
  const auto* p = reinterpret_cast<const unsigned char*>(data);
  static const unsigned char kLittle[4] = {0xE0, 0x7F, 0x10, 0x00};
  static const unsigned char kBig[4] = {0x7F, 0xE0, 0x00, 0x10};
  for (std::size_t at = 0; at + 8 <= n; ++at) {
    bool little = std::memcmp(p + at, kLittle, 4) == 0;
    if (!little && std::memcmp(p + at, kBig, 4) != 0) continue;
    auto word = [&](std::size_t i) -> long long {
      const unsigned char* w = p + i;
      return little ? (w[0] | w[1] << 8 | w[2] << 16 |
                       static_cast<long long>(w[3]) << 24)
                    : Get32(w);
    };
    const unsigned char* vr = p + at + 4;
    bool explicitVr = (vr[0] == 'O' && (vr[1] == 'B' || vr[1] == 'W')) ||
                      (vr[0] == 'U' && vr[1] == 'N');
    long long length;
    std::size_t value;
    if (explicitVr) {
      if (at + 12 > n || vr[2] != 0 || vr[3] != 0) return false;
      length = word(at + 8);
      value = at + 12;
    } else if (little) {  // implicit VR is little endian
      length = word(at + 4);
      value = at + 8;
    } else {
      continue;
    }
    if (length == 0xFFFFFFFFLL) return false;  // encapsulated
    return value + static_cast<unsigned long long>(length) > n;
  }
  return false;
}

bool JpegSize(const unsigned char* p, std::size_t n, CodestreamSize* size) {
  if (n < 4 || p[0] != 0xFF || p[1] != 0xD8) return false;
  std::size_t at = 2;
  while (at + 4 <= n) {
    if (p[at] != 0xFF) return false;
    unsigned marker = p[at + 1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
      at += 2;
      continue;
    }
    if (marker == 0xDA || marker == 0xD9) return false;  // no frame header
    std::size_t length = Get16(p + at + 2);
    bool sof = (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 &&
                marker != 0xC8 && marker != 0xCC) ||
               marker == 0xF7;
    if (sof) {
      if (at + 10 > n || length < 8) return false;
      size->bits = p[at + 4];
      size->height = Get16(p + at + 5);
      size->width = Get16(p + at + 7);
      size->components = p[at + 9];
      return true;
    }
    if (length < 2) return false;
    at += 2 + length;
  }
  return false;
}

bool J2kSize(const unsigned char* p, std::size_t n, CodestreamSize* size) {
  // The codestream starts with SOC and SIZ, bare or in a JP2 file's
  // contiguous codestream box.
  static const unsigned char kStart[4] = {0xFF, 0x4F, 0xFF, 0x51};
  const std::size_t look = n < 65536 ? n : 65536;
  for (std::size_t at = 0; at + 4 <= look; ++at) {
    if (std::memcmp(p + at, kStart, 4) != 0) continue;
    const unsigned char* s = p + at + 4;  // Lsiz
    if (at + 4 + 41 > n) return false;
    long long xsiz = Get32(s + 4), ysiz = Get32(s + 8);
    long long x0 = Get32(s + 12), y0 = Get32(s + 16);
    int components = static_cast<int>(Get16(s + 36));
    if (components < 1 ||
        at + 4 + 38 + 3 * static_cast<std::size_t>(components) > n)
      return false;
    int bits = 0;
    for (int c = 0; c < components; ++c) {
      int b = (s[38 + 3 * c] & 0x7F) + 1;
      if (b > bits) bits = b;
      if (s[38 + 3 * c] & 0x80) size->isSigned = true;
    }
    size->width = xsiz - x0;
    size->height = ysiz - y0;
    size->components = components;
    size->bits = bits;
    return true;
  }
  return false;
}

bool CheckPixelData(const gdcm::DataElement& pixelData, const PixelShape& shape,
                    const char* transferSyntax, std::string* error) {
  if (const gdcm::SequenceOfFragments* sf = pixelData.GetSequenceOfFragments())
    return CheckEncapsulated(
        *sf, shape, CodecOf(transferSyntax ? transferSyntax : ""), error);
  const gdcm::ByteValue* bv = pixelData.GetByteValue();
  return CheckNative(bv ? static_cast<uint32_t>(bv->GetLength()) : 0, shape,
                     error);
}

}  // namespace zorl
