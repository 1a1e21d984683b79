// The buffer conversions of LUT3 and LUTC3: destination first, source
// second, each a String or a connected Buffer object.
#ifndef LUT_TRIPLE_CONVERT_H
#define LUT_TRIPLE_CONVERT_H

#include "host/zorl.h"

#define LUT_HANDLER(name) \
  void name(VarRegister* result, VarRegister* args, int argc, Processor* proc)

// To one byte per pixel.
LUT_HANDLER(Lut3Convert1To1);
LUT_HANDLER(Lut3Convert2To1);
LUT_HANDLER(Lut3Convert3To1);
LUT_HANDLER(Lutc3Convert1To1);
LUT_HANDLER(Lutc3Convert2To1);
LUT_HANDLER(Lutc3Convert3To1);

// To three bytes per pixel (blue, green, red).
LUT_HANDLER(Lut3Convert3To3);
LUT_HANDLER(Lut3Convert2To3);
LUT_HANDLER(Lut3ConvertU2To3);
LUT_HANDLER(Lut3Convert1To3);
LUT_HANDLER(Lutc3Convert3To3);
LUT_HANDLER(Lutc3Convert2To3);
LUT_HANDLER(Lutc3Convert1To3);

// To 2-byte pixels of 0 to 4095.
LUT_HANDLER(Lut3Convert2To2);
LUT_HANDLER(Lutc3Convert2To2);

#undef LUT_HANDLER

#endif
