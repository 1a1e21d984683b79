// The module's table of error texts, by code relative to its error offset.
#ifndef LUT_FRAME_TABLES_H
#define LUT_FRAME_TABLES_H

#include "host/module.h"

extern const ErrorEntry kErrorTable[];

#endif
