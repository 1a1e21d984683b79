// Counting the pixels of a picture by value: one pass over the pixels,
// the depth chosen outside the loop; and the pixels beyond a span of values.
#include "images/histogram.h"

namespace zorl {

PixelCounts CountPixels(const ImageView& image, bool isSigned) {
  PixelCounts c;
  std::size_t n = static_cast<std::size_t>(image.width * image.height);
  const unsigned char* p = image.pixels;
  if (image.depth == 1) {
    c.counts.assign(1, std::vector<long long>(256));
    long long* k = c.counts[0].data();
    for (std::size_t i = 0; i < n; ++i) ++k[p[i]];
  } else if (image.depth == 2) {
    // A signed value v counts at v + 32768: its top bit flipped.
    unsigned flip = isSigned ? 0x8000 : 0;
    c.first = isSigned ? -32768 : 0;
    c.counts.assign(1, std::vector<long long>(65536));
    long long* k = c.counts[0].data();
    for (std::size_t i = 0; i < n; ++i)
      ++k[(p[2 * i] | static_cast<unsigned>(p[2 * i + 1]) << 8) ^ flip];
  } else {
    // Pixels are blue, green, red in memory; the counts red, green, blue.
    c.counts.assign(3, std::vector<long long>(256));
    long long *r = c.counts[0].data(), *g = c.counts[1].data(),
              *b = c.counts[2].data();
    for (std::size_t i = 0; i < n; ++i) {
      ++b[p[3 * i]];
      ++g[p[3 * i + 1]];
      ++r[p[3 * i + 2]];
    }
  }
  return c;
}

long long CountOutside(const ImageView& image, const PixelCounts& counts,
                       long long lo, long long hi) {
  long long outside = 0;
  if (image.depth != 3) {
    const std::vector<long long>& k = counts.counts[0];
    for (std::size_t i = 0; i < k.size(); ++i) {
      long long v = counts.first + static_cast<long long>(i);
      if (v < lo || v > hi) outside += k[i];
    }
    return outside;
  }
  bool in[256];
  for (int v = 0; v < 256; ++v) in[v] = v >= lo && v <= hi;
  std::size_t n = static_cast<std::size_t>(image.width * image.height);
  const unsigned char* p = image.pixels;
  for (std::size_t i = 0; i < n; ++i, p += 3)
    outside += !(in[p[0]] && in[p[1]] && in[p[2]]);
  return outside;
}

}  // namespace zorl
