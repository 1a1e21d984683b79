// AVX2 kernels: a 256-entry table looked up with byte shuffles over its
// sixteen 16-entry slices, telescoped so that one shuffle and one XOR serve
// each slice. Three-byte pixels are split into channel planes, looked up and
// woven back. Tails of fewer than 32 pixels take the plain loop.
#include "frame/kernels.h"

#if defined(__x86_64__)
#include <immintrin.h>

#define LUT_AVX2 __attribute__((target("avx2")))

namespace {

// A table as two halves of 128 entries, each as eight differences: d[8h]
// is slice 0 of half h and d[8h + k] slice k XOR slice k - 1, each in both
// 128-bit lanes. XORing d[8h] to d[8h + j] gives slice j of half h.
struct Table {
  __m256i d[16];
};

LUT_AVX2 void LoadTable(const u8* t, Table* tb) {
  for (int h = 0; h < 2; ++h) {
    __m128i prev = _mm_setzero_si128();
    for (int k = 0; k < 8; ++k) {
      __m128i s = _mm_loadu_si128(
          reinterpret_cast<const __m128i*>(t + 128 * h + 16 * k));
      tb->d[8 * h + k] = _mm256_broadcastsi128_si256(_mm_xor_si128(s, prev));
      prev = s;
    }
  }
}

// Looks N times 32 bytes up, in place. A byte of the lower half, read as a
// signed byte x from 0 to 127, minus 16 k is negative exactly for the slices
// k past its own, so the shuffles of those give 0 and the rest XOR to its own
// slice's entry at its low nibble. A byte of the upper half is negative
// throughout (the subtraction saturates), so the lower half's shuffles give
// 0 for it; the upper half is read the same way with the top bit flipped.
template <int N>
LUT_AVX2 inline void LookupN(const Table& tb, __m256i* v) {
  __m256i lo[N], hi[N], r[N];
  for (int j = 0; j < N; ++j) {
    lo[j] = v[j];
    hi[j] = _mm256_xor_si256(v[j], _mm256_set1_epi8(-128));
    r[j] = _mm256_xor_si256(_mm256_shuffle_epi8(tb.d[0], lo[j]),
                            _mm256_shuffle_epi8(tb.d[8], hi[j]));
  }
#pragma GCC unroll 8
  for (int k = 1; k < 8; ++k) {
    const __m256i step = _mm256_set1_epi8(static_cast<char>(16 * k));
    const __m256i dLo = tb.d[k], dHi = tb.d[8 + k];
    for (int j = 0; j < N; ++j)
      r[j] = _mm256_xor_si256(
          r[j], _mm256_xor_si256(
                    _mm256_shuffle_epi8(dLo, _mm256_subs_epi8(lo[j], step)),
                    _mm256_shuffle_epi8(dHi, _mm256_subs_epi8(hi[j], step))));
  }
  for (int j = 0; j < N; ++j) v[j] = r[j];
}

LUT_AVX2 inline __m256i Lookup(const Table& tb, __m256i idx) {
  LookupN<1>(tb, &idx);
  return idx;
}

LUT_AVX2 __m256i Load(const u8* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

LUT_AVX2 void Map8(const u8* t, const u8* src, u8* dst, std::size_t n) {
  Table tb;
  LoadTable(t, &tb);
  std::size_t i = 0;
  for (; i + 64 <= n; i += 64) {  // two registers share each table load
    __m256i v[2] = {Load(src + i), Load(src + i + 32)};
    LookupN<2>(tb, v);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), v[0]);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i + 32), v[1]);
  }
  for (; i + 32 <= n; i += 32)
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i),
                        Lookup(tb, Load(src + i)));
  ScalarMap8(t, src + i, dst + i, n - i);
}

// Shuffle masks between 16 pixels of three channel planes and their 48
// interleaved bytes, the same in both 128-bit lanes (lane 0 holds pixels 0
// to 15 of a block of 32, lane 1 pixels 16 to 31). weave[c][o] places plane
// c into output piece o (16 bytes), gray[o] places one plane into all three
// channels of piece o, and split[c][o] takes plane c from input piece o.
struct Weave {
  __m256i weave[3][3];
  __m256i gray[3];
  __m256i split[3][3];
};

LUT_AVX2 __m256i Mask(const signed char* m) {
  __m256i v;
  for (int lane = 0; lane < 2; ++lane)
    __builtin_memcpy(reinterpret_cast<char*>(&v) + 16 * lane, m, 16);
  return v;
}

LUT_AVX2 Weave MakeWeave() {
  Weave w;
  for (int o = 0; o < 3; ++o) {
    signed char g[16];
    for (int c = 0; c < 3; ++c) {
      signed char m[16], s[16];
      for (int j = 0; j < 16; ++j) {
        int b = 16 * o + j;  // output byte: pixel b / 3, channel b % 3
        m[j] = b % 3 == c ? static_cast<signed char>(b / 3) : -1;
        int from = 3 * j + c;  // plane c, pixel j: byte 3j + c
        s[j] = from / 16 == o ? static_cast<signed char>(from % 16) : -1;
        g[j] = static_cast<signed char>(b / 3);
      }
      w.weave[c][o] = Mask(m);
      w.split[c][o] = Mask(s);
    }
    w.gray[o] = Mask(g);
  }
  return w;
}

LUT_AVX2 const Weave& TheWeave() {
  static const Weave w = MakeWeave();
  return w;
}

// Stores piece o of both lanes: lane 0 at out + 16 o, lane 1 48 bytes on.
LUT_AVX2 inline void StorePiece(__m256i v, u8* out, int o) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * o),
                   _mm256_castsi256_si128(v));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 48 + 16 * o),
                   _mm256_extracti128_si256(v, 1));
}

// Weaves three planes of 32 pixels into 96 bytes at out.
LUT_AVX2 inline void Store96(const Weave& w, __m256i c0, __m256i c1, __m256i c2,
                             u8* out) {
  for (int o = 0; o < 3; ++o) {
    __m256i v =
        _mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(c0, w.weave[0][o]),
                                        _mm256_shuffle_epi8(c1, w.weave[1][o])),
                        _mm256_shuffle_epi8(c2, w.weave[2][o]));
    StorePiece(v, out, o);
  }
}

// Splits 96 bytes (32 pixels) at in into their three channel planes.
LUT_AVX2 inline void Load96(const Weave& w, const u8* in, __m256i plane[3]) {
  __m256i piece[3];
  for (int o = 0; o < 3; ++o)
    piece[o] =
        _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(in + 48 + 16 * o),
                            reinterpret_cast<const __m128i*>(in + 16 * o));
  for (int c = 0; c < 3; ++c)
    plane[c] = _mm256_or_si256(
        _mm256_or_si256(_mm256_shuffle_epi8(piece[0], w.split[c][0]),
                        _mm256_shuffle_epi8(piece[1], w.split[c][1])),
        _mm256_shuffle_epi8(piece[2], w.split[c][2]));
}

// Whether two tables hold the same entries.
bool Same(const u8* a, const u8* b) {
  return a == b || __builtin_memcmp(a, b, 256) == 0;
}

LUT_AVX2 void Map8To3(const u8* t0, const u8* t1, const u8* t2, const u8* src,
                      u8* dst, std::size_t n) {
  const Weave& w = TheWeave();
  std::size_t i = 0;
  if (Same(t0, t1) && Same(t1, t2)) {  // one lookup into all channels
    Table tb;
    LoadTable(t0, &tb);
    for (; i + 32 <= n; i += 32) {
      __m256i r = Lookup(tb, Load(src + i));
      for (int o = 0; o < 3; ++o)
        StorePiece(_mm256_shuffle_epi8(r, w.gray[o]), dst + 3 * i, o);
    }
  } else {
    Table a, b, c;
    LoadTable(t0, &a);
    LoadTable(t1, &b);
    LoadTable(t2, &c);
    for (; i + 32 <= n; i += 32) {
      __m256i idx = Load(src + i);
      Store96(w, Lookup(a, idx), Lookup(b, idx), Lookup(c, idx), dst + 3 * i);
    }
  }
  ScalarMap8To3(t0, t1, t2, src + i, dst + 3 * i, n - i);
}

LUT_AVX2 void Map3To3(const u8* t0, const u8* t1, const u8* t2, const u8* src,
                      u8* dst, std::size_t n) {
  const Weave& w = TheWeave();
  Table a, b, c;
  LoadTable(t0, &a);
  LoadTable(t1, &b);
  LoadTable(t2, &c);
  std::size_t i = 0;
  for (; i + 32 <= n; i += 32) {
    __m256i p[3];
    Load96(w, src + 3 * i, p);  // all read before any is written
    Store96(w, Lookup(a, p[0]), Lookup(b, p[1]), Lookup(c, p[2]), dst + 3 * i);
  }
  ScalarMap3To3(t0, t1, t2, src + 3 * i, dst + 3 * i, n - i);
}

// (a + b + c) / 3 for 16-bit sums up to 765: multiply by 0xAAAB, keep bits
// 17 and up (exact for every sum below 98304).
LUT_AVX2 inline __m256i Third16(__m256i s) {
  return _mm256_srli_epi16(_mm256_mulhi_epu16(s, _mm256_set1_epi16(-21845)), 1);
}

LUT_AVX2 void Avg3To1(const u8* t0, const u8* t1, const u8* t2, const u8* src,
                      u8* dst, std::size_t n) {
  const Weave& w = TheWeave();
  Table a, b, c;
  LoadTable(t0, &a);
  LoadTable(t1, &b);
  LoadTable(t2, &c);
  const __m256i zero = _mm256_setzero_si256();
  std::size_t i = 0;
  for (; i + 32 <= n; i += 32) {
    __m256i p[3];
    Load96(w, src + 3 * i, p);
    __m256i v0 = Lookup(a, p[0]), v1 = Lookup(b, p[1]), v2 = Lookup(c, p[2]);
    // Widened to 16 bits within each lane; packing restores the order.
    __m256i lo =
        _mm256_add_epi16(_mm256_add_epi16(_mm256_unpacklo_epi8(v0, zero),
                                          _mm256_unpacklo_epi8(v1, zero)),
                         _mm256_unpacklo_epi8(v2, zero));
    __m256i hi =
        _mm256_add_epi16(_mm256_add_epi16(_mm256_unpackhi_epi8(v0, zero),
                                          _mm256_unpackhi_epi8(v1, zero)),
                         _mm256_unpackhi_epi8(v2, zero));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i),
                        _mm256_packus_epi16(Third16(lo), Third16(hi)));
  }
  ScalarAvg3To1(t0, t1, t2, src + 3 * i, dst + i, n - i);
}

// Eight pixels a step: their entries widened to 32 bits, checked at once,
// and gathered as the four bytes from min(j, len - 4), shifted down to the
// byte of j, so that no read passes the table's end.
LUT_AVX2 std::size_t Words8(const u8* t, std::uint32_t len, std::uint32_t base,
                            const u8* src, u8* dst, std::size_t n) {
  std::size_t i = 0;
  if (len >= 4) {
    const __m256i vbase = _mm256_set1_epi32(static_cast<int>(base));
    const __m256i vlen = _mm256_set1_epi32(static_cast<int>(len));
    const __m256i last = _mm256_set1_epi32(static_cast<int>(len - 4));
    // byte 0 of each 32-bit entry to the low four bytes of each lane
    const __m256i low = _mm256_setr_epi8(
        0, 4, 8, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0, 4, 8,
        12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    for (; i + 8 <= n; i += 8) {
      __m256i j = _mm256_add_epi32(
          _mm256_cvtepi16_epi32(
              _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 2 * i))),
          vbase);
      __m256i bad = _mm256_cmpeq_epi32(_mm256_max_epu32(j, vlen), j);
      if (!_mm256_testz_si256(bad, bad)) break;  // the plain loop finds it
      __m256i at = _mm256_min_epu32(j, last);
      __m256i four =
          _mm256_i32gather_epi32(reinterpret_cast<const int*>(t), at, 1);
      __m256i entry = _mm256_shuffle_epi8(
          _mm256_srlv_epi32(four,
                            _mm256_slli_epi32(_mm256_sub_epi32(j, at), 3)),
          low);
      __m256i packed = _mm256_permutevar8x32_epi32(
          entry, _mm256_setr_epi32(0, 4, 0, 0, 0, 0, 0, 0));
      _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + i),
                       _mm256_castsi256_si128(packed));
    }
  }
  return i + ScalarWords8(t, len, base, src + 2 * i, dst + i, n - i);
}

const LutKernels kAvx2 = {"avx2",  Map8,   Map8To3,     Map3To3,
                          Avg3To1, Words8, ScalarSums8, ScalarRescale3};

}  // namespace

const LutKernels* Avx2Kernels() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") ? &kAvx2 : nullptr;
}

#else

const LutKernels* Avx2Kernels() { return nullptr; }

#endif
