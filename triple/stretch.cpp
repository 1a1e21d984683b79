// Stretch(N): a new table of N channel entries (LUT3) or N entries (LUTC3),
// resampled from the object's: new entry i takes the old entry at or below
// its proportional position, so the first maps to the first and the last to
// the last. BaseLine is copied; the object is not changed.
//
//   big = t.Stretch(512)    # red[i] = old red[i * 255 / 511]
#include <cstring>
#include <limits>

#include "frame/exports.h"
#include "triple/layout.h"
#include "triple/operations.h"

namespace {

const long long kMaxLen = std::numeric_limits<zlong>::max();

// The old index of new entry i of count: i * span / (count - 1), where span
// is the old index of the last new entry. A stretch to one entry takes entry
// 0 rather than divide by 0, and no index falls below 0 (a LUT3 of one
// channel entry, whose gray span is -1, takes its gray[0]).
zlong SourceIndex(long long i, long long span, long long count) {
  if (count <= 1) return 0;
  long long q = i * span / (count - 1);
  return static_cast<zlong>(q < 0 ? 0 : q);
}

}  // namespace

// Colour tables from i * (n - 1) / (N - 1), the gray table from
// j * (3n - 4) / (3N - 1). A table of no channel entries stretches to N
// entries of 0.
void Lut3Stretch(VarRegister* result, VarRegister* args, int argc,
                 Processor* proc) {
  Variable* self = Self(args, argc);
  zlong count = Arg(args, 0)->GetLongNumb();
  if (count <= 0) {
    ZorlError(ZE_BAD_PARAMETER);
    return;
  }
  if (count > kMaxLen / 6) {
    RefuseChannelLength(count);
    return;
  }
  if (!Lut3Of(self).HasData()) return;
  Lut3View to = Lut3Sized(NewTableLike(result, proc, "LUT3", self), count);
  Lut3View from = Lut3Of(self);
  if (!to.HasData() || !from.HasData() || to.red == from.red) return;
  if (from.n == 0) {
    std::memset(to.red, 0, static_cast<std::size_t>(to.Bytes()));
    return;
  }
  for (zlong i = 0; i < to.n; ++i) {
    zlong q = SourceIndex(i, from.n - 1LL, to.n);
    to.red[i] = from.red[q];
    to.green[i] = from.green[q];
    to.blue[i] = from.blue[q];
  }
  for (zlong j = 0; j < to.GrayCount(); ++j)
    to.gray[j] = from.gray[SourceIndex(j, 3LL * from.n - 4, to.GrayCount())];
}

// Whole entries from j * (m - 1) / (N - 1), each keeping its kind: a colour
// entry with gray 0, or a gray entry with colour bytes 0. N = 0 gives a
// table of 0 bytes; a table of no entries stretches to N black entries.
void Lutc3Stretch(VarRegister* result, VarRegister* args, int argc,
                  Processor* proc) {
  Variable* self = Self(args, argc);
  zlong count = Arg(args, 0)->GetLongNumb();
  if (count < 0) {
    ZorlError(ZE_BAD_PARAMETER);
    return;
  }
  if (count > kMaxLen / 4) {
    RefuseEntryCount(count);
    return;
  }
  if (!Lutc3Of(self).HasData()) return;
  Lutc3View to = Lutc3Sized(NewTableLike(result, proc, "LUTC3", self), count);
  Lutc3View from = Lutc3Of(self);
  if (!to.HasData() || !from.HasData() || to.red == from.red) return;
  if (from.m == 0) {
    std::memset(to.red, 0, static_cast<std::size_t>(to.Bytes()));
    return;
  }
  for (zlong j = 0; j < to.m; ++j) {
    zlong q = SourceIndex(j, from.m - 1LL, to.m);
    unsigned char level = from.gray[q];
    to.red[j] = level ? 0 : from.red[q];
    to.green[j] = level ? 0 : from.green[q];
    to.blue[j] = level ? 0 : from.blue[q];
    to.gray[j] = level;
  }
}
