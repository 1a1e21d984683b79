// Comparisons of values, and the truth of a condition.
#ifndef ZORL_LANGUAGE_COMPARE_H
#define ZORL_LANGUAGE_COMPARE_H

#include <string>

#include "host/variable.h"

namespace zorl {

// a op b for op one of == != < <= > >=: out becomes a boolean. Numbers of
// any kinds compare by value; == and != also compare booleans, Strings,
// Vectors (element by element) and empty, and values of different kinds
// are unequal. NaN in a comparison, an order of anything but numbers and
// == on objects raise an error (out is left empty).
void Compare(const std::string& op, const Variable& a, const Variable& b,
             Variable& out);

// Whether two values are the same at every level: the same kind, bits,
// bytes, elements and members (objects too, which == refuses). Tells
// whether a call changed a value.
bool Identical(const Variable& a, const Variable& b);

// Whether a condition holds: a boolean, or a number that is not zero.
// Anything else, and NaN, raise an error and give false in *ok.
bool Truth(const Variable& v, bool* ok);

}  // namespace zorl

#endif
