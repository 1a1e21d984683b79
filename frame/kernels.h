// Pixel kernels: the inner loops of the conversions whose table covers every
// 8-bit input, so that no pixel can fail. Each exists as a plain loop and, on
// x86-64, as vector code for AVX2 and for AVX-512 VBMI; the best level the
// processor supports is chosen once, when the module is loaded. Every level
// writes exactly the bytes of the plain loop.
//
// Tables are 256 entries; n counts pixels; src and dst do not overlap unless
// they are the same buffer, which map8 and map3to3 allow.
#ifndef LUT_FRAME_KERNELS_H
#define LUT_FRAME_KERNELS_H

#include <cstddef>
#include <cstdint>

typedef std::uint8_t u8;

struct LutKernels {
  const char* name;
  // dst[i] = t[src[i]]
  void (*map8)(const u8* t, const u8* src, u8* dst, std::size_t n);
  // dst[3i], dst[3i+1], dst[3i+2] = t0[src[i]], t1[src[i]], t2[src[i]]
  void (*map8to3)(const u8* t0, const u8* t1, const u8* t2, const u8* src,
                  u8* dst, std::size_t n);
  // dst[3i+k] = tk[src[3i+k]] for k = 0, 1, 2
  void (*map3to3)(const u8* t0, const u8* t1, const u8* t2, const u8* src,
                  u8* dst, std::size_t n);
  // dst[i] = (t0[src[3i]] + t1[src[3i+1]] + t2[src[3i+2]]) / 3
  void (*avg3to1)(const u8* t0, const u8* t1, const u8* t2, const u8* src,
                  u8* dst, std::size_t n);
  // dst[i] = t[j] for the signed 16-bit pixels p at src (low byte first),
  // j = p + base as a 32-bit sum that wraps, up to the first pixel whose j,
  // read as unsigned, is not below len (so a negative j stops too).
  // Returns the pixels written: n, or the index of that pixel.
  std::size_t (*words8)(const u8* t, std::uint32_t len, std::uint32_t base,
                        const u8* src, u8* dst, std::size_t n);
  // dst[i] = level[s] for the sum s = src[3i] + src[3i+1] + src[3i+2], up
  // to the first pixel whose s is outside [lo, hi) (0 <= lo <= hi <= 766);
  // level has 768 entries. Returns the pixels written.
  std::size_t (*sums8)(const u8* level, unsigned lo, unsigned hi, const u8* src,
                       u8* dst, std::size_t n);
  // The colour rescale of 3-byte pixels by the entry e = entry[s] of their
  // sum s (as for sums8; entry has 768 entries), up to the first pixel whose
  // s is outside [lo, hi). An e with bit 63 set is written as its bytes 0, 1
  // and 2; any other makes output byte k c[k] = v * e >> 32 for v =
  // src[3i+k] + base (0 where that is negative), and when the largest c is
  // above 255 each becomes c * 255 / largest. Needs |base| < 2^16 and every
  // such v * e below 2^64. Returns the pixels written; src may be dst.
  std::size_t (*rescale3)(const std::uint64_t* entry, unsigned lo, unsigned hi,
                          int base, const u8* src, u8* dst, std::size_t n);
};

enum KernelLevel { kKernelScalar = 0, kKernelAvx2 = 1, kKernelAvx512Vbmi = 2 };

// The kernels of a level; null when this build or this processor lacks it.
const LutKernels* KernelsAt(int level);
// The kernels chosen at load time: the best level available.
const LutKernels& Kernels();

// Outputs of at least this many bytes are written with streaming stores,
// which bypass the caches: an output that large would only push the source
// and everything else out of them. Settable so that tests can cross it.
std::size_t StreamingFrom();
void SetStreamingFrom(std::size_t bytes);
// While a thread converts one of parts parts of a conversion, the output
// of its kernels counts as parts times as large, so that the parts stream
// as the whole would (frame/parts.h); 1 again after.
void SetPartShare(int parts);

// The levels, each defined in its own file (null where not built).
extern const LutKernels kScalarKernels;
void ScalarMap8(const u8* t, const u8* src, u8* dst, std::size_t n);
void ScalarMap8To3(const u8* t0, const u8* t1, const u8* t2, const u8* src,
                   u8* dst, std::size_t n);
void ScalarMap3To3(const u8* t0, const u8* t1, const u8* t2, const u8* src,
                   u8* dst, std::size_t n);
void ScalarAvg3To1(const u8* t0, const u8* t1, const u8* t2, const u8* src,
                   u8* dst, std::size_t n);
std::size_t ScalarWords8(const u8* t, std::uint32_t len, std::uint32_t base,
                         const u8* src, u8* dst, std::size_t n);
std::size_t ScalarSums8(const u8* level, unsigned lo, unsigned hi,
                        const u8* src, u8* dst, std::size_t n);
std::size_t ScalarRescale3(const std::uint64_t* entry, unsigned lo, unsigned hi,
                           int base, const u8* src, u8* dst, std::size_t n);
const LutKernels* Avx2Kernels();
const LutKernels* Avx512VbmiKernels();

#endif
