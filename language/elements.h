// One element of a Vector or one byte of a String, and slices of either.
#ifndef ZORL_LANGUAGE_ELEMENTS_H
#define ZORL_LANGUAGE_ELEMENTS_H

#include <cstddef>

#include "host/variable.h"

namespace zorl {

// The place of seq[index] in a Vector or String: false (and the error) for
// an index that is no whole number from 0 to the length - 1, or a seq that
// has no elements.
bool ElementIndex(const Variable& seq, const Variable& index, std::size_t* at);
// seq[index]: a copy of a Vector's element, or a String's byte as a long.
// An index is a whole number from 0 to the length - 1; any other raises an
// error naming it and the length (out is left empty).
void ReadElement(const Variable& seq, const Variable& index, Variable& out);
// seq[from:to]: the elements or bytes from..to-1, a new value of the same
// kind; a bound left out (null) is the start or the end.
void ReadSlice(const Variable& seq, const Variable* from, const Variable* to,
               Variable& out);
// seq[index] = value: in place, without copying the rest; a String's byte
// takes a number from 0 to 255.
void WriteElement(Variable& seq, const Variable& index, Variable&& value);

}  // namespace zorl

#endif
