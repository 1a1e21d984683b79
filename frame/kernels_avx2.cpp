// AVX2 kernels: a 256-entry table looked up with byte shuffles over its
// sixteen 16-entry slices. The three-byte-source kernels keep the plain
// loop, which is as fast at this width.
#include "frame/kernels.h"

#if defined(__x86_64__)
#include <immintrin.h>

#define LUT_AVX2 __attribute__((target("avx2")))

namespace {

// The sixteen slices of a table, each in both 128-bit lanes.
struct Slices {
  __m256i lut[16];
};

LUT_AVX2 void LoadSlices(const u8* t, Slices* s) {
  for (int k = 0; k < 16; ++k)
    s->lut[k] = _mm256_broadcastsi128_si256(
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + 16 * k)));
}

// Looks 32 bytes up: each slice answers for the bytes whose high nibble
// names it.
LUT_AVX2 inline __m256i Lookup(const Slices& s, __m256i idx) {
  const __m256i nibble = _mm256_set1_epi8(0x0F);
  __m256i lo = _mm256_and_si256(idx, nibble);
  __m256i hi = _mm256_and_si256(_mm256_srli_epi16(idx, 4), nibble);
  __m256i r = _mm256_setzero_si256();
  for (int k = 0; k < 16; ++k) {
    __m256i hit = _mm256_cmpeq_epi8(hi, _mm256_set1_epi8(static_cast<char>(k)));
    r = _mm256_or_si256(
        r, _mm256_and_si256(hit, _mm256_shuffle_epi8(s.lut[k], lo)));
  }
  return r;
}

LUT_AVX2 void Map8(const u8* t, const u8* src, u8* dst, std::size_t n) {
  Slices s;
  LoadSlices(t, &s);
  std::size_t i = 0;
  for (; i + 32 <= n; i += 32) {
    __m256i idx = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), Lookup(s, idx));
  }
  ScalarMap8(t, src + i, dst + i, n - i);
}

// Shuffle masks that spread 16 bytes of one channel over 48 interleaved
// output bytes: mask[c][o] places channel c into output block o (16 bytes).
struct Interleave {
  __m128i mask[3][3];
};

Interleave MakeInterleave() {
  Interleave il;
  for (int c = 0; c < 3; ++c) {
    for (int o = 0; o < 3; ++o) {
      alignas(16) signed char m[16];
      for (int j = 0; j < 16; ++j) {
        int g = 16 * o + j;  // output byte: pixel g / 3, channel g % 3
        m[j] = g % 3 == c ? static_cast<signed char>(g / 3) : -1;
      }
      il.mask[c][o] = _mm_load_si128(reinterpret_cast<const __m128i*>(m));
    }
  }
  return il;
}

LUT_AVX2 inline void Store48(const Interleave& il, __m128i c0, __m128i c1,
                             __m128i c2, u8* out) {
  for (int o = 0; o < 3; ++o) {
    __m128i v = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(c0, il.mask[0][o]),
                                          _mm_shuffle_epi8(c1, il.mask[1][o])),
                             _mm_shuffle_epi8(c2, il.mask[2][o]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * o), v);
  }
}

LUT_AVX2 void Map8To3(const u8* t0, const u8* t1, const u8* t2, const u8* src,
                      u8* dst, std::size_t n) {
  static const Interleave il = MakeInterleave();
  const bool gray = t0 == t1 && t1 == t2;
  Slices s0, s1, s2;
  LoadSlices(t0, &s0);
  if (!gray) {
    LoadSlices(t1, &s1);
    LoadSlices(t2, &s2);
  }
  std::size_t i = 0;
  for (; i + 32 <= n; i += 32) {
    __m256i idx = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
    __m256i r0 = Lookup(s0, idx);
    __m256i r1 = gray ? r0 : Lookup(s1, idx);
    __m256i r2 = gray ? r0 : Lookup(s2, idx);
    Store48(il, _mm256_castsi256_si128(r0), _mm256_castsi256_si128(r1),
            _mm256_castsi256_si128(r2), dst + 3 * i);
    Store48(il, _mm256_extracti128_si256(r0, 1),
            _mm256_extracti128_si256(r1, 1), _mm256_extracti128_si256(r2, 1),
            dst + 3 * i + 48);
  }
  ScalarMap8To3(t0, t1, t2, src + i, dst + 3 * i, n - i);
}

const LutKernels kAvx2 = {"avx2", Map8, Map8To3, ScalarMap3To3, ScalarAvg3To1};

}  // namespace

const LutKernels* Avx2Kernels() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") ? &kAvx2 : nullptr;
}

#else

const LutKernels* Avx2Kernels() { return nullptr; }

#endif
