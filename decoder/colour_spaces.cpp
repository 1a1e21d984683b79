// Colour samples to the module's blue-green-red bytes: 16-bit samples
// scaled to 8 bits as 16-bit PNG colour is (to the nearest of v * 255 /
// max), then full-range YCbCr turned into RGB by the inverse of the JPEG
// (JFIF) transform that DICOM's YBR_FULL names:
//   R = Y + 1.402 (Cr - 128)
//   G = Y - 0.114 * 1.772 / 0.587 (Cb - 128) - 0.299 * 1.402 / 0.587 (Cr - 128)
//   B = Y + 1.772 (Cb - 128)
// each rounded half up and clamped to 0..255.
#include "decoder/colour_spaces.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace zorl {

namespace {

// The three tables of the YBR_FULL transform: each chroma value's share of
// red, green and blue, so that a pixel is four additions.
struct YbrTables {
  double red[256], greenCb[256], greenCr[256], blue[256];
  YbrTables() {
    for (int v = 0; v < 256; ++v) {
      red[v] = 1.402 * (v - 128);
      greenCb[v] = -0.114 * 1.772 / 0.587 * (v - 128);
      greenCr[v] = -0.299 * 1.402 / 0.587 * (v - 128);
      blue[v] = 1.772 * (v - 128);
    }
  }
};

unsigned char Byte(double v) {
  double r = std::floor(v + 0.5);
  return static_cast<unsigned char>(r < 0 ? 0 : r > 255 ? 255 : r);
}

// Sample c (0, 1, 2) of pixel p as 8 bits.
struct Samples {
  const unsigned char* src;
  long long n;
  ColourLayout layout;
  uint32_t mask, max;

  unsigned operator()(long long p, int c) const {
    const long long at = layout.planar ? c * n + p : 3 * p + c;
    if (layout.bitsAllocated == 8) return src[at];
    uint16_t v;
    std::memcpy(&v, src + 2 * at, 2);
    return (static_cast<uint32_t>(v & mask) * 255 + max / 2) / max;
  }
};

}  // namespace

ColourModel ColourModelOf(const std::string& photometric) {
  if (photometric == "RGB" || photometric == "YBR_ICT" ||
      photometric == "YBR_RCT")
    return ColourModel::kRgb;
  if (photometric == "YBR_FULL" || photometric == "YBR_FULL_422")
    return ColourModel::kYbrFull;
  return ColourModel::kNone;
}

void ColourToBgr(const unsigned char* src, long long n,
                 const ColourLayout& layout, unsigned char* dst) {
  const int bits = layout.bitsStored < 1 || layout.bitsStored > 16
                       ? layout.bitsAllocated
                       : layout.bitsStored;
  const uint32_t max = (1u << bits) - 1;
  const Samples s{src, n, layout, max, max};
  if (layout.model == ColourModel::kRgb) {
    for (long long p = 0; p < n; ++p)
      for (int c = 0; c < 3; ++c)
        dst[3 * p + 2 - c] = static_cast<unsigned char>(s(p, c));
    return;
  }
  static const YbrTables t;
  for (long long p = 0; p < n; ++p) {
    const double y = s(p, 0);
    const unsigned cb = s(p, 1), cr = s(p, 2);
    dst[3 * p] = Byte(y + t.blue[cb]);
    dst[3 * p + 1] = Byte(y + t.greenCb[cb] + t.greenCr[cr]);
    dst[3 * p + 2] = Byte(y + t.red[cr]);
  }
}

}  // namespace zorl
