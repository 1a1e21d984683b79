// Handlers of the three-channel tables LUT3 and LUTC3.
#ifndef LUT_TRIPLE_TRIPLE_H
#define LUT_TRIPLE_TRIPLE_H

#include "host/zorl.h"

#define LUT_HANDLER(name) \
  void name(VarRegister* result, VarRegister* args, int argc, Processor* proc)

// Construction (argc tells LUT3(void) from LUT3(int), and LUTC3 alike).
LUT_HANDLER(Lut3New);
LUT_HANDLER(Lut3NewFrom3Vectors);
LUT_HANDLER(Lut3NewFrom4Vectors);
LUT_HANDLER(Lut3NewFromLutc3);
LUT_HANDLER(Lutc3New);
LUT_HANDLER(Lutc3NewFrom3Vectors);
LUT_HANDLER(Lutc3NewFrom4Vectors);
LUT_HANDLER(Lutc3NewFromLut3);

// Whole tables and single entries.
LUT_HANDLER(Lut3GetTable);
LUT_HANDLER(Lut3SetItem);
LUT_HANDLER(Lut3GetItem);
LUT_HANDLER(Lutc3GetTable);
LUT_HANDLER(Lutc3SetItem);
LUT_HANDLER(Lutc3GetItem);

// Single pixel lookups; each makes a new ColorRef.
LUT_HANDLER(Lut3ConvertVoxel);
LUT_HANDLER(Lut3ConvertVoxelColour);
LUT_HANDLER(Lutc3ConvertVoxel);
LUT_HANDLER(Lutc3ConvertVoxelColour);

#undef LUT_HANDLER

#endif
