// The plain loops: the reference that every vector level must match.
#include "frame/kernels.h"

void ScalarMap8(const u8* t, const u8* src, u8* dst, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) dst[i] = t[src[i]];
}

void ScalarMap8To3(const u8* t0, const u8* t1, const u8* t2, const u8* src,
                   u8* dst, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    u8 v = src[i];
    dst[3 * i] = t0[v];
    dst[3 * i + 1] = t1[v];
    dst[3 * i + 2] = t2[v];
  }
}

void ScalarMap3To3(const u8* t0, const u8* t1, const u8* t2, const u8* src,
                   u8* dst, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    dst[3 * i] = t0[src[3 * i]];
    dst[3 * i + 1] = t1[src[3 * i + 1]];
    dst[3 * i + 2] = t2[src[3 * i + 2]];
  }
}

void ScalarAvg3To1(const u8* t0, const u8* t1, const u8* t2, const u8* src,
                   u8* dst, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i)
    dst[i] = static_cast<u8>(
        (t0[src[3 * i]] + t1[src[3 * i + 1]] + t2[src[3 * i + 2]]) / 3);
}

std::size_t ScalarWords8(const u8* t, std::uint32_t len, std::uint32_t base,
                         const u8* src, u8* dst, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    std::int16_t p =
        static_cast<std::int16_t>(src[2 * i] | src[2 * i + 1] << 8);
    std::uint32_t j = static_cast<std::uint32_t>(p) + base;
    if (j >= len) return i;
    dst[i] = t[j];
  }
  return n;
}

std::size_t ScalarSums8(const u8* level, unsigned lo, unsigned hi,
                        const u8* src, u8* dst, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    unsigned s = src[3 * i] + src[3 * i + 1] + src[3 * i + 2];
    if (s - lo >= hi - lo) return i;
    dst[i] = level[s];
  }
  return n;
}

std::size_t ScalarRescale3(const std::uint64_t* entry, unsigned lo, unsigned hi,
                           int base, const u8* src, u8* dst, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i, src += 3, dst += 3) {
    unsigned s = src[0] + src[1] + src[2];
    if (s - lo >= hi - lo) return i;
    std::uint64_t e = entry[s], c[3], top = 255;
    if (e >> 63) {
      for (int k = 0; k < 3; ++k) dst[k] = static_cast<u8>(e >> 8 * k);
      continue;
    }
    for (int k = 0; k < 3; ++k) {
      int v = src[k] + base;
      c[k] = v > 0 ? static_cast<std::uint64_t>(v) * e >> 32 : 0;
      if (c[k] > top) top = c[k];
    }
    for (int k = 0; k < 3; ++k)
      dst[k] = static_cast<u8>(top > 255 ? c[k] * 255 / top : c[k]);
  }
  return n;
}

const LutKernels kScalarKernels = {"scalar",      ScalarMap8,    ScalarMap8To3,
                                   ScalarMap3To3, ScalarAvg3To1, ScalarWords8,
                                   ScalarSums8,   ScalarRescale3};
