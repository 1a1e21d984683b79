// Making and describing host values from C++ (the engine, its tests and the
// script language use these).
#ifndef ZORL_ENGINE_VALUES_H
#define ZORL_ENGINE_VALUES_H

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "host/errors.h"
#include "host/variable.h"

namespace zorl {

ZORL_API Variable MakeBoolean(bool b);
ZORL_API Variable MakeByte(unsigned char b);
ZORL_API Variable MakeLong(zlong l);
ZORL_API Variable MakeFloat(float f);
ZORL_API Variable MakeDouble(double d);
ZORL_API Variable MakeAddress(std::uintptr_t a);
// Strings and Vectors are charged to the memory budget: making one that the
// budget refuses throws zorl::OverBudget (a std::bad_alloc).
ZORL_API Variable MakeString(const std::string& bytes);
// A String whose bytes are n bytes of the embedder's at p, without a copy
// (ZeroedBytes::Borrow): lender keeps them alive while the String holds them.
ZORL_API Variable MakeBorrowedString(char* p, std::size_t n,
                                     std::shared_ptr<void> lender);
ZORL_API Variable MakeVector(std::vector<Variable> elems);
ZORL_API Variable MakeLongVector(const std::vector<zlong>& elems);
// A reference to target; the caller keeps target alive while it is used.
ZORL_API Variable MakeReference(Variable* target);

// The bytes of a String (empty for any other value).
ZORL_API std::string StringBytes(const Variable& v);
// The type or class name of a value: "empty", "boolean", "byte", "long",
// "float", "double", "address", "String", "Vector", a class name, "reference".
ZORL_API std::string TypeName(const Variable& v);
// The type name after its article, as a message says it: "a long", "an
// empty", "an Image".
ZORL_API std::string ATypeName(const Variable& v);
ZORL_API std::string WithArticle(const std::string& name);
// The names of an object's members, sorted (none for any other value).
ZORL_API std::vector<std::string> MemberNames(const Variable& v);
// The value as `print` shows it.
ZORL_API std::string Describe(const Variable& v);
// A number's shortest decimal text that reads back the same value.
ZORL_API std::string FormatDouble(double d);
ZORL_API std::string FormatFloat(float f);

// The whole numbers a long holds.
constexpr long long kLongLowest = -2147483648LL, kLongHighest = 2147483647LL;

// A count, size, position or index read from a number: the whole number v
// holds when it is one from lo to hi. Otherwise false and an error naming
// it after what ("index", "fill(n, x): count"): error 2 for a value that is
// no number (a boolean neither), error 27 "WHAT V is not a whole number"
// for NaN, an infinity or a fraction, and error `outside` "WHAT V is not LO
// to HI" (or "WHAT V" + beyond) for a whole number outside lo..hi.
bool WholeNumber(const Variable& v, const std::string& what, long long lo,
                 long long hi, long long* out, zlong outside = ZE_BAD_PARAMETER,
                 const std::string& beyond = "");

}  // namespace zorl

#endif
