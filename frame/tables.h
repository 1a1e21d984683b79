// The module's two static tables.
#ifndef LUT_FRAME_TABLES_H
#define LUT_FRAME_TABLES_H

#include "host/module.h"

extern const MethodEntry kMethodTable[];
extern const ErrorEntry kErrorTable[];

#endif
