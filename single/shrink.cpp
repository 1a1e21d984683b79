// The shrink of a table onto a window, and LUT1::Shrink and LUT2::Shrink.
#include "single/shrink.h"

#include "frame/exports.h"
#include "single/single.h"

namespace {

// A position or count computed in double precision, truncated, and kept to
// at most n: past the table's end nothing is written, whatever the rounding.
zlong TruncAtMost(double x, zlong n) {
  return x < static_cast<double>(n) ? static_cast<zlong>(x) : n;
}

// A new table of the class of self, in the result slot, shrunk from self.
void ShrinkSingle(VarRegister* result, VarRegister* args, int argc,
                  Processor* proc, const char* cls, bool copyBaseLine) {
  Variable* self = Self(args, argc);
  ShrinkArgs a;
  ReadShrinkArgs(args, &a);
  bool hasData = self->GetData() != nullptr;
  zlong n = self->GetLen();
  if (ShrinkRefused(a) || !hasData) return;
  ShrinkMap m;
  MakeShrinkMap(a, n, &m);

  Variable* fresh = static_cast<Variable*>(*result)->GetPointer();
  proc->MakeInstance(*fresh, cls, nullptr, 0);
  if (copyBaseLine) {
    Variable& from = (*self)("BaseLine");
    Variable& to = (*fresh)("BaseLine");
    if (&from != &to) to = from;
  }
  fresh = static_cast<Variable*>(*result)->GetPointer();
  fresh->SetLen(n);
  unsigned char* dst = reinterpret_cast<unsigned char*>(fresh->GetData());
  // Taken again: the old table is read only from here on.
  const unsigned char* src =
      reinterpret_cast<const unsigned char*>(self->GetData());
  if (!dst || !src || dst == src || n <= 0 || fresh->GetLen() != n ||
      self->GetLen() != n)
    return;
  ShrinkTable(m, src, dst, ShrinkLowerFill(m, a, src[0]),
              ShrinkUpperFill(m, a, src[n - 1]));
}

}  // namespace

void ReadShrinkArgs(VarRegister* args, ShrinkArgs* a) {
  a->windowStart = Arg(args, 0)->GetFloatNumb();
  a->windowEnd = Arg(args, 1)->GetFloatNumb();
  a->outputTop = Arg(args, 2)->GetFloatNumb();
  a->outputBottom = Arg(args, 3)->GetFloatNumb();
  a->zeroBelow = a->zeroAbove = Arg(args, 4)->GetBoolean();
}

void ReadShrinkUpperFlag(VarRegister* args, ShrinkArgs* a) {
  a->zeroAbove = Arg(args, 5)->GetBoolean();
}

bool ShrinkRefused(const ShrinkArgs& a) {
  // Written as "not at least", so that a NaN on the left is refused.
  bool refused = !(a.windowStart >= 0) || a.windowStart > 1 ||
                 !(a.windowEnd >= a.windowStart) || a.windowEnd > 1 ||
                 !(a.outputBottom >= 0) || a.outputBottom > 1 ||
                 !(a.outputTop >= a.outputBottom) || a.outputTop > 1;
  if (refused) ZorlError(ZE_BAD_PARAMETER);
  return refused;
}

namespace {

// The map of a table of n entries whose positions begin at start.
void MakeMapFrom(const ShrinkArgs& a, zlong n, double start, ShrinkMap* m) {
  float dX = a.windowEnd - a.windowStart;
  float dY = a.outputTop - a.outputBottom;
  float fn = static_cast<float>(n);
  float offset = a.outputBottom * 255.0f;
  m->n = n;
  m->dX = dX;
  m->start = start;
  m->lowerEnd = TruncAtMost(m->start + 0.5, n);
  m->upperFirst = TruncAtMost(
      static_cast<double>(fn) * static_cast<double>(a.windowEnd) + 0.5, n);
  for (int v = 0; v < 256; ++v) {
    // At most 255 * output top + 0.5 for accepted parameters.
    zlong y = TruncAtMost(v * static_cast<double>(dY) + offset + 0.5, 255);
    m->value[v] = static_cast<unsigned char>(y);
  }
}

}  // namespace

void MakeShrinkMap(const ShrinkArgs& a, zlong n, ShrinkMap* m) {
  float start = static_cast<float>(n) * a.windowStart;
  MakeMapFrom(a, n, start, m);
}

void MakeShrinkMapExactStart(const ShrinkArgs& a, zlong n, ShrinkMap* m) {
  MakeMapFrom(a, n, static_cast<double>(n) * a.windowStart, m);
}

zlong ShrinkPos(const ShrinkMap& m, zlong i) {
  return TruncAtMost(i * m.dX + m.start + 0.5, m.n);
}

void ShrinkTable(const ShrinkMap& m, const unsigned char* src,
                 unsigned char* dst, unsigned char lowerFill,
                 unsigned char upperFill) {
  zlong n = m.n;
  zlong last = m.lowerEnd - 1;
  for (zlong i = 0; i < n; ++i) {
    zlong p = ShrinkNextPos(m, i, last);
    if (p >= n) break;  // positions never fall: the rest lie beyond too
    dst[p] = m.value[src[i]];
    last = p;
  }
  for (zlong j = 0; j < m.lowerEnd; ++j) dst[j] = lowerFill;
  for (zlong j = ShrinkUpperStart(m, last); j < n; ++j) dst[j] = upperFill;
}

void Lut1Shrink(VarRegister* result, VarRegister* args, int argc,
                Processor* proc) {
  ShrinkSingle(result, args, argc, proc, "LUT1", false);
}

void Lut2Shrink(VarRegister* result, VarRegister* args, int argc,
                Processor* proc) {
  ShrinkSingle(result, args, argc, proc, "LUT2", true);
}
