// Conversions of 1-, 2- and 3-byte pixels to one byte per pixel. A LUT3
// averages the three colour entries that a pixel selects; a LUTC3 gives the
// gray level of the entry at the pixel's sum index, or the mean of its
// colour.
#include <cstdint>
#include <cstring>

#include "frame/kernels.h"
#include "triple/convert.h"
#include "triple/convert_frame.h"

namespace {

const FrameShape kFrom1 = {1, 1, false, true};
const FrameShape kFrom2 = {2, 1, false, true};
const FrameShape kFrom3WithoutBaseLine = {3, 1, false, false};
const FrameShape kFrom3 = {3, 1, false, true};

unsigned char Lut3Mean(const Lut3View& t, long long v) {
  return static_cast<unsigned char>((t.red[v] + t.green[v] + t.blue[v]) / 3);
}

// The means of entries 0 to count - 1, in vectors: GCC vectorizes this
// loop at -O2 only when told that it pays.
#if defined(__GNUC__) && !defined(__clang__)
__attribute__((optimize("tree-vectorize", "vect-cost-model=dynamic")))
#endif
void Means(const Lut3View& t, int count, unsigned char* mean) {
  const unsigned char *r = t.red, *g = t.green, *b = t.blue;
  for (int v = 0; v < count; ++v)
    mean[v] = static_cast<unsigned char>((r[v] + g[v] + b[v]) / 3);
}

}  // namespace

// The index is formed in 8 bits: the low byte of BaseLine plus the pixel,
// wrapping at 256, so only an index beyond the table fails. The means of
// the entries are made in index order, then turned to pixel order.
void Lut3Convert1To1(VarRegister*, VarRegister* args, int argc,
                     Processor* proc) {
  ConvertFrame f;
  if (!OpenFrame(args, argc, proc, kFrom1, &f)) return;
  Lut3View t = Lut3Of(f.table);
  const int valid = t.n < 256 ? static_cast<int>(t.n) : 256;
  unsigned char mean[256];
  bool ok[256];
  Means(t, valid, mean);
  std::memset(mean + valid, 0, static_cast<std::size_t>(256 - valid));
  std::memset(ok, 1, static_cast<std::size_t>(valid));
  std::memset(ok + valid, 0, static_cast<std::size_t>(256 - valid));
  const long long base = f.base;
  const int b = static_cast<int>(base & 0xFF);  // pixel p has index p + b
  ByteTables bytes;
  auto turn = [b](const void* from, void* to) {  // to[p] = from[p + b]
    const char* x = static_cast<const char*>(from);
    char* y = static_cast<char*>(to);
    std::memcpy(y, x + b, static_cast<std::size_t>(256 - b));
    std::memcpy(y + 256 - b, x, static_cast<std::size_t>(b));
  };
  turn(mean, bytes.out[0]);
  turn(ok, bytes.ok);
  bytes.all = valid == 256;
  ConvertBytes(f, bytes, 1,
               [base](unsigned char p) { return (p + base) & 0xFF; });
}

void Lut3Convert2To1(VarRegister*, VarRegister* args, int argc,
                     Processor* proc) {
  ConvertFrame f;
  if (!OpenFrame(args, argc, proc, kFrom2, &f)) return;
  Lut3View t = Lut3Of(f.table);
  long long base = f.base;
  unsigned char* d = f.dst;
  EachWord<std::int16_t>(
      f, t.n, [base](long long p) { return p + base; },
      [&](zlong i, long long v) { d[i] = Lut3Mean(t, v); });
}

// Byte 0 through the blue table, byte 1 through the green, byte 2 through
// the red; no BaseLine.
void Lut3Convert3To1(VarRegister*, VarRegister* args, int argc,
                     Processor* proc) {
  ConvertFrame f;
  if (!OpenFrame(args, argc, proc, kFrom3WithoutBaseLine, &f)) return;
  Lut3View t = Lut3Of(f.table);
  const unsigned char* src = f.src;
  unsigned char* dst = f.dst;
  zlong stop = FrameParts(f, t.n < 256, [&t, src, dst](zlong b, zlong e) {
    if (t.n >= 256) {
      Kernels().avg3to1(t.blue, t.green, t.red, src + 3 * b, dst + b,
                        static_cast<std::size_t>(e - b));
      return e;
    }
    const unsigned char* s = src + 3 * b;
    for (zlong i = b; i < e; ++i, s += 3) {
      if (s[0] >= t.n || s[1] >= t.n || s[2] >= t.n) return i;
      dst[i] = static_cast<unsigned char>(
          (t.red[s[2]] + t.green[s[1]] + t.blue[s[0]]) / 3);
    }
    return e;
  });
  if (stop < f.c) ReportBytes(stop, src + 3 * stop);
}

// A single value v stands for the gray colour (v, v, v): sum index 3v.
void Lutc3Convert1To1(VarRegister*, VarRegister* args, int argc,
                      Processor* proc) {
  ConvertFrame f;
  if (!OpenFrame(args, argc, proc, kFrom1, &f)) return;
  Lutc3View t = Lutc3Of(f.table);
  const long long base = f.base;
  ByteTables bytes;
  int lo, hi;
  ValidRun(&bytes, base, (t.m + 2LL) / 3, &lo, &hi);  // 3 (p + base) < m
  for (int p = lo; p < hi; ++p) bytes.out[0][p] = Lutc3Level(t, 3 * (p + base));
  ConvertBytes(f, bytes, 1, [base](unsigned char p) { return 3 * (p + base); });
}

void Lutc3Convert2To1(VarRegister*, VarRegister* args, int argc,
                      Processor* proc) {
  ConvertFrame f;
  if (!OpenFrame(args, argc, proc, kFrom2, &f)) return;
  Lutc3View t = Lutc3Of(f.table);
  long long base = f.base;
  unsigned char* d = f.dst;
  EachWord<std::int16_t>(
      f, t.m, [base](long long p) { return 3 * (p + base); },
      [&](zlong i, long long j) { d[i] = Lutc3Level(t, j); });
}

// The pixel's sum index plus three times BaseLine. The component sum takes
// 766 values, so the outputs of those indexes are made once per call; the
// valid sums are a run.
void Lutc3Convert3To1(VarRegister*, VarRegister* args, int argc,
                      Processor* proc) {
  ConvertFrame f;
  if (!OpenFrame(args, argc, proc, kFrom3, &f)) return;
  Lutc3View t = Lutc3Of(f.table);
  const long long shift = 3LL * f.base;  // sum + shift is the entry
  unsigned lo, hi;
  ValidSums(t.m, f.base, &lo, &hi);
  unsigned char level[768] = {};
  for (long long sum = lo; sum < hi; ++sum)
    level[sum] = Lutc3Level(t, sum + shift);
  const unsigned char* src = f.src;
  unsigned char* dst = f.dst;
  zlong done = FrameParts(f, lo > 0 || hi < 766, [&](zlong b, zlong e) {
    std::size_t n = static_cast<std::size_t>(e - b);
    return b + static_cast<zlong>(
                   Kernels().sums8(level, lo, hi, src + 3 * b, dst + b, n));
  });
  if (done < f.c) ReportBytes(done, src + 3 * done);
}
