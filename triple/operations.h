// Whole-table operations of LUT3 and LUTC3: composition, the gray test,
// Transform, Stretch and the shrink. Composition, Stretch and Shrink make a
// new table in the result slot; Transform rewrites its own object.
#ifndef LUT_TRIPLE_OPERATIONS_H
#define LUT_TRIPLE_OPERATIONS_H

#include "host/zorl.h"

#define LUT_HANDLER(name) \
  void name(VarRegister* result, VarRegister* args, int argc, Processor* proc)

// a * b: a new table that maps a value through b, then through a.
LUT_HANDLER(Lut3Compose);
LUT_HANDLER(Lutc3Compose);

// True when the table keeps gray pixels gray.
LUT_HANDLER(Lut3IsGrayScale);
LUT_HANDLER(Lutc3IsGrayScale);

// The table becomes a ramp over an input range.
LUT_HANDLER(Lut3Transform);
LUT_HANDLER(Lutc3Transform);

// A new table of another length, resampled.
LUT_HANDLER(Lut3Stretch);
LUT_HANDLER(Lutc3Stretch);

// A new table shrunk onto a window; one flag for both sides of the window,
// or one per side.
LUT_HANDLER(Lut3Shrink);
LUT_HANDLER(Lut3ShrinkTwoFlags);
LUT_HANDLER(Lutc3Shrink);
LUT_HANDLER(Lutc3ShrinkTwoFlags);

#undef LUT_HANDLER

#endif
