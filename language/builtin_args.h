// What the built-ins share: checks of their arguments that raise the error
// naming the function (its usage text), and Strings made from bytes.
#ifndef ZORL_LANGUAGE_BUILTIN_ARGS_H
#define ZORL_LANGUAGE_BUILTIN_ARGS_H

#include <string>
#include <vector>

#include "engine/host_errors.h"
#include "engine/store.h"
#include "language/builtins.h"

namespace zorl {

typedef std::vector<Variable> Args;

bool IsNumber(const Variable& v);
// Raises the error for an argument of the wrong kind; always false.
// what: "a String expected, " or ""
bool BadArgument(const char* usage, const char* what, const Variable& v,
                 zlong number = ZE_BAD_ARGUMENT);
// True for a number; else raises error 2 naming the function.
bool Number(const char* usage, const Variable& v);
// True for a String; else raises error 27 naming the function.
bool Text(const char* usage, const Variable& v);
// A count, size, frame or position: a whole number that a long holds
// (WholeNumber from values.h). what: "fill(n, x): count".
bool LongArgument(const Variable& v, const std::string& what, long long* out);

// The bytes of a String.
const ZeroedBytes& Store(const Variable& v);
// A copy of a String's bytes, for short texts such as paths.
std::string Bytes(const Variable& v);
// A String made of bytes: a copy of a std::string's, or ZeroedBytes taken
// over without a copy.
Variable TakeString(std::string&& bytes);
// True when n arguments fit a call that takes minArgs to maxArgs (-1: any
// number); else raises error 22 naming the call's usage.
bool ArgumentCount(const std::string& usage, int minArgs, int maxArgs, int n);
// Raises error 30 naming the file.
void RaiseFile(const std::string& path, const std::string& what);

}  // namespace zorl

#endif
