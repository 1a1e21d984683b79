// The loop over 2-byte pixels that may fail, in blocks: where the smallest
// and the largest pixel of a block both index the table, so does every pixel
// between them (the table index never decreases as the pixel grows), and the
// block runs without a check per pixel; the block that holds a pixel outside
// runs pixel by pixel, checked, so that the first failing pixel is found and
// handled exactly as a plain checked loop handles it.
#ifndef LUT_FRAME_WORD_BLOCKS_H
#define LUT_FRAME_WORD_BLOCKS_H

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "host/zorl.h"

// A 2-byte pixel, low byte first, read as Word (std::int16_t or
// std::uint16_t).
template <typename Word>
inline long long WordAt(const unsigned char* s) {
  return static_cast<Word>(s[0] | s[1] << 8);
}

const zlong kWordBlock = 1024;

// The smallest and the largest of the n > 0 pixels at s; with SSE2, eight
// at a time (unsigned words are compared with their top bit flipped).
template <typename Word>
inline void WordRange(const unsigned char* s, zlong n, long long* lo,
                      long long* hi) {
  long long mn = WordAt<Word>(s), mx = mn;
  zlong i = 0;
#if defined(__SSE2__)
  const bool flip = static_cast<Word>(-1) > 0;
  const __m128i bias = _mm_set1_epi16(flip ? -32768 : 0);
  __m128i vmin = _mm_set1_epi16(32767), vmax = _mm_set1_epi16(-32768);
  for (; i + 8 <= n; i += 8) {
    __m128i v = _mm_xor_si128(
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 2 * i)), bias);
    vmin = _mm_min_epi16(vmin, v);
    vmax = _mm_max_epi16(vmax, v);
  }
  if (i > 0) {
    alignas(16) std::int16_t a[8], b[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(a), vmin);
    _mm_store_si128(reinterpret_cast<__m128i*>(b), vmax);
    for (int k = 0; k < 8; ++k) {
      long long x = a[k] + (flip ? 32768 : 0), y = b[k] + (flip ? 32768 : 0);
      mn = x < mn ? x : mn;
      mx = y > mx ? y : mx;
    }
  }
#endif
  for (; i < n; ++i) {
    long long w = WordAt<Word>(s + 2 * i);
    mn = w < mn ? w : mn;
    mx = w > mx ? w : mx;
  }
  *lo = mn;
  *hi = mx;
}

// For each block of pixels [b, e) of the n at s: fast(b, e) when inside(p)
// holds for its smallest and largest pixel p, else checked(b, e); either
// returns false to stop the loop.
template <typename Word, typename Inside, typename Fast, typename Checked>
inline void WordBlocks(const unsigned char* s, zlong n, Inside inside,
                       Fast fast, Checked checked) {
  for (zlong b = 0; b < n; b += kWordBlock) {
    zlong e = n - b > kWordBlock ? b + kWordBlock : n;
    long long lo, hi;
    WordRange<Word>(s + 2 * b, e - b, &lo, &hi);
    if (!(inside(lo) && inside(hi) ? fast(b, e) : checked(b, e))) return;
  }
}

#endif
