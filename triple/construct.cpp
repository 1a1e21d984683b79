// Construction of LUT3 and LUTC3 tables: default ramps, tables from Vectors,
// and each class made from the other. A constructor sets BaseLine first,
// then (after its checks) the byte length, then fills every entry.
#include <limits>

#include "frame/exports.h"
#include "triple/layout.h"
#include "triple/triple.h"

namespace {

const zlong kDefaultChannelLength = 256;

// The channel length of LUT3(void) / LUT3(int), and LUTC3 alike.
zlong ChannelLength(VarRegister* args, int argc) {
  return argc == 1 ? kDefaultChannelLength : Arg(args, 0)->GetLongNumb();
}

// The Vector parameters, followed; a value without elements counts 0.
Variable* VectorArg(VarRegister* args, int i) {
  return Arg(args, i)->GetPointer();
}

// Entries from the elements of a Vector, each as an unsigned byte.
void CopyElements(Variable* vec, unsigned char* to, zlong count) {
  for (zlong i = 0; i < count; ++i) to[i] = (*vec)[i].GetCharNumb();
}

// LUT3 from three Vectors and, when gray is given, a fourth of 3n elements.
void Lut3FromVectors(VarRegister* args, int argc, bool withGray) {
  Variable* self = Self(args, argc);
  Variable* red = VectorArg(args, 0);
  Variable* green = VectorArg(args, 1);
  Variable* blue = VectorArg(args, 2);
  zlong n = red->GetCount();
  SetBaseLine(self, 0);
  if (green->GetCount() != n || blue->GetCount() != n ||
      (withGray && VectorArg(args, 3)->GetCount() != 3LL * n)) {
    ZorlError(ZE_BAD_PARAMETER);
    return;
  }
  Lut3View t = Lut3Sized(self, n);
  if (!t.HasData()) return;
  CopyElements(red, t.red, n);
  CopyElements(green, t.green, n);
  CopyElements(blue, t.blue, n);
  if (withGray)
    CopyElements(VectorArg(args, 3), t.gray, t.GrayCount());
  else
    FillGrayRamp(t);
}

// LUTC3 from three Vectors (colour entries only) or four (with the gray
// table itself, m entries).
void Lutc3FromVectors(VarRegister* args, int argc, bool withGray) {
  Variable* self = Self(args, argc);
  zlong m = VectorArg(args, 0)->GetCount();
  int tables = withGray ? 4 : 3;
  SetBaseLine(self, 0);
  for (int k = 1; k < tables; ++k)
    if (VectorArg(args, k)->GetCount() != m) {
      ZorlError(ZE_BAD_PARAMETER);
      return;
    }
  Lutc3View t = Lutc3Sized(self, m);
  if (!t.HasData()) return;
  for (int k = 0; k < tables; ++k)
    CopyElements(VectorArg(args, k), TableOf(t, k).first, m);
  if (!withGray)
    for (zlong j = 0; j < m; ++j) t.gray[j] = 0;
}

}  // namespace

void Lut3New(VarRegister*, VarRegister* args, int argc, Processor*) {
  Variable* self = Self(args, argc);
  zlong n = ChannelLength(args, argc);
  SetBaseLine(self, 0);
  Lut3View t = Lut3Sized(self, n);
  if (!t.HasData()) return;
  for (long long i = 0; i < n; ++i)
    t.red[i] = t.green[i] = t.blue[i] = static_cast<unsigned char>(i * 256 / n);
  FillGrayRamp(t);
}

void Lut3NewFrom3Vectors(VarRegister*, VarRegister* args, int argc,
                         Processor*) {
  Lut3FromVectors(args, argc, false);
}

void Lut3NewFrom4Vectors(VarRegister*, VarRegister* args, int argc,
                         Processor*) {
  Lut3FromVectors(args, argc, true);
}

void Lutc3New(VarRegister*, VarRegister* args, int argc, Processor*) {
  Variable* self = Self(args, argc);
  zlong n = ChannelLength(args, argc);
  SetBaseLine(self, 0);
  if (n < 0 || n > std::numeric_limits<zlong>::max() / 12) {
    RefuseChannelLength(n);
    return;
  }
  Lutc3View t = Lutc3Sized(self, 3LL * n);
  if (!t.HasData()) return;
  FillGrayRamp(t);
}

void Lutc3NewFrom3Vectors(VarRegister*, VarRegister* args, int argc,
                          Processor*) {
  Lutc3FromVectors(args, argc, false);
}

void Lutc3NewFrom4Vectors(VarRegister*, VarRegister* args, int argc,
                          Processor*) {
  Lutc3FromVectors(args, argc, true);
}

// LUT3 channel entry q becomes LUTC3 entries 3q to 3q + 2: a gray entry when
// its three components are equal, else a colour entry. The LUT3 gray table
// is not read.
void Lutc3NewFromLut3(VarRegister*, VarRegister* args, int argc, Processor*) {
  Variable* self = Self(args, argc);
  Variable* src = Arg(args, 0)->GetPointer();
  Lut3View from = Lut3Of(src);
  if (!from.HasData()) return;
  CopyBaseLine(self, src);
  Lutc3View to = Lutc3Sized(self, 3LL * from.n);
  if (!to.HasData()) return;
  for (zlong j = 0; j < to.m; ++j) {
    zlong q = j / 3;
    unsigned char r = from.red[q], g = from.green[q], b = from.blue[q];
    bool gray = r == g && g == b;
    to.red[j] = gray ? 0 : r;
    to.green[j] = gray ? 0 : g;
    to.blue[j] = gray ? 0 : b;
    to.gray[j] = gray ? r : 0;
  }
}

// LUTC3 entry 3i gives LUT3 channel entry i; every LUTC3 entry j below 3n
// gives gray[j]: its gray level, or the truncated mean of its colour. The
// last one or two entries of a LUTC3 whose count is no multiple of 3 are
// not read.
void Lut3NewFromLutc3(VarRegister*, VarRegister* args, int argc, Processor*) {
  Variable* self = Self(args, argc);
  Variable* src = Arg(args, 0)->GetPointer();
  Lutc3View from = Lutc3Of(src);
  if (!from.HasData()) return;
  CopyBaseLine(self, src);
  Lut3View to = Lut3Sized(self, from.m / 3);
  if (!to.HasData()) return;
  for (zlong i = 0; i < to.n; ++i) {
    zlong e = 3 * i;
    unsigned char level = from.gray[e];
    to.red[i] = level ? level : from.red[e];
    to.green[i] = level ? level : from.green[e];
    to.blue[i] = level ? level : from.blue[e];
  }
  for (zlong j = 0; j < to.GrayCount(); ++j) {
    unsigned char level = from.gray[j];
    to.gray[j] = level ? level
                       : static_cast<unsigned char>(
                             (from.red[j] + from.green[j] + from.blue[j]) / 3);
  }
}
