// The built-in functions of the script language.
#ifndef ZORL_LANGUAGE_BUILTINS_H
#define ZORL_LANGUAGE_BUILTINS_H

#include <ostream>
#include <string>
#include <vector>

#include "engine/engine.h"

namespace zorl {

struct BuiltinContext {
  Engine& engine;
  std::ostream& out;  // where print writes
};

// A built-in function: it reads its arguments, raises its errors through
// the running engine and leaves its value in result.
typedef void (*BuiltinFn)(BuiltinContext& cx, std::vector<Variable>& args,
                          Variable& result);

struct Builtin {
  const char* name;
  int minArgs, maxArgs;  // maxArgs -1: any number
  BuiltinFn fn;
  const char* usage;  // "len(x)"
  bool files;         // reads or writes files
};

// The families of built-ins, each a table ended by a row of nulls.
extern const Builtin kValueBuiltins[];     // builtins_values.cpp
extern const Builtin kFileBuiltins[];      // builtins_files.cpp
extern const Builtin kImageBuiltins[];     // builtins_images.cpp
extern const Builtin kPaletteBuiltins[];   // builtins_palettes.cpp
extern const Builtin kPathBuiltins[];      // builtins_paths.cpp
extern const Builtin kProgressBuiltins[];  // builtins_progress.cpp
extern const Builtin kPlotBuiltins[];      // builtins_plots.cpp
extern const Builtin kMathBuiltins[];      // builtins_math.cpp
extern const Builtin kTextBuiltins[];      // builtins_text.cpp
extern const Builtin kVectorBuiltins[];    // builtins_vectors.cpp
extern const Builtin kDisplayBuiltins[];   // builtins_display.cpp
extern const Builtin kThreadBuiltins[];    // builtins_threads.cpp

// The built-in function of that name; null when there is none.
ZORL_API const Builtin* FindBuiltin(const std::string& name);

// A built-in that changes its first argument, a variable or an element, in
// place (append); the others come as values in args.
typedef void (*PlaceBuiltinFn)(BuiltinContext& cx, Variable& place,
                               std::vector<Variable>& args, Variable& result);
struct PlaceBuiltin {
  const char* name;
  int minArgs, maxArgs;  // counting the place
  PlaceBuiltinFn fn;
  const char* usage;
};
extern const PlaceBuiltin kPlaceBuiltins[];  // builtins_vectors.cpp
const PlaceBuiltin* FindPlaceBuiltin(const std::string& name);

}  // namespace zorl

#endif
