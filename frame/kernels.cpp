// Choosing the kernels: once, when the module is loaded. A level is taken
// only when the processor has it and it gives the plain loop's bytes on a
// sample of every kernel.
#include "frame/kernels.h"

#include <cstring>
#include <vector>

const LutKernels* KernelsAt(int level) {
  switch (level) {
    case kKernelScalar:
      return &kScalarKernels;
    case kKernelAvx2:
      return Avx2Kernels();
    case kKernelAvx512Vbmi:
      return Avx512VbmiKernels();
    default:
      return nullptr;
  }
}

namespace {

// Measured on an AMD EPYC with AVX-512 (1 MiB of second-level cache per
// core): from 16 MiB of output, streaming wins for every kernel; at 8 MiB
// and below, plain stores are as fast or faster.
std::size_t g_streamingFrom = std::size_t(16) << 20;

// The kernels of k against the plain loops on one sample, with the output
// cached and streamed.
bool AgreesOnSample(const LutKernels& k) {
  const std::size_t n = 200;  // several blocks and a tail
  std::vector<u8> t(3 * 256), src(3 * n), want(3 * n), got(3 * n);
  unsigned x = 12345;
  for (u8& b : t) b = static_cast<u8>((x = x * 1103515245u + 12345u) >> 16);
  for (u8& b : src) b = static_cast<u8>((x = x * 1103515245u + 12345u) >> 16);
  const u8 *t0 = t.data(), *t1 = t0 + 256, *t2 = t1 + 256;
  const u8* in = src.data();
  u8 *w = want.data(), *g = got.data();
  const LutKernels& s = kScalarKernels;
  s.map8(t0, in, w, n);
  k.map8(t0, in, g, n);
  if (want != got) return false;
  s.map8to3(t0, t1, t2, in, w, n);
  k.map8to3(t0, t1, t2, in, g, n);
  if (want != got) return false;
  s.map8to3(t1, t1, t1, in, w, n);
  k.map8to3(t1, t1, t1, in, g, n);
  if (want != got) return false;
  s.map3to3(t0, t1, t2, in, w, n);
  k.map3to3(t0, t1, t2, in, g, n);
  if (want != got) return false;
  s.avg3to1(t0, t1, t2, in, w, n);
  k.avg3to1(t0, t1, t2, in, g, n);
  if (want != got) return false;
  // 2-byte pixels from -20 to 679 through 700 entries from 20, one of them
  // outside: the same pixels written, the same one found.
  for (std::size_t i = 0; i < n; ++i) {
    int p = static_cast<int>(src[i] * 700 / 256) - 20;
    if (i == 150) p = 680;
    src[2 * i] = static_cast<u8>(p);
    src[2 * i + 1] = static_cast<u8>(p >> 8);
  }
  if (s.words8(t0, 700, 20, in, w, n) != k.words8(t0, 700, 20, in, g, n) ||
      want != got)
    return false;
  // Sums of 3-byte pixels through 768 levels, valid from 10 to 700.
  std::vector<u8> level(t.begin(), t.end());
  if (s.sums8(level.data(), 10, 700, in, w, n) !=
          k.sums8(level.data(), 10, 700, in, g, n) ||
      want != got)
    return false;
  // And rescaled by 768 entries: colours and factors from 0 to 2, some
  // taking components above 255.
  std::vector<std::uint64_t> entry(768);
  for (std::uint64_t& e : entry) {
    std::uint64_t v = x = x * 1103515245u + 12345u;
    e = v % 4 == 0 ? 1ULL << 63 | v : v % 32 == 1 ? v | 1ULL << 32 : v;
  }
  for (int base : {0, -3})
    if (s.rescale3(entry.data(), 10, 700, base, in, w, n) !=
            k.rescale3(entry.data(), 10, 700, base, in, g, n) ||
        want != got)
      return false;
  return true;
}

bool AgreesWithScalar(const LutKernels& k) {
  std::size_t from = g_streamingFrom;
  g_streamingFrom = 0;
  bool streamed = AgreesOnSample(k);
  g_streamingFrom = from;
  return streamed && AgreesOnSample(k);
}

const LutKernels* Best() {
  for (int level = kKernelAvx512Vbmi; level > kKernelScalar; --level) {
    const LutKernels* k = KernelsAt(level);
    if (k && AgreesWithScalar(*k)) return k;
  }
  return &kScalarKernels;
}

const LutKernels* const g_chosen = Best();

}  // namespace

static thread_local int t_partShare = 1;

std::size_t StreamingFrom() { return g_streamingFrom / t_partShare; }
void SetPartShare(int parts) { t_partShare = parts > 1 ? parts : 1; }
void SetStreamingFrom(std::size_t bytes) { g_streamingFrom = bytes; }

const LutKernels& Kernels() { return g_chosen ? *g_chosen : kScalarKernels; }
