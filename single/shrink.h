// The shrink of a table: its whole input axis is squeezed into a window of
// the new table's input axis, its outputs into a sub-range of 0..255, and the
// entries outside the window continue the first and last mapped values or
// hold 0. Every class shrinks its tables with these pieces:
//
//   ShrinkArgs a;
//   ReadShrinkArgs(args, &a);          // slots 0..4; error 73 goes on
//   if (ShrinkRefused(a)) return;      // error 3
//   ShrinkMap m;
//   MakeShrinkMap(a, n, &m);           // once per table length n
//   ShrinkTable(m, old, dst, ShrinkLowerFill(m, a, old[0]),
//               ShrinkUpperFill(m, a, old[n - 1]));
//
// A table whose entries are not single bytes walks the positions itself, as
// ShrinkTable does:
//
//   zlong last = m.lowerEnd - 1;
//   for (zlong i = 0; i < m.n; ++i) {
//     zlong p = ShrinkNextPos(m, i, last);
//     if (p >= m.n) break;
//     ... entry p = the mapped entry i ...
//     last = p;
//   }
//   ... entries 0 to m.lowerEnd - 1 = the lower fill ...
//   ... entries ShrinkUpperStart(m, last) to m.n - 1 = the upper fill ...
#ifndef LUT_SINGLE_SHRINK_H
#define LUT_SINGLE_SHRINK_H

#include "host/zorl.h"

// The five parameters of every Shrink method, as the script gave them.
struct ShrinkArgs {
  float windowStart;   // lower end of the input window, a fraction of n
  float windowEnd;     // upper end, window start to 1
  float outputTop;     // what a stored 255 maps to, a fraction of 255
  float outputBottom;  // what a stored 0 maps to
  bool zeroBelow;      // entries below the window become 0
  bool zeroAbove;      // entries above the window become 0
};

// Reads the four numbers (single precision) from slots 0 to 3, then the flag
// from slot 4 with the boolean accessor, for both sides of the window: a
// value that is not a boolean raises host error 73 and counts as false.
void ReadShrinkArgs(VarRegister* args, ShrinkArgs* a);
// Reads the flag of the side above the window from slot 5 alone, in the same
// way (the forms with one flag per side).
void ReadShrinkUpperFlag(VarRegister* args, ShrinkArgs* a);

// Raises host error 3 and returns true when a parameter lies outside its
// accepted values. The tests run in a fixed order and a NaN fails the first
// one in which it stands on the left.
bool ShrinkRefused(const ShrinkArgs& a);

// The derived values for a table of n entries. The four parameters' sums and
// products are taken in single precision, positions in double precision.
struct ShrinkMap {
  zlong n;
  double dX;                 // window end - window start
  double start;              // n * window start
  zlong lowerEnd;            // the lower fill covers entries 0 to lowerEnd - 1
  zlong upperFirst;          // n * window end, rounded, at most n
  unsigned char value[256];  // the value map of every stored byte
};

// Computes the map for a table of n entries.
void MakeShrinkMap(const ShrinkArgs& a, zlong n, ShrinkMap* m);
// The same, with the start n * window start kept in double precision rather
// than rounded to single (the LUT3 gray table).
void MakeShrinkMapExactStart(const ShrinkArgs& a, zlong n, ShrinkMap* m);

// The target position of source index i, or n when it lies at or beyond the
// table's end.
zlong ShrinkPos(const ShrinkMap& m, zlong i);

// The position of source index i in a mapping pass whose last written
// position is last (m.lowerEnd - 1 before the first): ShrinkPos, kept to at
// most last + 1 so that rounding never skips an entry.
inline zlong ShrinkNextPos(const ShrinkMap& m, zlong i, zlong last) {
  zlong p = ShrinkPos(m, i);
  return p > last + 1 ? last + 1 : p;
}

// The first entry of the upper fill, given the last position that the
// mapping wrote: every entry above that position is filled, even where the
// window's end rounds higher.
inline zlong ShrinkUpperStart(const ShrinkMap& m, zlong lastWritten) {
  return m.upperFirst < lastWritten + 1 ? m.upperFirst : lastWritten + 1;
}

// The fill values below and above the window: 0 when that side's flag says
// so, else the mapped value of the table's edge entry on that side.
inline unsigned char ShrinkLowerFill(const ShrinkMap& m, const ShrinkArgs& a,
                                     unsigned char first) {
  return a.zeroBelow ? 0 : m.value[first];
}
inline unsigned char ShrinkUpperFill(const ShrinkMap& m, const ShrinkArgs& a,
                                     unsigned char last) {
  return a.zeroAbove ? 0 : m.value[last];
}

// Shrinks the n bytes of src into the n bytes of dst (they must not overlap):
// the mapping pass, then the lower fill, then the upper fill, a later step
// overwriting an earlier one. Every entry of dst is written, none beyond it.
void ShrinkTable(const ShrinkMap& m, const unsigned char* src,
                 unsigned char* dst, unsigned char lowerFill,
                 unsigned char upperFill);

#endif
