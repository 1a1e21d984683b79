// Script errors and the numeric services of the host.
#ifndef ZORL_HOST_ERRORS_H
#define ZORL_HOST_ERRORS_H

#include "host/platform.h"
#include "host/variable.h"

// Host error numbers that modules raise themselves.
enum {
  ZE_NOT_A_NUMBER = 2,   // a value that is not a number read as a number
  ZE_BAD_PARAMETER = 3,  // parameter values refused
  ZE_ZERO_DIVISOR = 10,
  ZE_NOT_BOOLEAN = 73,
  ZE_NO_ELEMENTS = 77,
};

// Raise script error `number` on the processor that runs; the caller goes on.
// A null text leaves the error without a text of the caller's.
ZORL_API void ZorlError(zlong number);
ZORL_API void ZorlError(zlong number, const char* text);

// First error number of a module's range; 0xFFFF when it has none.
ZORL_API unsigned short GetErrorOffset(HINSTANCE module);

// The general numeric services: numbers of mixed types are promoted to the
// wider type (boolean, byte, long, float, double); anything that is not a
// number raises host error 2, a zero divisor host error 10. The first group
// returns a new value, the second writes into r.
ZORL_API Variable _AddNumb(const Variable& a, const Variable& b);
ZORL_API Variable _SubNumb(const Variable& a, const Variable& b);
ZORL_API Variable _MulNumb(const Variable& a, const Variable& b);
ZORL_API Variable _DivNumb(const Variable& a, const Variable& b);
ZORL_API Variable _RestNumb(const Variable& a, const Variable& b);
ZORL_API Variable _BitOrNumb(const Variable& a, const Variable& b);
ZORL_API Variable _BitAndNumb(const Variable& a, const Variable& b);
ZORL_API Variable _BitXorNumb(const Variable& a, const Variable& b);
ZORL_API void __AddNumb(Variable& r, const Variable& a, const Variable& b);
ZORL_API void __SubNumb(Variable& r, const Variable& a, const Variable& b);
ZORL_API void __MulNumb(Variable& r, const Variable& a, const Variable& b);
ZORL_API void __DivNumb(Variable& r, const Variable& a, const Variable& b);
ZORL_API void __RestNumb(Variable& r, const Variable& a, const Variable& b);
ZORL_API void _OrNumb(Variable& r, const Variable& a, const Variable& b);
ZORL_API void _AndNumb(Variable& r, const Variable& a, const Variable& b);
ZORL_API void _XorNumb(Variable& r, const Variable& a, const Variable& b);

#endif
