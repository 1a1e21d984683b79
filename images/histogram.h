// Counting the pixels of a picture by value.
#ifndef ZORL_IMAGES_HISTOGRAM_H
#define ZORL_IMAGES_HISTOGRAM_H

#include <vector>

#include "images/formats.h"

namespace zorl {

// The counts of each value, channel by channel. Depth 1: one channel of
// 256 counts; depth 2: one channel of 65536 counts of the 16-bit values,
// from 0 or, when the pixels are signed, from -32768; depth 3: red, green
// and blue, 256 counts each.
struct PixelCounts {
  long long first = 0;  // the value that counts[c][0] counts
  std::vector<std::vector<long long>> counts;
};

// The caller has checked that the pixels are width * height * depth bytes
// and that depth is 1, 2 or 3.
PixelCounts CountPixels(const ImageView& image, bool isSigned);

// The pixels with a value (in colour: any component) below lo or above
// hi; counts are the image's, from which gray pictures are counted.
long long CountOutside(const ImageView& image, const PixelCounts& counts,
                       long long lo, long long hi);

}  // namespace zorl

#endif
