// Comparisons of values, and the truth of a condition.
#include "language/compare.h"

#include <cmath>
#include <cstring>

#include "engine/host_errors.h"
#include "engine/store.h"
#include "engine/values.h"

namespace zorl {

namespace {

// Whether two Strings hold the same bytes.
bool SameBytes(const Variable& a, const Variable& b) {
  const ZeroedBytes& x = static_cast<const StringStore*>(a.val.store)->bytes;
  const ZeroedBytes& y = static_cast<const StringStore*>(b.val.store)->bytes;
  return x.size() == y.size() &&
         std::memcmp(x.data(), y.data(), x.size()) == 0;
}

const Variable& Follow(const Variable& v) {
  return v.type == PV_REFERENCE && v.val.ref ? *v.val.ref : v;
}

bool IsNumber(const Variable& v) {
  return v.type == PV_BYTE || v.type == PV_LONG || v.type == PV_FLOAT ||
         v.type == PV_DOUBLE;
}
bool IsWhole(const Variable& v) {
  return v.type == PV_BYTE || v.type == PV_LONG;
}

// -1, 0 or 1 for two numbers; false for NaN (after raising the error).
bool Order(const Variable& a, const Variable& b, int* order) {
  if (IsWhole(a) && IsWhole(b)) {
    long long x = a.GetLongNumb(), y = b.GetLongNumb();
    *order = x < y ? -1 : x > y ? 1 : 0;
    return true;
  }
  double x = a.GetDoubleNumb(), y = b.GetDoubleNumb();
  if (std::isnan(x) || std::isnan(y)) {
    RaiseHostError(ZE_BAD_ARGUMENT, "a comparison with NaN");
    return false;
  }
  *order = x < y ? -1 : x > y ? 1 : 0;
  return true;
}

// Whether a and b are equal; false in *ok after an error.
bool Equal(const Variable& a0, const Variable& b0, bool* ok) {
  const Variable& a = Follow(a0);
  const Variable& b = Follow(b0);
  if (IsNumber(a) && IsNumber(b)) {
    int order = 0;
    *ok = Order(a, b, &order);
    return order == 0;
  }
  // Any value compares with empty: only empty equals it.
  if (a.type == PV_EMPTY || b.type == PV_EMPTY) return a.type == b.type;
  if (a.type == PV_OBJECT || b.type == PV_OBJECT) {
    RaiseHostError(ZE_BAD_ARGUMENT,
                   "== compares numbers, booleans, Strings and Vectors, not " +
                       ATypeName(a.type == PV_OBJECT ? a : b));
    *ok = false;
    return false;
  }
  if (a.type != b.type) return false;
  switch (a.type) {
    case PV_BOOLEAN:
      return (a.val.l != 0) == (b.val.l != 0);
    case PV_STRING:
      return SameBytes(a, b);
    case PV_VECTOR: {
      const auto& x = static_cast<const VectorStore*>(a.val.store)->elems;
      const auto& y = static_cast<const VectorStore*>(b.val.store)->elems;
      if (x.size() != y.size()) return false;
      for (std::size_t i = 0; i < x.size(); ++i)
        if (!Equal(x[i], y[i], ok) || !*ok) return false;
      return true;
    }
    case PV_ADDRESS:
      return a.val.a == b.val.a;
    default:
      return true;  // empty
  }
}

}  // namespace

void Compare(const std::string& op, const Variable& a0, const Variable& b0,
             Variable& out) {
  const Variable& a = Follow(a0);
  const Variable& b = Follow(b0);
  out._Clear();
  bool ok = true;
  if (op == "==" || op == "!=") {
    bool eq = Equal(a, b, &ok);
    if (ok) out = MakeBoolean(eq == (op == "=="));
    return;
  }
  if (!IsNumber(a) || !IsNumber(b)) {
    RaiseHostError(ZE_NOT_A_NUMBER, "operand of " + op + " is " +
                                        ATypeName(IsNumber(a) ? b : a));
    return;
  }
  int order = 0;
  if (!Order(a, b, &order)) return;
  bool holds = op == "<"    ? order < 0
               : op == "<=" ? order <= 0
               : op == ">"  ? order > 0
                            : order >= 0;
  out = MakeBoolean(holds);
}

bool Identical(const Variable& a0, const Variable& b0) {
  const Variable& a = Follow(a0);
  const Variable& b = Follow(b0);
  if (a.type != b.type) return false;
  switch (a.type) {
    case PV_EMPTY:
      return true;
    case PV_BYTE:
      return a.val.b == b.val.b;
    case PV_BOOLEAN:
    case PV_LONG:
      return a.val.l == b.val.l;
    case PV_FLOAT:
      return std::memcmp(&a.val.f, &b.val.f, sizeof(float)) == 0;
    case PV_DOUBLE:
      return std::memcmp(a.val.d, b.val.d, sizeof(double)) == 0;
    case PV_STRING:
      return SameBytes(a, b);
    case PV_VECTOR: {
      const auto& x = static_cast<const VectorStore*>(a.val.store)->elems;
      const auto& y = static_cast<const VectorStore*>(b.val.store)->elems;
      if (x.size() != y.size()) return false;
      for (std::size_t i = 0; i < x.size(); ++i)
        if (!Identical(x[i], y[i])) return false;
      return true;
    }
    case PV_OBJECT: {
      const ObjectStore* x = AsObject(&a);
      const ObjectStore* y = AsObject(&b);
      if (x->cls != y->cls || x->hasData != y->hasData ||
          x->bytes != y->bytes || x->native != y->native ||
          x->members.size() != y->members.size())
        return false;
      for (auto i = x->members.begin(), j = y->members.begin();
           i != x->members.end(); ++i, ++j)
        if (i->first != j->first || !Identical(i->second, j->second))
          return false;
      return true;
    }
    default:
      return a.val.a == b.val.a;
  }
}

bool Truth(const Variable& v0, bool* ok) {
  const Variable& v = Follow(v0);
  *ok = true;
  if (v.type == PV_BOOLEAN) return v.val.l != 0;
  if (IsNumber(v)) {
    double d = v.GetDoubleNumb();
    if (!std::isnan(d)) return d != 0;
    RaiseHostError(ZE_BAD_ARGUMENT, "a condition is NaN");
  } else {
    RaiseHostError(ZE_NOT_BOOLEAN, "a condition is " + ATypeName(v) +
                                       ", not a boolean or a number");
  }
  *ok = false;
  return false;
}

}  // namespace zorl
