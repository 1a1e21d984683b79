// Colour values (0x00BBGGRR, as a ColorRef's clrf holds them) and the rule by
// which a LUTC3 gray entry rescales a colour.
#ifndef LUT_TRIPLE_COLOUR_H
#define LUT_TRIPLE_COLOUR_H

#include "host/platform.h"

// red in bits 0-7, green in bits 8-15, blue in bits 16-23.
inline zulong PackColour(unsigned r, unsigned g, unsigned b) {
  return static_cast<zulong>((r & 0xFF) | (g & 0xFF) << 8 | (b & 0xFF) << 16);
}
inline unsigned RedOf(zlong c) { return static_cast<zulong>(c) & 0xFF; }
inline unsigned GreenOf(zlong c) { return static_cast<zulong>(c) >> 8 & 0xFF; }
inline unsigned BlueOf(zlong c) { return static_cast<zulong>(c) >> 16 & 0xFF; }

// a * b / c, truncated, computed exactly for a < 2^32 and b, c < 2^47 (c > 0)
// whose quotient fits: a is split in 16-bit halves so that no partial
// product leaves 64 bits.
inline unsigned long long MulDiv(unsigned long long a, unsigned long long b,
                                 unsigned long long c) {
  unsigned long long high = (a >> 16) * b;
  unsigned long long low = ((high % c) << 16) + (a & 0xFFFF) * b;
  return ((high / c) << 16) + low / c;
}

// A colour (r, g, b) with the sum index s = r + g + b, 0 <= s < m, looked up
// in a gray entry of level t of a LUTC3 of m entries: it keeps its hue and
// takes the entry's brightness, t = 255 standing for the sum index m - 1.
// Each component becomes (m - 1) * t * component / (255 * s); when one
// exceeds 255 all are scaled down so that the largest is 255. A component
// made negative by a negative BaseLine counts as 0.
inline zulong GrayScaledColour(zlong m, unsigned t, long long r, long long g,
                               long long b) {
  long long s = r + g + b;
  if (s <= 0) return 0;
  // 0 <= s < m < 2^29: each factor stays below 2^37, each quotient below
  // 2^37.
  unsigned long long scale = static_cast<unsigned long long>(m - 1);
  unsigned long long d = 255ULL * static_cast<unsigned long long>(s);
  long long c[3] = {r, g, b};
  long long top = 255;
  for (long long& v : c) {
    v = v <= 0 ? 0
               : static_cast<long long>(
                     MulDiv(scale, t * static_cast<unsigned long long>(v), d));
    if (v > top) top = v;
  }
  if (top > 255)
    for (long long& v : c) v = v * 255 / top;
  return PackColour(static_cast<unsigned>(c[0]), static_cast<unsigned>(c[1]),
                    static_cast<unsigned>(c[2]));
}

// The reciprocal of f / d for numerators v from 0 to vMax: mul such that
// (v * mul) >> 32 is v * f / d, truncated, for every such v; false where
// that is not provably so in 64-bit arithmetic (the caller divides then).
// With mul = ceil(2^32 f / d) = (2^32 f + e) / d, 0 <= e < d:
//   v * mul / 2^32 = v * f / d + v * e / (2^32 d),
// and with v f = q d + r (0 <= r < d) that is q + (r + v e / 2^32) / d,
// whose floor is q as long as v * e < 2^32, since r <= d - 1. The product
// v * mul must also stay below 2^64.
inline bool ExactReciprocal(unsigned long long f, unsigned long long d,
                            unsigned long long vMax, unsigned long long* mul) {
  const unsigned long long kTop = ~0ULL;
  if (d == 0 || f >= (1ULL << 32)) return false;  // 2^32 f must fit
  unsigned long long scaled = f << 32;
  unsigned long long m = scaled / d + (scaled % d != 0);
  unsigned long long e = (d - scaled % d) % d;
  if (e != 0 && vMax > ((1ULL << 32) - 1) / e) return false;
  if (m != 0 && vMax > kTop / m) return false;
  *mul = m;
  return true;
}

#endif
