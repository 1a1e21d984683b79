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

const LutKernels kScalarKernels = {"scalar",      ScalarMap8,    ScalarMap8To3,
                                   ScalarMap3To3, ScalarAvg3To1, ScalarWords8,
                                   ScalarSums8};
