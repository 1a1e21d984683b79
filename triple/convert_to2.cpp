// Conversions of 2-byte pixels to 2-byte pixels of 0 to 4095 through a wide
// curve: one 16-bit value per table entry that follows the table's
// brightness on a 0 to 4095 scale, with the steps between runs of equal
// entries replaced by straight ramps. The curve is made afresh on every call
// and released when the handler returns, on every path.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>

#include "triple/convert.h"
#include "triple/convert_frame.h"

namespace {

const FrameShape kFrom2 = {2, 2, true, true};

// The curve's values; entries past the table are never made.
typedef std::unique_ptr<std::uint16_t[]> Curve;

// What the curve needs of a table: the entry count, whether two entries
// have the same key, an entry's ramp value A and fill value F, and whether
// a ramp may join two ramp values.
struct Lut3Entries {
  const Lut3View& t;
  zlong Count() const { return t.n; }
  long long Sum(zlong k) const { return t.red[k] + t.green[k] + t.blue[k]; }
  bool SameKey(zlong a, zlong b) const {
    return t.red[a] == t.red[b] && t.green[a] == t.green[b] &&
           t.blue[a] == t.blue[b];
  }
  long long Ramp(zlong k) const { return Sum(k) * 4095 / 765; }
  long long Fill(zlong k) const { return 16 * Sum(k) / 3; }
  static bool MayRamp(long long, long long) { return true; }
};

// A gray entry of 0 marks a colour entry: no ramp blends into it.
struct Lutc3Entries {
  const Lutc3View& t;
  zlong Count() const { return t.m; }
  bool SameKey(zlong a, zlong b) const { return t.gray[a] == t.gray[b]; }
  long long Ramp(zlong k) const { return t.gray[k] * 4095LL / 255; }
  long long Fill(zlong k) const { return 16LL * t.gray[k]; }
  static bool MayRamp(long long x, long long y) { return x != 0 && y != 0; }
};

// W[r + t] = x + (y - x) * t / d for t = 0 .. d - 1: from x, stopping one
// step short of y.
void RampInto(Curve& w, zlong r, zlong d, long long x, long long y) {
  for (zlong t = 0; t < d; ++t)
    w[r + t] = static_cast<std::uint16_t>(x + (y - x) * t / d);
}

void FillInto(Curve& w, zlong from, zlong to, long long value) {
  for (zlong k = from; k < to; ++k) w[k] = static_cast<std::uint16_t>(value);
}

template <typename Entries>
zlong RunEnd(const Entries& e, zlong start) {
  zlong end = start + 1;
  while (end < e.Count() && e.SameKey(end, start)) ++end;
  return end;
}

// The curve over every entry: run 1 flat at its ramp value, run 2 at its
// ramp value with a ramp over its first half, and each further run at its
// fill value with a ramp from the middle of the run before it to its own
// middle (to its start, for the last run).
template <typename Entries>
void BuildCurve(const Entries& e, Curve& w) {
  zlong n = e.Count();
  zlong a = RunEnd(e, 0);
  FillInto(w, 0, a, e.Ramp(0));
  if (a == n) return;
  zlong b = RunEnd(e, a);
  FillInto(w, a, b, e.Ramp(a));
  if (b == n) return;
  zlong d = (b - a) / 2;
  if (d > 0 && e.MayRamp(e.Ramp(0), e.Ramp(a)))
    RampInto(w, a, d, e.Ramp(0), e.Ramp(a));
  w[a + d] = static_cast<std::uint16_t>(e.Ramp(a));
  for (zlong s = a, p = b; p < n;) {
    zlong end = RunEnd(e, p);
    FillInto(w, p, end, e.Fill(p));
    zlong r = s + (p - s + 1) / 2;
    zlong rampEnd = end < n ? p + (end - p) / 2 : p;
    if (rampEnd > r && e.MayRamp(e.Ramp(s), e.Ramp(p)))
      RampInto(w, r, rampEnd - r, e.Ramp(s), e.Ramp(p));
    s = p;
    p = end;
  }
}

// The curve of a table, or false (after raising host error 3) when its
// memory can't be had.
template <typename Entries>
bool MakeCurve(const Entries& e, Curve* w) {
  w->reset(new (std::nothrow)
               std::uint16_t[static_cast<std::size_t>(e.Count())]);
  if (!*w) {
    char text[256];
    std::snprintf(text, sizeof text, "no memory for a curve of %d entries",
                  e.Count());
    ZorlError(ZE_BAD_PARAMETER, text);
    return false;
  }
  BuildCurve(e, *w);
  return true;
}

void PutWord(unsigned char* d, zlong i, unsigned value) {
  d[2 * i] = static_cast<unsigned char>(value);
  d[2 * i + 1] = static_cast<unsigned char>(value >> 8);
}

}  // namespace

// The value plus BaseLine indexes the curve.
void Lut3Convert2To2(VarRegister*, VarRegister* args, int argc,
                     Processor* proc) {
  ConvertFrame f;
  if (!OpenFrame(args, argc, proc, kFrom2, &f)) return;
  Lut3View t = Lut3Of(f.table);
  if (t.n <= 0) return;
  Curve w;
  if (!MakeCurve(Lut3Entries{t}, &w)) return;
  long long base = f.base;
  unsigned char* d = f.dst;
  EachWord<std::int16_t>(
      f, t.n, [base](long long p) { return p + base; },
      [&](zlong i, long long v) { PutWord(d, i, w[v]); });
}

// Sum index 3 (value + BaseLine); where the curve is 0 (a colour entry, or a
// gray level of 0) the mean of the entry's colour on the 0 to 4095 scale.
void Lutc3Convert2To2(VarRegister*, VarRegister* args, int argc,
                      Processor* proc) {
  ConvertFrame f;
  if (!OpenFrame(args, argc, proc, kFrom2, &f)) return;
  Lutc3View t = Lutc3Of(f.table);
  if (t.m <= 0) return;
  Curve w;
  if (!MakeCurve(Lutc3Entries{t}, &w)) return;
  long long base = f.base;
  unsigned char* d = f.dst;
  EachWord<std::int16_t>(
      f, t.m, [base](long long p) { return 3 * (p + base); },
      [&](zlong i, long long j) {
        unsigned v = w[j];
        if (!v) v = (t.red[j] + t.green[j] + t.blue[j]) * 4095u / 765;
        PutWord(d, i, v);
      });
}
