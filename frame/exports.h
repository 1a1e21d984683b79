// The module's named exports and the calling convention of its handlers.
#ifndef LUT_FRAME_EXPORTS_H
#define LUT_FRAME_EXPORTS_H

#include "host/zorl.h"

// Marks the module's exports; everything else in it is hidden.
#define LUT_EXPORT __attribute__((visibility("default")))

// The module's error codes, relative to its error offset.
enum LUT_ERROR { VALUE_OUT_OF_RANGE = 0 };

// The module instance handle: null before the module is attached.
LUT_EXPORT HINSTANCE ZorlSystemGetLibInst();
// Reports a module error: a script error numbered offset + code, or, when
// the host gives the module no error range, a line of debug output.
LUT_EXPORT void LutError(LUT_ERROR code, const char* text);
// The processor of the host's connector; null when there is none.
LUT_EXPORT Processor* GetOwner();

extern "C" {
LUT_EXPORT char* LibGetDescription(char* dest, int n);
LUT_EXPORT const MethodEntry* LibGetMethodTable(zlong unused);
LUT_EXPORT const ErrorEntry* LibGetErrorTable();
LUT_EXPORT void LibNotify(zlong unused);
}

// The value a slot designates.
inline Variable* Arg(VarRegister* args, int i) {
  return static_cast<Variable*>(args[i]);
}
// The object a method is called on (the last slot), followed to its target.
inline Variable* Self(VarRegister* args, int argc) {
  return Arg(args, argc - 1)->GetPointer();
}

#endif
