// Finding a built-in function by name in the tables of its families.
#include "language/builtins.h"

namespace zorl {

const Builtin* FindBuiltin(const std::string& name) {
  static const Builtin* const kFamilies[] = {
      kValueBuiltins, kFileBuiltins,     kImageBuiltins,   kPaletteBuiltins,
      kPathBuiltins,  kProgressBuiltins, kPlotBuiltins,    kMathBuiltins,
      kTextBuiltins,  kVectorBuiltins,   kDisplayBuiltins, kThreadBuiltins};
  for (const Builtin* family : kFamilies)
    for (const Builtin* b = family; b->name; ++b)
      if (name == b->name) return b;
  return nullptr;
}

const PlaceBuiltin* FindPlaceBuiltin(const std::string& name) {
  for (const PlaceBuiltin* b = kPlaceBuiltins; b->name; ++b)
    if (name == b->name) return b;
  return nullptr;
}

}  // namespace zorl
