// The arithmetic operators of the script language.
#ifndef ZORL_LANGUAGE_ARITH_H
#define ZORL_LANGUAGE_ARITH_H

#include "host/variable.h"

namespace zorl {

// a op b for op one of + - * / % | & ^: numbers through the host's numeric
// services; a Vector with a number or with a Vector of as many elements,
// element by element; + joins two Strings. Anything else raises an error
// and leaves out empty. (The * of objects is a method call, made by the
// evaluator.)
void Arithmetic(char op, const Variable& a, const Variable& b, Variable& out);
// -a for a number (a byte or boolean gives a long) or a Vector of numbers.
void Negate(const Variable& a, Variable& out);

}  // namespace zorl

#endif
