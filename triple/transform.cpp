// Transform(a, b, low, high, rect): the table becomes a ramp over the input
// range low..high. Its length is the smallest power of two above the range's
// width, BaseLine becomes -low so that low indexes entry 0, and a = 1 with
// b = 0 leaves the table as it is.
//
//   t.Transform(2.0, 0.0, 0, 254, r)    # LUT3 of 256 entries, red[i] = i
#include <limits>

#include "frame/exports.h"
#include "frame/objects.h"
#include "triple/layout.h"
#include "triple/operations.h"

namespace {

const long long kMaxLen = std::numeric_limits<zlong>::max();

// The ramp's length p for the range in slots 2 and 3, after slots 0 and 1
// have been read; 0 when a = 1 and b = 0 ask for no change.
long long RampLength(VarRegister* args, zlong* low) {
  double a = Arg(args, 0)->GetDoubleNumb();
  double b = Arg(args, 1)->GetDoubleNumb();
  if (a == 1.0 && b == 0.0) return 0;
  *low = Arg(args, 2)->GetLongNumb();
  zlong high = Arg(args, 3)->GetLongNumb();
  long long width = static_cast<long long>(high) - *low + 1;
  long long p = 2;  // the smallest power of two greater than the width
  while (p <= width) p *= 2;
  return p;
}

// BaseLine = -low, as the host's long (-low of the lowest long is itself).
void StartAt(Variable* self, zlong low) {
  SetBaseLine(self, static_cast<zlong>(0u - static_cast<zulong>(low)));
}

}  // namespace

// A LUT3 of channel length p: red = green = blue rising from 0 at entry 0 to
// 255 at entry p - 1, the gray table the default ramp. A length whose 6p
// bytes the host's long cannot hold is refused with host error 3 before
// anything changes.
void Lut3Transform(VarRegister*, VarRegister* args, int argc, Processor*) {
  Variable* self = Self(args, argc);
  zlong low = 0;
  long long n = RampLength(args, &low);
  if (n == 0) return;
  if (n > kMaxLen / 6) {
    RefuseChannelLength(n);
    return;
  }
  StartAt(self, low);
  Lut3View t = Lut3Sized(self, n);
  if (t.HasData()) {
    for (long long i = 0; i < n; ++i)
      t.red[i] = t.green[i] = t.blue[i] = static_cast<unsigned char>(
          static_cast<long long>(i * 255.0 / static_cast<double>(n - 1)));
    FillGrayRamp(t);
  }
  // The RECT's members are looked up and not used; any other value is left
  // alone, so that no member is made in an object of another class.
  Variable* rect = Arg(args, 4)->GetPointer();
  if (IsInstanceOf(rect, Token::GetNameID("RECT"))) {
    static_cast<void>((*rect)("left"));
    static_cast<void>((*rect)("right"));
  }
}

// A LUTC3 of 3p gray entries rising from 0 to 255, colour bytes 0. The RECT
// is not touched.
void Lutc3Transform(VarRegister*, VarRegister* args, int argc, Processor*) {
  Variable* self = Self(args, argc);
  zlong low = 0;
  long long p = RampLength(args, &low);
  if (p == 0) return;
  if (3 * p > kMaxLen / 4) {
    RefuseEntryCount(3 * p);
    return;
  }
  StartAt(self, low);
  Lutc3View t = Lutc3Sized(self, 3 * p);
  if (t.HasData()) FillGrayRamp(t);
}
