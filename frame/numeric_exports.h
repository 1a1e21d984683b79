// The module's numeric library on host values. Two operands of one and the
// same number type are computed here; every other case goes to the host's
// general numeric service of the same kind. Byte results keep their low 8
// bits, long results wrap around at 32 bits.
#ifndef LUT_FRAME_NUMERIC_EXPORTS_H
#define LUT_FRAME_NUMERIC_EXPORTS_H

#include "frame/exports.h"

// The wider of two number types (4 to 32); 0xFFFF when either is none.
LUT_EXPORT unsigned short TopType(PVARTYPE a, PVARTYPE b);

// a op b as a new value; a and b are not changed.
LUT_EXPORT Variable operator+(const Variable& a, const Variable& b);
LUT_EXPORT Variable operator-(const Variable& a, const Variable& b);
LUT_EXPORT Variable operator*(const Variable& a, const Variable& b);
LUT_EXPORT Variable operator/(const Variable& a, const Variable& b);
LUT_EXPORT Variable operator%(const Variable& a, const Variable& b);
LUT_EXPORT Variable operator|(const Variable& a, const Variable& b);
LUT_EXPORT Variable operator&(const Variable& a, const Variable& b);
LUT_EXPORT Variable operator^(const Variable& a, const Variable& b);

// r = a op b. r may be one of the operands. A zero divisor of Div or Rest
// raises host error 10 and leaves r empty.
LUT_EXPORT void Add(Variable& r, const Variable& a, const Variable& b);
LUT_EXPORT void Sub(Variable& r, const Variable& a, const Variable& b);
LUT_EXPORT void Mul(Variable& r, const Variable& a, const Variable& b);
LUT_EXPORT void Div(Variable& r, const Variable& a, const Variable& b);
LUT_EXPORT void Rest(Variable& r, const Variable& a, const Variable& b);
LUT_EXPORT void Or(Variable& r, const Variable& a, const Variable& b);
LUT_EXPORT void And(Variable& r, const Variable& a, const Variable& b);
LUT_EXPORT void Xor(Variable& r, const Variable& a, const Variable& b);

#endif
