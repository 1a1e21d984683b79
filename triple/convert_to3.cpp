// Conversions of 1-, 2- and 3-byte pixels to 3-byte pixels (blue, green,
// red). A LUT3 maps a value through its three colour tables, or each byte of
// a colour pixel through its own table; a LUTC3 gives the entry at the
// pixel's sum index, and a colour pixel that meets a gray entry keeps its hue
// and takes the entry's brightness.
#include <cstdint>
#include <cstring>

#include "frame/kernels.h"
#include "triple/colour.h"
#include "triple/convert.h"
#include "triple/convert_frame.h"

namespace {

// 3-byte sources give a destination of the source's length; 1- and 2-byte
// sources one whose length divided by 3 is the pixel count.
const FrameShape kFrom1 = {1, 3, false, true};
const FrameShape kFrom2 = {2, 3, false, true};
const FrameShape kFrom3WithoutBaseLine = {3, 3, true, false};
const FrameShape kFrom3 = {3, 3, true, true};

void Lut3Pixel(const Lut3View& t, long long v, unsigned char* out) {
  out[0] = t.blue[v];
  out[1] = t.green[v];
  out[2] = t.red[v];
}

// The value plus BaseLine, in full, selects the three colour entries.
template <typename Word>
void Lut3WordsTo3(VarRegister* args, int argc, Processor* proc) {
  ConvertFrame f;
  if (!OpenFrame(args, argc, proc, kFrom2, &f)) return;
  Lut3View t = Lut3Of(f.table);
  long long base = f.base;
  unsigned char* d = f.dst;
  EachWord<Word>(
      f, t.n, [base](long long p) { return p + base; },
      [&](zlong i, long long v) { Lut3Pixel(t, v, d + 3 * i); });
}

}  // namespace

// Each byte through its own colour table: byte 0 blue, 1 green, 2 red.
void Lut3Convert3To3(VarRegister*, VarRegister* args, int argc,
                     Processor* proc) {
  ConvertFrame f;
  if (!OpenFrame(args, argc, proc, kFrom3WithoutBaseLine, &f)) return;
  Lut3View t = Lut3Of(f.table);
  const unsigned char* src = f.src;
  unsigned char* dst = f.dst;
  zlong stop = FrameParts(f, t.n < 256, [&t, src, dst](zlong b, zlong e) {
    if (t.n >= 256) {
      Kernels().map3to3(t.blue, t.green, t.red, src + 3 * b, dst + 3 * b,
                        static_cast<std::size_t>(e - b));
      return e;
    }
    const unsigned char* s = src + 3 * b;
    unsigned char* d = dst + 3 * b;
    for (zlong i = b; i < e; ++i, s += 3, d += 3) {
      if (s[0] >= t.n || s[1] >= t.n || s[2] >= t.n) return i;
      d[0] = t.blue[s[0]];
      d[1] = t.green[s[1]];
      d[2] = t.red[s[2]];
    }
    return e;
  });
  if (stop < f.c) ReportBytes(stop, src + 3 * stop);
}

void Lut3Convert2To3(VarRegister*, VarRegister* args, int argc,
                     Processor* proc) {
  Lut3WordsTo3<std::int16_t>(args, argc, proc);
}

// As Convert2To3, with the pixels read as unsigned.
void Lut3ConvertU2To3(VarRegister*, VarRegister* args, int argc,
                      Processor* proc) {
  Lut3WordsTo3<std::uint16_t>(args, argc, proc);
}

// The value plus BaseLine, in full: a negative index fails. The valid
// pixels read a run of each colour table.
void Lut3Convert1To3(VarRegister*, VarRegister* args, int argc,
                     Processor* proc) {
  ConvertFrame f;
  if (!OpenFrame(args, argc, proc, kFrom1, &f)) return;
  Lut3View t = Lut3Of(f.table);
  const long long base = f.base;
  ByteTables bytes;
  int lo, hi;
  ValidRun(&bytes, base, t.n, &lo, &hi);
  const unsigned char* from[3] = {t.blue, t.green, t.red};
  for (int ch = 0; ch < 3 && hi > lo; ++ch)
    std::memcpy(bytes.out[ch] + lo, from[ch] + lo + base,
                static_cast<std::size_t>(hi - lo));
  ConvertBytes(f, bytes, 3, [base](unsigned char p) { return p + base; });
}

namespace {

// The kernel's entries for the byte sums k in [lo, hi), made once per call:
// the entry is j = k + 3 BaseLine. A colour entry is its bytes (blue, green,
// red) with bit 63 set; a gray one rescales each component v to v (m - 1)
// g / (255 j), which is (v mul) >> 32 for the reciprocal mul, and sum index
// 0 makes black (mul 0). False when a reciprocal is not exact for every
// component the pixels can have (up to 255 plus a positive BaseLine).
bool MakeSumEntries(const Lutc3View& t, long long base, unsigned lo,
                    unsigned hi, std::uint64_t entry[768]) {
  unsigned long long vMax =
      255 + static_cast<unsigned long long>(base > 0 ? base : 0);
  for (unsigned k = lo; k < hi; ++k) {
    long long j = k + 3 * base;
    unsigned g = t.gray[j];
    unsigned long long mul = 0;
    if (!g)
      mul = 1ULL << 63 | PackColour(t.blue[j], t.green[j], t.red[j]);
    else if (j > 0 &&
             !ExactReciprocal(static_cast<unsigned long long>(t.m - 1) * g,
                              255ULL * static_cast<unsigned long long>(j), vMax,
                              &mul))
      return false;
    entry[k] = mul;
  }
  return true;
}

// The rule by division, pixel by pixel: for the tables and BaseLines whose
// reciprocals are not all exact.
void Lutc3ColoursByDivision(const ConvertFrame& f, const Lutc3View& t) {
  long long base = f.base;
  const unsigned char* src = f.src;
  unsigned char* dst = f.dst;
  zlong stop = FrameParts(f, true, [&](zlong b, zlong e) {
    const unsigned char* s = src + 3 * b;
    unsigned char* d = dst + 3 * b;
    for (zlong i = b; i < e; ++i, s += 3, d += 3) {
      long long c0 = s[0] + base, c1 = s[1] + base, c2 = s[2] + base;
      long long j = SumIndex(c0, c1, c2);
      if (j < 0 || j >= t.m) return i;
      if (!t.gray[j]) {
        Lutc3Pixel(t, j, d);
        continue;
      }
      zulong scaled = GrayScaledColour(t.m, t.gray[j], c0, c1, c2);
      d[0] = static_cast<unsigned char>(RedOf(scaled));
      d[1] = static_cast<unsigned char>(GreenOf(scaled));
      d[2] = static_cast<unsigned char>(BlueOf(scaled));
    }
    return e;
  });
  if (stop < f.c) ReportBytes(stop, src + 3 * stop);
}

}  // namespace

// Each component plus BaseLine; their sum indexes the tables. A colour entry
// is written as it is; a gray entry rescales the components so that their
// sum matches its level (byte k of the output from component k). A
// component made negative by BaseLine counts as 0. The 766 byte sums have
// their entries made once, for the chosen kernel.
void Lutc3Convert3To3(VarRegister*, VarRegister* args, int argc,
                      Processor* proc) {
  ConvertFrame f;
  if (!OpenFrame(args, argc, proc, kFrom3, &f)) return;
  Lutc3View t = Lutc3Of(f.table);
  unsigned lo, hi;
  ValidSums(t.m, f.base, &lo, &hi);
  std::uint64_t entry[768] = {};
  const long long kBaseLimit = 1 << 16;
  if (f.base <= -kBaseLimit || f.base >= kBaseLimit ||
      !MakeSumEntries(t, f.base, lo, hi, entry)) {
    Lutc3ColoursByDivision(f, t);
    return;
  }
  const unsigned char* src = f.src;
  unsigned char* dst = f.dst;
  int base = static_cast<int>(f.base);
  zlong done = FrameParts(f, lo > 0 || hi < 766, [&](zlong b, zlong e) {
    std::size_t n = static_cast<std::size_t>(e - b);
    return b + static_cast<zlong>(Kernels().rescale3(
                   entry, lo, hi, base, src + 3 * b, dst + 3 * b, n));
  });
  if (done < f.c) ReportBytes(done, src + 3 * done);
}

// A single value v stands for the gray colour (v, v, v): sum index 3v.
void Lutc3Convert2To3(VarRegister*, VarRegister* args, int argc,
                      Processor* proc) {
  ConvertFrame f;
  if (!OpenFrame(args, argc, proc, kFrom2, &f)) return;
  Lutc3View t = Lutc3Of(f.table);
  long long base = f.base;
  unsigned char* d = f.dst;
  EachWord<std::int16_t>(
      f, t.m, [base](long long p) { return 3 * (p + base); },
      [&](zlong i, long long j) { Lutc3Pixel(t, j, d + 3 * i); });
}

void Lutc3Convert1To3(VarRegister*, VarRegister* args, int argc,
                      Processor* proc) {
  ConvertFrame f;
  if (!OpenFrame(args, argc, proc, kFrom1, &f)) return;
  Lutc3View t = Lutc3Of(f.table);
  const long long base = f.base;
  ByteTables bytes;
  int lo, hi;
  ValidRun(&bytes, base, (t.m + 2LL) / 3, &lo, &hi);  // 3 (p + base) < m
  for (int p = lo; p < hi; ++p) {
    unsigned char out[3];
    Lutc3Pixel(t, 3 * (p + base), out);
    for (int ch = 0; ch < 3; ++ch) bytes.out[ch][p] = out[ch];
  }
  ConvertBytes(f, bytes, 3, [base](unsigned char p) { return 3 * (p + base); });
}
