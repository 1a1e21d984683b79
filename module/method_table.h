// The module's method table: every script signature and its handler, ended
// by a null row.
#ifndef LUT_MODULE_METHOD_TABLE_H
#define LUT_MODULE_METHOD_TABLE_H

#include "host/module.h"

extern const MethodEntry kMethodTable[];

#endif
