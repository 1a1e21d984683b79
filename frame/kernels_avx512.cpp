// AVX-512 VBMI kernels: a 256-entry table is four 64-byte registers, and two
// two-register byte permutes (128 entries each) with a blend on the index's
// top bit look 64 bytes up at once. Interleaving and de-interleaving of
// 3-byte pixels are byte permutes too. Tails use masked loads and stores.
#include "frame/kernels.h"

#if defined(__x86_64__)
#include <immintrin.h>

#include <cstring>

#define LUT_VBMI __attribute__((target("avx512f,avx512bw,avx512vbmi")))

namespace {

struct Table {
  __m512i q[4];  // entries 0-63, 64-127, 128-191, 192-255
};

LUT_VBMI void LoadTable(const u8* t, Table* tb) {
  for (int k = 0; k < 4; ++k) tb->q[k] = _mm512_loadu_si512(t + 64 * k);
}

LUT_VBMI inline __m512i Lookup(const Table& t, __m512i idx) {
  // The permute reads the low 7 bits of each index byte.
  __m512i lo = _mm512_permutex2var_epi8(t.q[0], idx, t.q[1]);
  __m512i hi = _mm512_permutex2var_epi8(t.q[2], idx, t.q[3]);
  return _mm512_mask_blend_epi8(_mm512_movepi8_mask(idx), lo, hi);
}

// A mask of the first n bytes of a register (n may exceed 64).
inline __mmask64 FirstBytes(std::size_t n) {
  return n >= 64 ? ~__mmask64(0) : (__mmask64(1) << n) - 1;
}

LUT_VBMI void Map8(const u8* t, const u8* src, u8* dst, std::size_t n) {
  Table tb;
  LoadTable(t, &tb);
  for (std::size_t i = 0; i < n; i += 64) {
    __mmask64 m = FirstBytes(n - i);
    __m512i idx = _mm512_maskz_loadu_epi8(m, src + i);
    _mm512_mask_storeu_epi8(dst + i, m, Lookup(tb, idx));
  }
}

// Byte permutes between 64 pixels of three channels and 192 interleaved
// bytes. For output register o, byte j is byte g = 64 o + j of the block:
// pixel g / 3 of channel g % 3. `pick` indexes channels 0 and 1 (bit 6
// selects channel 1) and `third` marks the bytes of channel 2.
struct Weave {
  __m512i pick[3];
  __mmask64 third[3];
  // For de-interleaving: plane c, byte p comes from block byte 3p + c, in
  // register (3p + c) / 64; `from01` indexes registers 0 and 1, `in2`
  // marks the bytes that come from register 2.
  __m512i from01[3];
  __mmask64 in2[3];
};

Weave MakeWeave() {
  Weave w;
  for (int o = 0; o < 3; ++o) {
    alignas(64) unsigned char pick[64];
    __mmask64 third = 0;
    for (int j = 0; j < 64; ++j) {
      int g = 64 * o + j, p = g / 3, c = g % 3;
      pick[j] = static_cast<unsigned char>(p | (c == 1 ? 64 : 0));
      if (c == 2) third |= __mmask64(1) << j;
    }
    std::memcpy(&w.pick[o], pick, 64);
    w.third[o] = third;
  }
  for (int c = 0; c < 3; ++c) {
    alignas(64) unsigned char from[64];
    __mmask64 in2 = 0;
    for (int p = 0; p < 64; ++p) {
      int g = 3 * p + c;
      from[p] = static_cast<unsigned char>(g & 127);  // registers 0 and 1
      if (g >= 128) in2 |= __mmask64(1) << p;
    }
    std::memcpy(&w.from01[c], from, 64);
    w.in2[c] = in2;
  }
  return w;
}

const Weave& TheWeave() {
  static const Weave w = MakeWeave();
  return w;
}

LUT_VBMI inline void Interleave(const Weave& w, __m512i c0, __m512i c1,
                                __m512i c2, __m512i out[3]) {
  for (int o = 0; o < 3; ++o) {
    __m512i v = _mm512_permutex2var_epi8(c0, w.pick[o], c1);
    out[o] = _mm512_mask_permutexvar_epi8(v, w.third[o], w.pick[o], c2);
  }
}

LUT_VBMI inline __m512i Plane(const Weave& w, int c, const __m512i in[3]) {
  __m512i v = _mm512_permutex2var_epi8(in[0], w.from01[c], in[1]);
  // Bytes of register 2 sit at (3p + c) - 128, which is (3p + c) & 63 here.
  return _mm512_mask_permutexvar_epi8(v, w.in2[c], w.from01[c], in[2]);
}

LUT_VBMI void Map8To3(const u8* t0, const u8* t1, const u8* t2, const u8* src,
                      u8* dst, std::size_t n) {
  const Weave& w = TheWeave();
  Table a, b, c;
  LoadTable(t0, &a);
  LoadTable(t1, &b);
  LoadTable(t2, &c);
  for (std::size_t i = 0; i < n; i += 64) {
    std::size_t left = n - i;
    __m512i idx = _mm512_maskz_loadu_epi8(FirstBytes(left), src + i);
    __m512i out[3];
    Interleave(w, Lookup(a, idx), Lookup(b, idx), Lookup(c, idx), out);
    std::size_t bytes = 3 * (left < 64 ? left : 64);
    for (int o = 0; o < 3 && 64u * o < bytes; ++o)
      _mm512_mask_storeu_epi8(dst + 3 * i + 64 * o, FirstBytes(bytes - 64 * o),
                              out[o]);
  }
}

LUT_VBMI void Map3To3(const u8* t0, const u8* t1, const u8* t2, const u8* src,
                      u8* dst, std::size_t n) {
  Table tb[3];
  LoadTable(t0, &tb[0]);
  LoadTable(t1, &tb[1]);
  LoadTable(t2, &tb[2]);
  // Byte j of a register that starts at block byte 64 r belongs to channel
  // (64 r + j) % 3; registers repeat that pattern every three.
  __mmask64 of[3][3] = {};
  for (int r = 0; r < 3; ++r)
    for (int j = 0; j < 64; ++j) of[r][(64 * r + j) % 3] |= __mmask64(1) << j;
  const std::size_t total = 3 * n;
  for (std::size_t i = 0, r = 0; i < total; i += 64, r = (r + 1) % 3) {
    __mmask64 m = FirstBytes(total - i);
    __m512i idx = _mm512_maskz_loadu_epi8(m, src + i);
    __m512i v = Lookup(tb[0], idx);
    v = _mm512_mask_blend_epi8(of[r][1], v, Lookup(tb[1], idx));
    v = _mm512_mask_blend_epi8(of[r][2], v, Lookup(tb[2], idx));
    _mm512_mask_storeu_epi8(dst + i, m, v);
  }
}

// (a + b + c) / 3 for 16-bit sums up to 765: multiply by 0xAAAB, keep bits
// 17 and up (exact for every sum below 98304).
LUT_VBMI inline __m512i Third16(__m512i s) {
  return _mm512_srli_epi16(_mm512_mulhi_epu16(s, _mm512_set1_epi16(-21845)), 1);
}

LUT_VBMI void Avg3To1(const u8* t0, const u8* t1, const u8* t2, const u8* src,
                      u8* dst, std::size_t n) {
  const Weave& w = TheWeave();
  Table tb[3];
  LoadTable(t0, &tb[0]);
  LoadTable(t1, &tb[1]);
  LoadTable(t2, &tb[2]);
  for (std::size_t i = 0; i < n; i += 64) {
    std::size_t left = n - i, bytes = 3 * (left < 64 ? left : 64);
    __m512i in[3];
    for (int r = 0; r < 3; ++r)
      in[r] = bytes > 64u * r
                  ? _mm512_maskz_loadu_epi8(FirstBytes(bytes - 64 * r),
                                            src + 3 * i + 64 * r)
                  : _mm512_setzero_si512();
    // Widened to 16 bits by unpacking with zero; packing undoes the
    // unpack's byte order.
    const __m512i zero = _mm512_setzero_si512();
    __m512i lo = zero, hi = zero;
    for (int c = 0; c < 3; ++c) {
      __m512i v = Lookup(tb[c], Plane(w, c, in));
      lo = _mm512_add_epi16(lo, _mm512_unpacklo_epi8(v, zero));
      hi = _mm512_add_epi16(hi, _mm512_unpackhi_epi8(v, zero));
    }
    __m512i out = _mm512_packus_epi16(Third16(lo), Third16(hi));
    _mm512_mask_storeu_epi8(dst + i, FirstBytes(left), out);
  }
}

const LutKernels kVbmi = {"avx512vbmi", Map8, Map8To3, Map3To3, Avg3To1};

}  // namespace

const LutKernels* Avx512VbmiKernels() {
  __builtin_cpu_init();
  bool ok = __builtin_cpu_supports("avx512f") &&
            __builtin_cpu_supports("avx512bw") &&
            __builtin_cpu_supports("avx512vbmi");
  return ok ? &kVbmi : nullptr;
}

#else

const LutKernels* Avx512VbmiKernels() { return nullptr; }

#endif
