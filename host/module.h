// What a plug-in module gives the host: its method and error tables and the
// registration functions that the host fetches by ordinal.
#ifndef ZORL_HOST_MODULE_H
#define ZORL_HOST_MODULE_H

#include "host/platform.h"
#include "host/processor.h"
#include "host/variable.h"

// Every script method: the result slot, the argument slots (the declared
// parameters first, the object last), their count and the calling processor.
typedef void (*MethodHandler)(VarRegister* result, VarRegister* args, int argc,
                              Processor* proc);

// One row of a method table; the table ends with a row of two nulls.
struct MethodEntry {
  MethodHandler handler;
  const char* signature;
};

// One row of an error table, packed: the code is followed at once by the
// text pointer (10 bytes a row on a 32-bit build). The table ends with a row
// whose pointers are null.
#pragma pack(push, 1)
struct ErrorEntry {
  unsigned short code;
  const char* text;
  const char* name;
};
#pragma pack(pop)

// The registration functions, by ordinal: 2 description, 3 method table,
// 4 error table, 5 notification.
typedef char* (*LibGetDescriptionFn)(char* dest, int n);
typedef const MethodEntry* (*LibGetMethodTableFn)(zlong unused);
typedef const ErrorEntry* (*LibGetErrorTableFn)();
typedef void (*LibNotifyFn)(zlong unused);

#endif
