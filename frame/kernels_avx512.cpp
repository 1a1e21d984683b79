// AVX-512 VBMI kernels: a 256-entry table is four 64-byte registers, and two
// two-register byte permutes (128 entries each) with a blend on the index's
// top bit look 64 bytes up at once. Interleaving and de-interleaving of
// 3-byte pixels are byte permutes too. Whole blocks of 64 pixels use plain
// loads and stores, or streaming stores for large outputs; only the head
// that aligns those and the tail use masked ones.
#include "frame/kernels.h"

#if defined(__x86_64__)
#include <immintrin.h>

#include <cstdint>
#include <type_traits>

#define LUT_VBMI __attribute__((target("avx512f,avx512bw,avx512vbmi")))

// GCC 12 takes the undefined register that its intrinsics pass for unused
// lanes for an uninitialised variable.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

namespace {

// The permute indexes and byte masks, made when the module is compiled.
// For output register o of a 192-byte block of 64 pixels, byte j is block
// byte g = 64 o + j: pixel g / 3 of channel g % 3.
//  - pick[o][j] indexes channels 0 and 1 (bit 6 selects channel 1);
//    third[o] marks the bytes of channel 2.
//  - gray[o][j] is g / 3, for one plane copied into every channel.
//  - from01[c][p]: plane c, byte p comes from block byte 3p + c, in
//    register (3p + c) / 64; the index reaches registers 0 and 1 and in2[c]
//    marks the bytes that come from register 2 (at (3p + c) & 63 there).
//  - channel[r][c] marks the bytes of channel c in a register that starts
//    at block byte 64 r (registers repeat that pattern every three).
struct Patterns {
  alignas(64) unsigned char pick[3][64];
  alignas(64) unsigned char gray[3][64];
  alignas(64) unsigned char from01[3][64];
  unsigned long long third[3];
  unsigned long long in2[3];
  unsigned long long channel[3][3];
};

constexpr Patterns MakePatterns() {
  Patterns w{};
  for (int o = 0; o < 3; ++o)
    for (int j = 0; j < 64; ++j) {
      int g = 64 * o + j, p = g / 3, c = g % 3;
      w.pick[o][j] = static_cast<unsigned char>(p | (c == 1 ? 64 : 0));
      w.gray[o][j] = static_cast<unsigned char>(p);
      if (c == 2) w.third[o] |= 1ULL << j;
      w.channel[o][c] |= 1ULL << j;
    }
  for (int c = 0; c < 3; ++c)
    for (int p = 0; p < 64; ++p) {
      int g = 3 * p + c;
      w.from01[c][p] = static_cast<unsigned char>(g & 127);
      if (g >= 128) w.in2[c] |= 1ULL << p;
    }
  return w;
}

constexpr Patterns kPatterns = MakePatterns();

LUT_VBMI inline __m512i Pattern(const unsigned char* p) {
  return _mm512_load_si512(p);
}

struct Table {
  __m512i q[4];  // entries 0-63, 64-127, 128-191, 192-255
};

LUT_VBMI inline void LoadTable(const u8* t, Table* tb) {
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

typedef std::true_type Streamed;
typedef std::false_type Cached;

// A whole register to p: streamed (p is then 64-byte aligned) or plain.
template <typename Stream>
LUT_VBMI inline void Put(u8* p, __m512i v) {
  if (Stream::value)
    _mm512_stream_si512(reinterpret_cast<__m512i*>(p), v);
  else
    _mm512_storeu_si512(p, v);
}

// The first n of the bytes of v (n may exceed 64) to p.
LUT_VBMI inline void PutFirst(u8* p, std::size_t n, __m512i v) {
  _mm512_mask_storeu_epi8(p, FirstBytes(n), v);
}

// The first n bytes at p (n may exceed 64), the rest zero.
LUT_VBMI inline __m512i GetFirst(const u8* p, std::size_t n) {
  return _mm512_maskz_loadu_epi8(FirstBytes(n), p);
}

// Runs a kernel over n pixels of outBytes output bytes each, starting at
// dst: whole(stream, i) converts the 64 pixels from i, part(i, count) the
// count < 64 pixels from i. Outputs of StreamingFrom() bytes and more are
// streamed: a part first, up to the pixel whose output starts on a 64-byte
// boundary, then whole blocks, then the fence that orders the streamed
// stores before any later store.
template <typename Whole, typename Part>
LUT_VBMI inline void Blocks(std::size_t n, const u8* dst, int outBytes,
                            Whole whole, Part part) {
  std::size_t i = 0;
  if (n * outBytes >= StreamingFrom() && n >= 64) {
    std::uintptr_t at = reinterpret_cast<std::uintptr_t>(dst);
    while ((at + outBytes * i) % 64 != 0) ++i;  // fewer than 64 steps
    if (i > 0) part(std::size_t(0), i);
    for (; i + 64 <= n; i += 64) whole(Streamed(), i);
    _mm_sfence();
  }
  for (; i + 64 <= n; i += 64) whole(Cached(), i);
  if (i < n) part(i, n - i);
}

LUT_VBMI void Map8(const u8* t, const u8* src, u8* dst, std::size_t n) {
  Table tb;
  LoadTable(t, &tb);
  Blocks(
      n, dst, 1,
      [&](auto stream, std::size_t i) LUT_VBMI {
        Put<decltype(stream)>(dst + i, Lookup(tb, _mm512_loadu_si512(src + i)));
      },
      [&](std::size_t i, std::size_t count) LUT_VBMI {
        PutFirst(dst + i, count, Lookup(tb, GetFirst(src + i, count)));
      });
}

LUT_VBMI inline void Interleave(__m512i c0, __m512i c1, __m512i c2,
                                __m512i out[3]) {
  for (int o = 0; o < 3; ++o) {
    __m512i pick = Pattern(kPatterns.pick[o]);
    __m512i v = _mm512_permutex2var_epi8(c0, pick, c1);
    out[o] = _mm512_mask_permutexvar_epi8(v, kPatterns.third[o], pick, c2);
  }
}

LUT_VBMI inline __m512i Plane(int c, const __m512i in[3]) {
  __m512i from = Pattern(kPatterns.from01[c]);
  __m512i v = _mm512_permutex2var_epi8(in[0], from, in[1]);
  return _mm512_mask_permutexvar_epi8(v, kPatterns.in2[c], from, in[2]);
}

// The 192 output bytes of 64 pixels, whole or their first `bytes`.
template <typename Stream>
LUT_VBMI inline void PutThree(u8* out, const __m512i v[3]) {
  for (int o = 0; o < 3; ++o) Put<Stream>(out + 64 * o, v[o]);
}

LUT_VBMI inline void PutThreeFirst(u8* out, std::size_t bytes,
                                   const __m512i v[3]) {
  for (int o = 0; o < 3 && 64u * o < bytes; ++o)
    PutFirst(out + 64 * o, bytes - 64 * o, v[o]);
}

// Whether two tables hold the same entries.
bool Same(const u8* a, const u8* b) {
  return a == b || __builtin_memcmp(a, b, 256) == 0;
}

// One lookup copied into all three channels.
LUT_VBMI void GrayTo3(const u8* t, const u8* src, u8* dst, std::size_t n) {
  Table tb;
  LoadTable(t, &tb);
  auto weave = [](__m512i r, __m512i out[3]) LUT_VBMI {
    for (int o = 0; o < 3; ++o)
      out[o] = _mm512_permutexvar_epi8(Pattern(kPatterns.gray[o]), r);
  };
  Blocks(
      n, dst, 3,
      [&](auto stream, std::size_t i) LUT_VBMI {
        __m512i out[3];
        weave(Lookup(tb, _mm512_loadu_si512(src + i)), out);
        PutThree<decltype(stream)>(dst + 3 * i, out);
      },
      [&](std::size_t i, std::size_t count) LUT_VBMI {
        __m512i out[3];
        weave(Lookup(tb, GetFirst(src + i, count)), out);
        PutThreeFirst(dst + 3 * i, 3 * count, out);
      });
}

LUT_VBMI void Map8To3(const u8* t0, const u8* t1, const u8* t2, const u8* src,
                      u8* dst, std::size_t n) {
  if (Same(t0, t1) && Same(t1, t2)) return GrayTo3(t0, src, dst, n);
  Table a, b, c;
  LoadTable(t0, &a);
  LoadTable(t1, &b);
  LoadTable(t2, &c);
  Blocks(
      n, dst, 3,
      [&](auto stream, std::size_t i) LUT_VBMI {
        __m512i idx = _mm512_loadu_si512(src + i), out[3];
        Interleave(Lookup(a, idx), Lookup(b, idx), Lookup(c, idx), out);
        PutThree<decltype(stream)>(dst + 3 * i, out);
      },
      [&](std::size_t i, std::size_t count) LUT_VBMI {
        __m512i idx = GetFirst(src + i, count), out[3];
        Interleave(Lookup(a, idx), Lookup(b, idx), Lookup(c, idx), out);
        PutThreeFirst(dst + 3 * i, 3 * count, out);
      });
}

// Register r of a block of 3-byte pixels through the three tables: each
// byte through the table of its channel. The top bit of the index chooses
// between the two halves of every table once.
LUT_VBMI inline __m512i LookupChannels(const Table tb[3], int r, __m512i idx) {
  const unsigned long long* of = kPatterns.channel[r];
  __m512i lo = _mm512_permutex2var_epi8(tb[0].q[0], idx, tb[0].q[1]);
  __m512i hi = _mm512_permutex2var_epi8(tb[0].q[2], idx, tb[0].q[3]);
  for (int c = 1; c < 3; ++c) {
    lo = _mm512_mask_blend_epi8(
        of[c], lo, _mm512_permutex2var_epi8(tb[c].q[0], idx, tb[c].q[1]));
    hi = _mm512_mask_blend_epi8(
        of[c], hi, _mm512_permutex2var_epi8(tb[c].q[2], idx, tb[c].q[3]));
  }
  return _mm512_mask_blend_epi8(_mm512_movepi8_mask(idx), lo, hi);
}

LUT_VBMI void Map3To3(const u8* t0, const u8* t1, const u8* t2, const u8* src,
                      u8* dst, std::size_t n) {
  Table tb[3];
  LoadTable(t0, &tb[0]);
  LoadTable(t1, &tb[1]);
  LoadTable(t2, &tb[2]);
  // A block of 64 pixels is three registers; each is read before it is
  // written, so that src may be dst.
  Blocks(
      n, dst, 3,
      [&](auto stream, std::size_t i) LUT_VBMI {
        for (int r = 0; r < 3; ++r) {
          std::size_t at = 3 * i + 64 * r;
          Put<decltype(stream)>(
              dst + at, LookupChannels(tb, r, _mm512_loadu_si512(src + at)));
        }
      },
      [&](std::size_t i, std::size_t count) LUT_VBMI {
        std::size_t bytes = 3 * count;
        for (int r = 0; r < 3 && 64u * r < bytes; ++r) {
          std::size_t at = 3 * i + 64 * r;
          PutFirst(dst + at, bytes - 64 * r,
                   LookupChannels(tb, r, GetFirst(src + at, bytes - 64 * r)));
        }
      });
}

// (a + b + c) / 3 for 16-bit sums up to 765: multiply by 0xAAAB, keep bits
// 17 and up (exact for every sum below 98304).
LUT_VBMI inline __m512i Third16(__m512i s) {
  return _mm512_srli_epi16(_mm512_mulhi_epu16(s, _mm512_set1_epi16(-21845)), 1);
}

// The truncated means of 64 pixels (three registers of source bytes).
LUT_VBMI inline __m512i Means(const Table tb[3], const __m512i in[3]) {
  // Widened to 16 bits by unpacking with zero; packing undoes the unpack's
  // byte order.
  const __m512i zero = _mm512_setzero_si512();
  __m512i lo = zero, hi = zero;
  for (int c = 0; c < 3; ++c) {
    __m512i v = Lookup(tb[c], Plane(c, in));
    lo = _mm512_add_epi16(lo, _mm512_unpacklo_epi8(v, zero));
    hi = _mm512_add_epi16(hi, _mm512_unpackhi_epi8(v, zero));
  }
  return _mm512_packus_epi16(Third16(lo), Third16(hi));
}

LUT_VBMI void Avg3To1(const u8* t0, const u8* t1, const u8* t2, const u8* src,
                      u8* dst, std::size_t n) {
  Table tb[3];
  LoadTable(t0, &tb[0]);
  LoadTable(t1, &tb[1]);
  LoadTable(t2, &tb[2]);
  Blocks(
      n, dst, 1,
      [&](auto stream, std::size_t i) LUT_VBMI {
        __m512i in[3];
        for (int r = 0; r < 3; ++r)
          in[r] = _mm512_loadu_si512(src + 3 * i + 64 * r);
        Put<decltype(stream)>(dst + i, Means(tb, in));
      },
      [&](std::size_t i, std::size_t count) LUT_VBMI {
        std::size_t bytes = 3 * count;
        __m512i in[3];
        for (int r = 0; r < 3; ++r)
          in[r] = bytes > 64u * r
                      ? GetFirst(src + 3 * i + 64 * r, bytes - 64 * r)
                      : _mm512_setzero_si512();
        PutFirst(dst + i, count, Means(tb, in));
      });
}

// Sixteen pixels a step: their entries widened to 32 bits, checked at once,
// and gathered as the four bytes from min(j, len - 4), shifted down to the
// byte of j, so that no read passes the table's end.
LUT_VBMI std::size_t Words8(const u8* t, std::uint32_t len, std::uint32_t base,
                            const u8* src, u8* dst, std::size_t n) {
  std::size_t i = 0;
  if (len >= 4) {
    const __m512i vbase = _mm512_set1_epi32(static_cast<int>(base));
    const __m512i vlen = _mm512_set1_epi32(static_cast<int>(len));
    const __m512i last = _mm512_set1_epi32(static_cast<int>(len - 4));
    for (; i + 16 <= n; i += 16) {
      __m512i j =
          _mm512_add_epi32(_mm512_cvtepi16_epi32(_mm256_loadu_si256(
                               reinterpret_cast<const __m256i*>(src + 2 * i))),
                           vbase);
      if (_mm512_cmpge_epu32_mask(j, vlen)) break;  // the plain loop finds it
      __m512i at = _mm512_min_epu32(j, last);
      __m512i four = _mm512_i32gather_epi32(at, t, 1);
      __m512i entry = _mm512_srlv_epi32(
          four, _mm512_slli_epi32(_mm512_sub_epi32(j, at), 3));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i),
                       _mm512_cvtepi32_epi8(entry));
    }
  }
  return i + ScalarWords8(t, len, base, src + 2 * i, dst + i, n - i);
}

// Sixty-four pixels a step: their sums in 16 bits (in the unpacked order
// that packing undoes), checked at once, and looked up in 768 entries as
// six runs of 128 chosen by the sum's bits 7 and up.
LUT_VBMI std::size_t Sums8(const u8* level, unsigned lo, unsigned hi,
                           const u8* src, u8* dst, std::size_t n) {
  __m512i q[12];
  for (int k = 0; k < 12; ++k) q[k] = _mm512_loadu_si512(level + 64 * k);
  const __m512i zero = _mm512_setzero_si512();
  const __m512i first = _mm512_set1_epi16(static_cast<short>(lo));
  const __m512i width = _mm512_set1_epi16(static_cast<short>(hi - lo));
  const __m512i low7 = _mm512_set1_epi16(127);
  std::size_t i = 0;
  for (; i + 64 <= n; i += 64) {
    __m512i in[3], s[2] = {zero, zero};
    for (int r = 0; r < 3; ++r)
      in[r] = _mm512_loadu_si512(src + 3 * i + 64 * r);
    for (int c = 0; c < 3; ++c) {
      __m512i v = Plane(c, in);
      s[0] = _mm512_add_epi16(s[0], _mm512_unpacklo_epi8(v, zero));
      s[1] = _mm512_add_epi16(s[1], _mm512_unpackhi_epi8(v, zero));
    }
    if (_mm512_cmpge_epu16_mask(_mm512_sub_epi16(s[0], first), width) |
        _mm512_cmpge_epu16_mask(_mm512_sub_epi16(s[1], first), width))
      break;  // the plain loop finds the pixel
    __m512i idx = _mm512_packus_epi16(_mm512_and_si512(s[0], low7),
                                      _mm512_and_si512(s[1], low7));
    __m512i run = _mm512_packus_epi16(_mm512_srli_epi16(s[0], 7),
                                      _mm512_srli_epi16(s[1], 7));
    __m512i out = zero;
    for (int k = 0; k < 6; ++k)
      out = _mm512_mask_blend_epi8(
          _mm512_cmpeq_epi8_mask(run, _mm512_set1_epi8(static_cast<char>(k))),
          out, _mm512_permutex2var_epi8(q[2 * k], idx, q[2 * k + 1]));
    _mm512_storeu_si512(dst + i, out);
  }
  return i + ScalarSums8(level, lo, hi, src + 3 * i, dst + i, n - i);
}

// The colour rescale's entries as five byte tables of 768 (one per byte
// sum): bytes 0 to 3 of the entry's low half and its high half H. Entries
// that a step cannot take have H 255: a colour (its bytes in tables 0 to 2,
// table 3 0) or an H of 255 and more (table 3 1).
struct RescaleTables {
  alignas(64) u8 t[5][768];
};

void MakeRescaleTables(const std::uint64_t* entry, RescaleTables* r) {
  for (int s = 0; s < 768; ++s) {
    std::uint64_t e = entry[s], high = e >> 32;
    if (e >> 63)
      e &= 0xFFFFFF;
    else if (high >= 255)
      e = 1ULL << 24;
    for (int b = 0; b < 4; ++b) r->t[b][s] = static_cast<u8>(e >> 8 * b);
    r->t[4][s] = static_cast<u8>(high < 255 ? high : 255);
  }
}

// Byte table t at the 64 sums whose low 7 bits are idx; run[k] marks the
// sums from 128 k.
LUT_VBMI inline __m512i LookupSums(const u8* t, __m512i idx,
                                   const __mmask64 run[6]) {
  __m512i out = _mm512_permutex2var_epi8(_mm512_load_si512(t), idx,
                                         _mm512_load_si512(t + 64));
  for (int k = 1; k < 6; ++k)
    out = _mm512_mask_blend_epi8(
        run[k], out,
        _mm512_permutex2var_epi8(_mm512_load_si512(t + 128 * k), idx,
                                 _mm512_load_si512(t + 128 * k + 64)));
  return out;
}

// v * e >> 32 in 16-bit lanes for v below 256 and the entry e = H 2^32 +
// B 2^16 + A (A, B 16 bits, H below 255): v H plus (v B + (v A >> 16)) >>
// 16, whose sum under the shift is the high half of v B and the carry of
// its low half.
LUT_VBMI inline __m512i Rescaled(__m512i v, __m512i a, __m512i b, __m512i h) {
  __m512i low = _mm512_mullo_epi16(v, b);
  __m512i sum = _mm512_add_epi16(low, _mm512_mulhi_epu16(v, a));
  __m512i c =
      _mm512_add_epi16(_mm512_mulhi_epu16(v, b), _mm512_mullo_epi16(v, h));
  return _mm512_mask_sub_epi16(c, _mm512_cmplt_epu16_mask(sum, low), c,
                               _mm512_set1_epi16(-1));
}

// 64 pixels of the colour rescale (BaseLine 0 or below) into out; false
// when one of them needs the plain loop: a sum outside [lo, hi), an entry
// the step cannot take or a component above 255.
LUT_VBMI inline bool RescaleBlock(const RescaleTables& r, unsigned lo,
                                  unsigned hi, int base, const u8* src,
                                  __m512i out[3]) {
  const __m512i zero = _mm512_setzero_si512();
  const __m512i low7 = _mm512_set1_epi16(127);
  __m512i in[3], w[3][2], s[2] = {zero, zero};
  for (int o = 0; o < 3; ++o) in[o] = _mm512_loadu_si512(src + 64 * o);
  for (int c = 0; c < 3; ++c) {
    __m512i v = Plane(c, in);
    w[c][0] = _mm512_unpacklo_epi8(v, zero);
    w[c][1] = _mm512_unpackhi_epi8(v, zero);
    s[0] = _mm512_add_epi16(s[0], w[c][0]);
    s[1] = _mm512_add_epi16(s[1], w[c][1]);
  }
  const __m512i first = _mm512_set1_epi16(static_cast<short>(lo));
  const __m512i width = _mm512_set1_epi16(static_cast<short>(hi - lo));
  if (_mm512_cmpge_epu16_mask(_mm512_sub_epi16(s[0], first), width) |
      _mm512_cmpge_epu16_mask(_mm512_sub_epi16(s[1], first), width))
    return false;
  __m512i idx = _mm512_packus_epi16(_mm512_and_si512(s[0], low7),
                                    _mm512_and_si512(s[1], low7));
  __m512i runs = _mm512_packus_epi16(_mm512_srli_epi16(s[0], 7),
                                     _mm512_srli_epi16(s[1], 7));
  __mmask64 run[6];
  for (int k = 0; k < 6; ++k)
    run[k] =
        _mm512_cmpeq_epi8_mask(runs, _mm512_set1_epi8(static_cast<char>(k)));
  __m512i e[5];
  for (int b = 0; b < 5; ++b) e[b] = LookupSums(r.t[b], idx, run);
  __mmask64 special = _mm512_cmpeq_epi8_mask(e[4], _mm512_set1_epi8(-1));
  if (_mm512_mask_test_epi8_mask(special, e[3], e[3])) return false;
  const __m512i drop = _mm512_set1_epi16(static_cast<short>(-base));
  __m512i c[3][2], top[2] = {zero, zero};
  for (int h = 0; h < 2; ++h) {
    __m512i a =
        h ? _mm512_unpackhi_epi8(e[0], e[1]) : _mm512_unpacklo_epi8(e[0], e[1]);
    __m512i b =
        h ? _mm512_unpackhi_epi8(e[2], e[3]) : _mm512_unpacklo_epi8(e[2], e[3]);
    __m512i high =
        h ? _mm512_unpackhi_epi8(e[4], zero) : _mm512_unpacklo_epi8(e[4], zero);
    for (int k = 0; k < 3; ++k) {
      c[k][h] = Rescaled(_mm512_subs_epu16(w[k][h], drop), a, b, high);
      top[h] = _mm512_max_epu16(top[h], c[k][h]);
    }
  }
  __m512i above = _mm512_packus_epi16(_mm512_srli_epi16(top[0], 8),
                                      _mm512_srli_epi16(top[1], 8));
  if (_mm512_mask_test_epi8_mask(~special, above, above)) return false;
  __m512i plane[3];
  for (int k = 0; k < 3; ++k)
    plane[k] = _mm512_mask_blend_epi8(
        special, _mm512_packus_epi16(c[k][0], c[k][1]), e[k]);
  Interleave(plane[0], plane[1], plane[2], out);
  return true;
}

// Blocks of 64 pixels when BaseLine is 0 or below (components stay below
// 256), the plain loop for a block that needs it, for the rest, and for
// every pixel when BaseLine is positive. Large outputs are streamed from
// the pixel whose output starts on a 64-byte boundary.
LUT_VBMI std::size_t Rescale3(const std::uint64_t* entry, unsigned lo,
                              unsigned hi, int base, const u8* src, u8* dst,
                              std::size_t n) {
  if (base > 0 || n < 64)
    return ScalarRescale3(entry, lo, hi, base, src, dst, n);
  RescaleTables r;
  MakeRescaleTables(entry, &r);
  std::size_t i = 0;
  bool stream = 3 * n >= StreamingFrom();
  if (stream) {
    std::uintptr_t at = reinterpret_cast<std::uintptr_t>(dst);
    while ((at + 3 * i) % 64 != 0) ++i;  // fewer than 64 steps
    std::size_t done = ScalarRescale3(entry, lo, hi, base, src, dst, i);
    if (done < i) return done;
  }
  for (; i + 64 <= n; i += 64) {
    __m512i out[3];
    if (RescaleBlock(r, lo, hi, base, src + 3 * i, out)) {
      if (stream)
        PutThree<Streamed>(dst + 3 * i, out);
      else
        PutThree<Cached>(dst + 3 * i, out);
      continue;
    }
    std::size_t done =
        ScalarRescale3(entry, lo, hi, base, src + 3 * i, dst + 3 * i, 64);
    if (done < 64) {
      if (stream) _mm_sfence();
      return i + done;
    }
  }
  if (stream) _mm_sfence();
  return i +
         ScalarRescale3(entry, lo, hi, base, src + 3 * i, dst + 3 * i, n - i);
}

const LutKernels kVbmi = {"avx512vbmi", Map8,   Map8To3, Map3To3,
                          Avg3To1,      Words8, Sums8,   Rescale3};

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
