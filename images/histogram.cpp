// Counting the pixels of a picture by value: one pass over the pixels,
// the depth chosen outside the loop.
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

}  // namespace zorl
