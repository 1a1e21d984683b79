// IsGrayScale: whether a table leaves gray pixels gray.
#include "frame/exports.h"
#include "triple/layout.h"
#include "triple/operations.h"

namespace {

bool SameColour(const unsigned char* r, const unsigned char* g,
                const unsigned char* b, zlong i) {
  return r[i] == g[i] && g[i] == b[i];
}

// The result slot's value becomes the boolean answer.
void Answer(VarRegister* result, bool gray) {
  static_cast<Variable*>(*result)->SetBoolean(gray);
}

}  // namespace

// Every channel entry has red = green = blue; the gray table is not looked
// at. A table without data leaves the result untouched.
void Lut3IsGrayScale(VarRegister* result, VarRegister* args, int argc,
                     Processor*) {
  Lut3View t = Lut3Of(Self(args, argc));
  if (!t.HasData()) return;
  zlong i = 0;
  while (i < t.n && SameColour(t.red, t.green, t.blue, i)) ++i;
  Answer(result, i == t.n);
}

// Every entry is a gray entry or a colour with red = green = blue.
void Lutc3IsGrayScale(VarRegister* result, VarRegister* args, int argc,
                      Processor*) {
  Lutc3View t = Lutc3Of(Self(args, argc));
  if (!t.HasData()) return;
  zlong j = 0;
  while (j < t.m && (t.gray[j] != 0 || SameColour(t.red, t.green, t.blue, j)))
    ++j;
  Answer(result, j == t.m);
}
