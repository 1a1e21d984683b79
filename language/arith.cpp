// The operators of the language over numbers, Vectors and Strings.
#include "language/arith.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "engine/host_errors.h"
#include "engine/machine.h"
#include "engine/store.h"
#include "engine/values.h"
#include "host/errors.h"

namespace zorl {

namespace {

const Variable& Follow(const Variable& v) {
  return v.type == PV_REFERENCE && v.val.ref ? *v.val.ref : v;
}

const std::vector<Variable>& Elements(const Variable& v) {
  return static_cast<const VectorStore*>(v.val.store)->elems;
}

std::size_t Pending() {
  Machine* m = RunningMachine();
  return m ? m->pending.size() : 0;
}

Variable Numbers(char op, const Variable& a, const Variable& b) {
  switch (op) {
    case '+':
      return _AddNumb(a, b);
    case '-':
      return _SubNumb(a, b);
    case '*':
      return _MulNumb(a, b);
    case '/':
      return _DivNumb(a, b);
    case '%':
      return _RestNumb(a, b);
    case '|':
      return _BitOrNumb(a, b);
    case '&':
      return _BitAndNumb(a, b);
    default:
      return _BitXorNumb(a, b);
  }
}

}  // namespace

void Arithmetic(char op, const Variable& a0, const Variable& b0,
                Variable& out) {
  const Variable& a = Follow(a0);
  const Variable& b = Follow(b0);
  bool va = a.type == PV_VECTOR, vb = b.type == PV_VECTOR;
  if (!va && !vb) {
    if (op == '+' && a.type == PV_STRING && b.type == PV_STRING) {
      const ZeroedBytes& x =
          static_cast<const StringStore*>(a.val.store)->bytes;
      const ZeroedBytes& y =
          static_cast<const StringStore*>(b.val.store)->bytes;
      long long n =
          static_cast<long long>(x.size()) + static_cast<long long>(y.size());
      if (n > MaxBytes()) {
        RaiseHostError(ZE_NO_MEMORY, "operands of +: a String of " +
                                         std::to_string(x.size()) + " + " +
                                         std::to_string(y.size()) +
                                         " bytes, more than " +
                                         std::to_string(MaxBytes()));
        out._Clear();
        return;
      }
      // Made in place, without copies of the operands on the way.
      Variable joined;
      joined.Init(PV_STRING, static_cast<zlong>(n));
      if (joined.type != PV_STRING) {  // no memory: Init raised it
        out._Clear();
        return;
      }
      std::copy(x.data(), x.data() + x.size(), joined.GetData());
      std::copy(y.data(), y.data() + y.size(), joined.GetData() + x.size());
      out = std::move(joined);
      return;
    }
    out = Numbers(op, a, b);
    return;
  }
  std::size_t n = va ? Elements(a).size() : Elements(b).size();
  // A String joined to every element of a Vector: the result grows by the
  // String's length for each element.
  const Variable& single = va ? b : a;
  if (op == '+' && !(va && vb) && single.type == PV_STRING &&
      !CheckVectorSize("operands of +", Elements(va ? a : b), 1,
                       single.GetLen())) {
    out._Clear();
    return;
  }
  if (va && vb && Elements(b).size() != n) {
    RaiseHostError(ZE_BAD_ARGUMENT,
                   std::string("operands of ") + op + " are Vectors of " +
                       std::to_string(n) + " and " +
                       std::to_string(Elements(b).size()) + " elements");
    out._Clear();
    return;
  }
  std::vector<Variable> elems(n);
  std::size_t before = Pending();
  for (std::size_t i = 0; i < n; ++i) {
    Arithmetic(op, va ? Elements(a)[i] : a, vb ? Elements(b)[i] : b, elems[i]);
    if (Pending() != before) {  // the first failing element ends it
      out._Clear();
      return;
    }
  }
  out = MakeVector(std::move(elems));
}

void Negate(const Variable& a0, Variable& out) {
  const Variable& a = Follow(a0);
  switch (a.type) {
    case PV_BOOLEAN:
    case PV_BYTE:
    case PV_LONG:
      out = MakeLong(
          static_cast<zlong>(0u - static_cast<std::uint32_t>(a.GetLongNumb())));
      return;
    case PV_FLOAT:
      out = MakeFloat(-a.val.f);
      return;
    case PV_DOUBLE:
      out = MakeDouble(-a.GetDoubleNumb());
      return;
    case PV_VECTOR: {
      std::vector<Variable> elems(Elements(a).size());
      std::size_t before = Pending();
      for (std::size_t i = 0; i < elems.size(); ++i) {
        Negate(Elements(a)[i], elems[i]);
        if (Pending() != before) {
          out._Clear();
          return;
        }
      }
      out = MakeVector(std::move(elems));
      return;
    }
    default:
      RaiseHostError(ZE_NOT_A_NUMBER,
                     "operand of - is " + ATypeName(a) + ", no number");
      out._Clear();
  }
}

}  // namespace zorl
