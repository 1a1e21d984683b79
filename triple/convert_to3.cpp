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
  if (t.n >= 256) {
    Kernels().map3to3(t.blue, t.green, t.red, f.src, f.dst,
                      static_cast<std::size_t>(f.c));
    return;
  }
  const unsigned char* s = f.src;
  unsigned char* d = f.dst;
  for (zlong i = 0; i < f.c; ++i, s += 3, d += 3) {
    if (s[0] >= t.n || s[1] >= t.n || s[2] >= t.n) {
      ReportBytes(i, s);
      return;
    }
    d[0] = t.blue[s[0]];
    d[1] = t.green[s[1]];
    d[2] = t.red[s[2]];
  }
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

// GrayScaledColour in 32-bit arithmetic, exact while (m - 1) * 255 * s
// stays below 2^32: tables of up to kSmallTable entries.
const zlong kSmallTable = 2902;

zulong SmallGrayScaledColour(zlong m, unsigned t, long long r, long long g,
                             long long b) {
  std::uint32_t s = static_cast<std::uint32_t>(r + g + b);
  if (s == 0) return 0;
  std::uint32_t f = static_cast<std::uint32_t>(m - 1) * t, d = 255 * s;
  std::uint32_t c[3] = {r > 0 ? f * static_cast<std::uint32_t>(r) / d : 0,
                        g > 0 ? f * static_cast<std::uint32_t>(g) / d : 0,
                        b > 0 ? f * static_cast<std::uint32_t>(b) / d : 0};
  std::uint32_t top = c[0] > c[1] ? c[0] : c[1];
  if (c[2] > top) top = c[2];
  if (top > 255)
    for (std::uint32_t& v : c) v = v * 255 / top;
  return PackColour(c[0], c[1], c[2]);
}

// The reciprocals of the gray entries that 3-byte pixels reach, made once
// per call: for the byte sum k (0 to 765) the entry is j = k + 3 BaseLine,
// and each component v becomes v (m - 1) g / (255 j), which is (v mul[k])
// >> 32 where exact[k] (for every component the pixels can have: up to 255
// plus a positive BaseLine). Sum index 0 makes black.
struct SumReciprocals {
  unsigned long long mul[766];
  bool exact[766];
};

void MakeSumReciprocals(const Lutc3View& t, long long base, SumReciprocals* r) {
  unsigned long long vMax =
      255 + static_cast<unsigned long long>(base > 0 ? base : 0);
  for (int k = 0; k < 766; ++k) {
    long long j = k + 3 * base;
    r->mul[k] = 0;
    r->exact[k] = j == 0;
    if (j <= 0 || j >= t.m || !t.gray[j]) continue;
    r->exact[k] = ExactReciprocal(
        static_cast<unsigned long long>(t.m - 1) * t.gray[j],
        255ULL * static_cast<unsigned long long>(j), vMax, &r->mul[k]);
  }
}

// GrayScaledColour's components by a reciprocal, written as bytes 0, 1, 2.
inline void ScaleByReciprocal(unsigned long long mul, long long c0,
                              long long c1, long long c2, unsigned char* d) {
  unsigned long long c[3] = {
      c0 > 0 ? static_cast<unsigned long long>(c0) * mul >> 32 : 0,
      c1 > 0 ? static_cast<unsigned long long>(c1) * mul >> 32 : 0,
      c2 > 0 ? static_cast<unsigned long long>(c2) * mul >> 32 : 0};
  unsigned long long top = c[0] > c[1] ? c[0] : c[1];
  if (c[2] > top) top = c[2];
  if (top > 255)
    for (unsigned long long& v : c) v = v * 255 / top;
  d[0] = static_cast<unsigned char>(c[0]);
  d[1] = static_cast<unsigned char>(c[1]);
  d[2] = static_cast<unsigned char>(c[2]);
}

// Each component plus BaseLine; their sum indexes the tables. A colour entry
// is written as it is; a gray entry rescales the components so that their
// sum matches its level (byte k of the output from component k), by the
// sum's reciprocal where that is exact and by division elsewhere. A
// component made negative by BaseLine counts as 0.
template <zulong (*Scaled)(zlong, unsigned, long long, long long, long long)>
void Lutc3ColoursTo3(const ConvertFrame& f, const Lutc3View& t) {
  long long base = f.base;
  SumReciprocals rec;
  MakeSumReciprocals(t, base, &rec);
  const unsigned char* s = f.src;
  unsigned char* d = f.dst;
  for (zlong i = 0; i < f.c; ++i, s += 3, d += 3) {
    long long c0 = s[0] + base, c1 = s[1] + base, c2 = s[2] + base;
    long long j = SumIndex(c0, c1, c2);
    if (j < 0 || j >= t.m) {
      ReportBytes(i, s);
      return;
    }
    unsigned g = t.gray[j];
    if (!g) {
      Lutc3Pixel(t, j, d);
      continue;
    }
    int k = s[0] + s[1] + s[2];
    if (rec.exact[k]) {
      ScaleByReciprocal(rec.mul[k], c0, c1, c2, d);
      continue;
    }
    zulong scaled = Scaled(t.m, g, c0, c1, c2);
    d[0] = static_cast<unsigned char>(RedOf(scaled));
    d[1] = static_cast<unsigned char>(GreenOf(scaled));
    d[2] = static_cast<unsigned char>(BlueOf(scaled));
  }
}

}  // namespace

void Lutc3Convert3To3(VarRegister*, VarRegister* args, int argc,
                      Processor* proc) {
  ConvertFrame f;
  if (!OpenFrame(args, argc, proc, kFrom3, &f)) return;
  Lutc3View t = Lutc3Of(f.table);
  if (t.m <= kSmallTable)
    Lutc3ColoursTo3<SmallGrayScaledColour>(f, t);
  else
    Lutc3ColoursTo3<GrayScaledColour>(f, t);
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
