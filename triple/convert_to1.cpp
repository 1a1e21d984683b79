// Conversions of 1-, 2- and 3-byte pixels to one byte per pixel. A LUT3
// averages the three colour entries that a pixel selects; a LUTC3 gives the
// gray level of the entry at the pixel's sum index, or the mean of its
// colour.
#include <cstdint>

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

}  // namespace

// The index is formed in 8 bits: the low byte of BaseLine plus the pixel,
// wrapping at 256, so only an index beyond the table fails.
void Lut3Convert1To1(VarRegister*, VarRegister* args, int argc,
                     Processor* proc) {
  ConvertFrame f;
  if (!OpenFrame(args, argc, proc, kFrom1, &f)) return;
  Lut3View t = Lut3Of(f.table);
  ByteTables bytes;
  MakeByteTables(
      &bytes,
      [&](int p, bool* ok) {
        long long v = (p + static_cast<long long>(f.base)) & 0xFF;
        *ok = v < t.n;
        return v;
      },
      [&](long long v, unsigned char* out) { out[0] = Lut3Mean(t, v); });
  RunByteTables(f, bytes, 1);
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
  if (t.n >= 256) {
    Kernels().avg3to1(t.blue, t.green, t.red, f.src, f.dst,
                      static_cast<std::size_t>(f.c));
    return;
  }
  const unsigned char* s = f.src;
  for (zlong i = 0; i < f.c; ++i, s += 3) {
    if (s[0] >= t.n || s[1] >= t.n || s[2] >= t.n) {
      ReportBytes(i, s);
      return;
    }
    f.dst[i] = static_cast<unsigned char>(
        (t.red[s[2]] + t.green[s[1]] + t.blue[s[0]]) / 3);
  }
}

// A single value v stands for the gray colour (v, v, v): sum index 3v.
void Lutc3Convert1To1(VarRegister*, VarRegister* args, int argc,
                      Processor* proc) {
  ConvertFrame f;
  if (!OpenFrame(args, argc, proc, kFrom1, &f)) return;
  Lutc3View t = Lutc3Of(f.table);
  ByteTables bytes;
  MakeByteTables(
      &bytes,
      [&](int p, bool* ok) {
        long long j = 3 * (p + static_cast<long long>(f.base));
        *ok = j >= 0 && j < t.m;
        return j;
      },
      [&](long long j, unsigned char* out) { out[0] = Lutc3Level(t, j); });
  RunByteTables(f, bytes, 1);
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
// 766 values, so the outputs of those indexes are made once per call.
void Lutc3Convert3To1(VarRegister*, VarRegister* args, int argc,
                      Processor* proc) {
  ConvertFrame f;
  if (!OpenFrame(args, argc, proc, kFrom3, &f)) return;
  Lutc3View t = Lutc3Of(f.table);
  unsigned char level[766];
  bool ok[766];
  for (int sum = 0; sum < 766; ++sum) {
    long long j = sum + 3LL * f.base;
    ok[sum] = j >= 0 && j < t.m;
    level[sum] = ok[sum] ? Lutc3Level(t, j) : 0;
  }
  const unsigned char* s = f.src;
  for (zlong i = 0; i < f.c; ++i, s += 3) {
    int sum = s[0] + s[1] + s[2];
    if (!ok[sum]) {
      ReportBytes(i, s);
      return;
    }
    f.dst[i] = level[sum];
  }
}
