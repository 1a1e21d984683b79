// ConvertVoxel: one gray value or one ColorRef colour looked up in a LUT3 or
// LUTC3 table, returned as a new ColorRef. The table is not changed; a
// lookup that fails reports and makes no object.
#include <cstdio>
#include <initializer_list>

#include "frame/exports.h"
#include "frame/objects.h"
#include "triple/colour.h"
#include "triple/layout.h"
#include "triple/triple.h"

namespace {

// Indexes and components are computed wide, so that no input wraps into the
// table; the texts show them as the host's long, saturated.
void ReportIndex(long long index, zlong value) {
  char text[256];
  std::sprintf(text, "offset = %d, pixel value = 0x%04x", SaturatedLong(index),
               static_cast<unsigned>(value));
  LutError(VALUE_OUT_OF_RANGE, text);
}

void ReportColour(long long index, zlong colour, long long r, long long g,
                  long long b) {
  char text[256];
  std::sprintf(text, "offset = %d, pixel value = 0x%04x(%d,%d,%d)",
               SaturatedLong(index), static_cast<unsigned>(colour),
               SaturatedLong(r), SaturatedLong(g), SaturatedLong(b));
  LutError(VALUE_OUT_OF_RANGE, text);
}

// The clrf value of a ColorRef argument (followed). Anything else is refused
// with host error 3 and is not touched.
bool ReadColour(VarRegister* args, zlong* colour) {
  Variable* arg = Arg(args, 0)->GetPointer();
  if (!IsInstanceOf(arg, Token::GetNameID("ColorRef"))) {
    ZorlError(ZE_BAD_PARAMETER, "ColorRef expected");
    return false;
  }
  *colour = (*arg)("clrf").GetLongNumb();
  return true;
}

// The result slot's value becomes a new ColorRef holding colour.
void ColourResult(VarRegister* result, Processor* proc, zulong colour) {
  Variable* out = *result;
  proc->MakeInstance(*out, "ColorRef", nullptr, 0);
  (*out)("clrf") = static_cast<unsigned int>(colour);
}

}  // namespace

// The value plus BaseLine indexes each colour table.
void Lut3ConvertVoxel(VarRegister* result, VarRegister* args, int argc,
                      Processor* proc) {
  Variable* self = Self(args, argc);
  Lut3View t = Lut3Of(self);
  zlong base = BaseLine(self);
  zlong v = Arg(args, 0)->GetLongNumb();
  long long i = static_cast<long long>(v) + base;
  if (i < 0 || i >= t.n) {
    ReportIndex(i, v);
    return;
  }
  if (!t.HasData()) return;
  ColourResult(result, proc, PackColour(t.red[i], t.green[i], t.blue[i]));
}

// Each component indexes its own colour table, without BaseLine. In a table
// shorter than 256 entries a component may lie beyond its table: the first
// such one (red, green, blue) is reported as the offset.
void Lut3ConvertVoxelColour(VarRegister* result, VarRegister* args, int argc,
                            Processor* proc) {
  Variable* self = Self(args, argc);
  zlong c;
  if (!ReadColour(args, &c)) return;
  Lut3View t = Lut3Of(self);
  if (!t.HasData()) return;
  unsigned r = RedOf(c), g = GreenOf(c), b = BlueOf(c);
  for (unsigned component : {r, g, b})
    if (component >= static_cast<zulong>(t.n)) {
      ReportColour(component, c, r, g, b);
      return;
    }
  ColourResult(result, proc, PackColour(t.red[r], t.green[g], t.blue[b]));
}

// The gray pixel (v, v, v) shifted by BaseLine has the sum index 3(v +
// BaseLine).
void Lutc3ConvertVoxel(VarRegister* result, VarRegister* args, int argc,
                       Processor* proc) {
  Variable* self = Self(args, argc);
  Lutc3View t = Lutc3Of(self);
  zlong base = BaseLine(self);
  zlong v = Arg(args, 0)->GetLongNumb();
  long long j = 3 * (static_cast<long long>(v) + base);
  if (j < 0 || j >= t.m) {
    ReportIndex(j, v);
    return;
  }
  if (!t.HasData()) return;
  unsigned level = t.gray[j];
  ColourResult(result, proc,
               level ? PackColour(level, level, level)
                     : PackColour(t.red[j], t.green[j], t.blue[j]));
}

// Each component plus BaseLine; their sum indexes the table. A gray entry
// keeps the colour's hue and gives it the entry's brightness.
void Lutc3ConvertVoxelColour(VarRegister* result, VarRegister* args, int argc,
                             Processor* proc) {
  Variable* self = Self(args, argc);
  zlong c;
  if (!ReadColour(args, &c)) return;
  Lutc3View t = Lutc3Of(self);
  zlong base = BaseLine(self);
  long long r = static_cast<long long>(RedOf(c)) + base;
  long long g = static_cast<long long>(GreenOf(c)) + base;
  long long b = static_cast<long long>(BlueOf(c)) + base;
  long long s = SumIndex(r, g, b);
  if (s < 0 || s >= t.m) {
    ReportColour(s, c, r, g, b);
    return;
  }
  if (!t.HasData()) return;
  unsigned level = t.gray[s];
  ColourResult(result, proc,
               level ? GrayScaledColour(t.m, level, r, g, b)
                     : PackColour(t.red[s], t.green[s], t.blue[s]));
}
