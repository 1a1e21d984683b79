// The composition a * b of two tables of one class: the new table maps a
// value first through b, then through a. It starts as a copy of b whose
// entries are then looked up in a; both operands stay as they are.
//
//   c = a * b    # LUT3: every byte of b indexes a's table bytes
//                # LUTC3: each entry of b, shifted by a's BaseLine, indexes
//                # a's gray table (its gray byte) and colour tables (its sum)
#include <cstdio>

#include "frame/exports.h"
#include "frame/objects.h"
#include "triple/layout.h"
#include "triple/operations.h"

namespace {

// The argument (followed) when it is a table of class cls; host error 3
// otherwise, before anything is written.
Variable* Operand(VarRegister* args, const char* cls) {
  Variable* b = Arg(args, 0)->GetPointer();
  if (!IsInstanceOf(b, Token::GetNameID(cls))) {
    char text[64];
    std::snprintf(text, sizeof text, "%s expected", cls);
    ZorlError(ZE_BAD_PARAMETER, text);
    return nullptr;
  }
  return b;
}

// The result slot's value becomes a copy of b.
Variable* CopyOf(VarRegister* result, Variable* b) {
  Variable* out = *result;
  if (out != b) *out = *b;
  return out;
}

// An index of a's tables that lies outside them, met at entry (or byte) j.
void Report(zlong j, long long index) {
  char text[256];
  std::sprintf(text, "offset = %d, pixel value = 0x%04x", j,
               static_cast<unsigned>(SaturatedLong(index)));
  LutError(VALUE_OUT_OF_RANGE, text);
}

}  // namespace

// Every byte of b, colour and gray tables alike, indexes a's table bytes
// from their start; BaseLine takes no part. A byte at or beyond the end of
// a's bytes (a table of 42 channel entries or fewer) is reported; the bytes
// before it are composed and the rest stay b's.
void Lut3Compose(VarRegister* result, VarRegister* args, int argc, Processor*) {
  Variable* self = Self(args, argc);
  Variable* b = Operand(args, "LUT3");
  if (!b) return;
  Variable* out = CopyOf(result, b);
  Lut3View a = Lut3Of(self), from = Lut3Of(b), to = Lut3Of(out);
  if (!a.HasData() || !from.HasData() || !to.HasData()) return;
  zlong size = a.Bytes();
  zlong count = from.Bytes() < to.Bytes() ? from.Bytes() : to.Bytes();
  for (zlong k = 0; k < count; ++k) {
    unsigned char v = from.red[k];  // read before its place is written
    if (v >= size) {
      Report(k, v);
      return;
    }
    to.red[k] = a.red[v];
  }
}

// Entry by entry: the gray byte through a's gray table at 3 * (gray +
// BaseLine), the colour through a's colour tables at the sum index plus
// 3 * BaseLine. Both are tested against a's own entry count, so tables of
// different counts are composed within a's bytes. After a report the
// entries before j are composed, entry j may have its new gray byte, and
// the rest are b's.
void Lutc3Compose(VarRegister* result, VarRegister* args, int argc,
                  Processor*) {
  Variable* self = Self(args, argc);
  Variable* b = Operand(args, "LUTC3");
  if (!b) return;
  long long base = BaseLine(self);
  Variable* out = CopyOf(result, b);
  Lutc3View a = Lutc3Of(self), from = Lutc3Of(b), to = Lutc3Of(out);
  if (!a.HasData() || !from.HasData() || !to.HasData()) return;
  zlong m = from.m < to.m ? from.m : to.m;
  for (zlong j = 0; j < m; ++j) {
    // Read whole before it is written: the result may be b itself.
    long long r = from.red[j], g = from.green[j], bl = from.blue[j];
    long long level = 3 * (from.gray[j] + base);
    if (level < 0 || level >= a.m) {
      Report(j, level);
      return;
    }
    to.gray[j] = a.gray[level];
    long long s = SumIndex(r, g, bl) + 3 * base;
    if (s < 0 || s >= a.m) {
      Report(j, s);
      return;
    }
    to.blue[j] = a.blue[s];
    to.green[j] = a.green[s];
    to.red[j] = a.red[s];
  }
}
