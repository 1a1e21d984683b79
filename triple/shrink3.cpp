// Shrink of the three-channel tables: the single-channel shrink applied to
// each table. A LUT3 shrinks its colour tables with the channel length n and
// its gray table with its own length 3n; a LUTC3 shrinks its four tables
// together, entry by entry, and keeps every entry a colour or a gray entry.
// The one-flag forms zero both sides of the window alike, the two-flag forms
// each side by its own flag (slot 4 below, slot 5 above).
//
//   s = t.Shrink(0.25, 0.75, 1.0, 0.0, false)
//   s = t.Shrink(0.25, 0.75, 1.0, 0.0, true, false)   # zero below only
#include "frame/exports.h"
#include "single/shrink.h"
#include "triple/layout.h"
#include "triple/operations.h"

namespace {

// The parameters, slot 4 and then (two flags) slot 5 read before they are
// tested; false after host error 3.
bool ReadArgs(VarRegister* args, bool twoFlags, ShrinkArgs* a) {
  ReadShrinkArgs(args, a);
  if (twoFlags) ReadShrinkUpperFlag(args, a);
  return !ShrinkRefused(*a);
}

void ShrinkLut3(VarRegister* result, VarRegister* args, int argc,
                Processor* proc, bool twoFlags) {
  Variable* self = Self(args, argc);
  ShrinkArgs a;
  if (!ReadArgs(args, twoFlags, &a)) return;
  Lut3View old = Lut3Of(self);
  if (!old.HasData()) return;
  zlong n = old.n;
  ShrinkMap colour, gray;
  MakeShrinkMap(a, n, &colour);
  MakeShrinkMapExactStart(a, 3 * n, &gray);
  Lut3View to = Lut3Sized(NewTableLike(result, proc, "LUT3", self), n);
  old = Lut3Of(self);  // read only from here on
  if (!to.HasData() || !old.HasData() || old.n != n || n == 0 ||
      to.red == old.red)
    return;
  for (zlong k = 0; k < 4; ++k) {
    const ShrinkMap& m = k < 3 ? colour : gray;
    TableSpan from = TableOf(old, k), into = TableOf(to, k);
    ShrinkTable(m, from.first, into.first, ShrinkLowerFill(m, a, from.first[0]),
                ShrinkUpperFill(m, a, from.first[from.count - 1]));
  }
}

// One LUTC3 entry: a colour (gray byte 0) or a gray level.
struct Entry {
  unsigned char red, green, blue, gray;
};

// Entry i of t through the value map, keeping its kind: a colour's channels
// are mapped and its gray byte stays 0; a gray entry's level is mapped (and
// becomes a black colour entry when it maps to 0).
Entry Mapped(const Lutc3View& t, zlong i, const ShrinkMap& m) {
  if (t.gray[i] == 0)
    return Entry{m.value[t.red[i]], m.value[t.green[i]], m.value[t.blue[i]], 0};
  return Entry{0, 0, 0, m.value[t.gray[i]]};
}

void Put(const Lutc3View& t, zlong j, const Entry& e) {
  t.red[j] = e.red;
  t.green[j] = e.green;
  t.blue[j] = e.blue;
  t.gray[j] = e.gray;
}

void ShrinkLutc3(VarRegister* result, VarRegister* args, int argc,
                 Processor* proc, bool twoFlags) {
  Variable* self = Self(args, argc);
  ShrinkArgs a;
  if (!ReadArgs(args, twoFlags, &a)) return;
  Lutc3View old = Lutc3Of(self);
  if (!old.HasData()) return;
  zlong count = old.m;
  ShrinkMap m;
  MakeShrinkMap(a, count, &m);
  Lutc3View to = Lutc3Sized(NewTableLike(result, proc, "LUTC3", self), count);
  old = Lutc3Of(self);  // read only from here on
  if (!to.HasData() || !old.HasData() || old.m != count || count == 0 ||
      to.red == old.red)
    return;
  zlong last = m.lowerEnd - 1;
  for (zlong i = 0; i < count; ++i) {
    zlong p = ShrinkNextPos(m, i, last);
    if (p >= count) break;  // positions never fall: the rest lie beyond too
    Put(to, p, Mapped(old, i, m));
    last = p;
  }
  const Entry zero{0, 0, 0, 0};
  Entry below = a.zeroBelow ? zero : Mapped(old, 0, m);
  for (zlong j = 0; j < m.lowerEnd; ++j) Put(to, j, below);
  Entry above = a.zeroAbove ? zero : Mapped(old, count - 1, m);
  for (zlong j = ShrinkUpperStart(m, last); j < count; ++j) Put(to, j, above);
}

}  // namespace

void Lut3Shrink(VarRegister* result, VarRegister* args, int argc,
                Processor* proc) {
  ShrinkLut3(result, args, argc, proc, false);
}

void Lut3ShrinkTwoFlags(VarRegister* result, VarRegister* args, int argc,
                        Processor* proc) {
  ShrinkLut3(result, args, argc, proc, true);
}

void Lutc3Shrink(VarRegister* result, VarRegister* args, int argc,
                 Processor* proc) {
  ShrinkLutc3(result, args, argc, proc, false);
}

void Lutc3ShrinkTwoFlags(VarRegister* result, VarRegister* args, int argc,
                         Processor* proc) {
  ShrinkLutc3(result, args, argc, proc, true);
}
