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

bool AgreesWithScalar(const LutKernels& k) {
  const std::size_t n = 200;  // several blocks and a tail
  std::vector<u8> t(3 * 256), src(3 * n), want(3 * n), got(3 * n);
  unsigned x = 12345;
  for (u8& b : t) b = static_cast<u8>((x = x * 1103515245u + 12345u) >> 16);
  for (u8& b : src) b = static_cast<u8>((x = x * 1103515245u + 12345u) >> 16);
  const u8 *t0 = t.data(), *t1 = t0 + 256, *t2 = t1 + 256;
  const LutKernels& s = kScalarKernels;
  s.map8(t0, src.data(), want.data(), n);
  k.map8(t0, src.data(), got.data(), n);
  if (want != got) return false;
  s.map8to3(t0, t1, t2, src.data(), want.data(), n);
  k.map8to3(t0, t1, t2, src.data(), got.data(), n);
  if (want != got) return false;
  s.map3to3(t0, t1, t2, src.data(), want.data(), n);
  k.map3to3(t0, t1, t2, src.data(), got.data(), n);
  if (want != got) return false;
  s.avg3to1(t0, t1, t2, src.data(), want.data(), n);
  k.avg3to1(t0, t1, t2, src.data(), got.data(), n);
  return want == got;
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

const LutKernels& Kernels() { return g_chosen ? *g_chosen : kScalarKernels; }
