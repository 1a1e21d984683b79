// The general numeric services: arithmetic on values of any number types,
// promoted to the wider type (boolean counts as long; byte < long < float <
// double). Byte and long arithmetic wraps around; a zero divisor and a value
// that is not a number are errors, and the result is then empty.
#include <cmath>
#include <cstdint>
#include <string>

#include "engine/host_errors.h"
#include "host/errors.h"
#include "host/variable.h"

namespace {

enum class Op { kAdd, kSub, kMul, kDiv, kRest, kOr, kAnd, kXor };

const char* OpName(Op op) {
  static const char* names[] = {"+", "-", "*", "/", "%", "|", "&", "^"};
  return names[static_cast<int>(op)];
}

// The type a number takes part in arithmetic with; 0 for no number.
PVARTYPE Rank(const Variable& v) {
  switch (v.GetType()) {
    case PV_BOOLEAN:
    case PV_LONG:
      return PV_LONG;
    case PV_BYTE:
    case PV_FLOAT:
    case PV_DOUBLE:
      return v.GetType();
    case PV_REFERENCE:
      return v.val.ref ? Rank(*v.val.ref) : 0;
    default:
      return 0;
  }
}

template <typename T>
bool IsZero(T d) {
  return d == 0 || d != d;  // a NaN divisor counts as zero
}

// Floating-point arithmetic, rounded to the operands' precision.
template <typename T>
T Float(Op op, T x, T y) {
  switch (op) {
    case Op::kAdd:
      return x + y;
    case Op::kSub:
      return x - y;
    case Op::kMul:
      return x * y;
    case Op::kDiv:
      return x / y;
    default:
      return std::fmod(x, y);
  }
}

Variable Compute(Op op, const Variable& a, const Variable& b) {
  PVARTYPE ta = Rank(a), tb = Rank(b);
  Variable r;
  if (!ta || !tb) {
    zorl::RaiseHostError(ZE_NOT_A_NUMBER, std::string("operand of ") +
                                              OpName(op) + " is no number");
    return r;
  }
  PVARTYPE t = ta > tb ? ta : tb;
  bool bitwise = op == Op::kOr || op == Op::kAnd || op == Op::kXor;
  if (bitwise && t > PV_LONG) {
    zorl::RaiseHostError(zorl::ZE_BAD_ARGUMENT,
                         std::string(OpName(op)) + " takes integers only");
    return r;
  }
  bool divides = op == Op::kDiv || op == Op::kRest;
  if (t == PV_BYTE || t == PV_LONG) {
    // Unsigned arithmetic wraps without overflow; the result is cut to size.
    std::uint32_t x = static_cast<std::uint32_t>(a.GetLongNumb());
    std::uint32_t y = static_cast<std::uint32_t>(b.GetLongNumb());
    if (divides && y == 0) {
      ZorlError(ZE_ZERO_DIVISOR);
      return r;
    }
    std::uint32_t v = 0;
    switch (op) {
      case Op::kAdd:
        v = x + y;
        break;
      case Op::kSub:
        v = x - y;
        break;
      case Op::kMul:
        v = x * y;
        break;
      case Op::kOr:
        v = x | y;
        break;
      case Op::kAnd:
        v = x & y;
        break;
      case Op::kXor:
        v = x ^ y;
        break;
      case Op::kDiv:
      case Op::kRest:
        if (t == PV_BYTE) {
          v = op == Op::kDiv ? x / y : x % y;
        } else {
          std::int64_t sx = static_cast<std::int32_t>(x);
          std::int64_t sy = static_cast<std::int32_t>(y);
          // Done in 64 bits: the smallest long over -1 wraps to itself.
          v = static_cast<std::uint32_t>(op == Op::kDiv ? sx / sy : sx % sy);
        }
        break;
    }
    if (t == PV_BYTE)
      r = static_cast<unsigned char>(v);
    else
      r = static_cast<int>(v);
    return r;
  }
  double x = a.GetDoubleNumb(), y = b.GetDoubleNumb();
  if (divides && IsZero(t == PV_FLOAT ? static_cast<float>(y) : y)) {
    ZorlError(ZE_ZERO_DIVISOR);
    return r;
  }
  if (t == PV_FLOAT) {
    r = Float(op, static_cast<float>(x), static_cast<float>(y));
  } else {
    r = Float(op, x, y);
  }
  return r;
}

}  // namespace

Variable _AddNumb(const Variable& a, const Variable& b) {
  return Compute(Op::kAdd, a, b);
}
Variable _SubNumb(const Variable& a, const Variable& b) {
  return Compute(Op::kSub, a, b);
}
Variable _MulNumb(const Variable& a, const Variable& b) {
  return Compute(Op::kMul, a, b);
}
Variable _DivNumb(const Variable& a, const Variable& b) {
  return Compute(Op::kDiv, a, b);
}
Variable _RestNumb(const Variable& a, const Variable& b) {
  return Compute(Op::kRest, a, b);
}
Variable _BitOrNumb(const Variable& a, const Variable& b) {
  return Compute(Op::kOr, a, b);
}
Variable _BitAndNumb(const Variable& a, const Variable& b) {
  return Compute(Op::kAnd, a, b);
}
Variable _BitXorNumb(const Variable& a, const Variable& b) {
  return Compute(Op::kXor, a, b);
}

// The in-place forms compute first and then assign, so r may be an operand.
void __AddNumb(Variable& r, const Variable& a, const Variable& b) {
  r = Compute(Op::kAdd, a, b);
}
void __SubNumb(Variable& r, const Variable& a, const Variable& b) {
  r = Compute(Op::kSub, a, b);
}
void __MulNumb(Variable& r, const Variable& a, const Variable& b) {
  r = Compute(Op::kMul, a, b);
}
void __DivNumb(Variable& r, const Variable& a, const Variable& b) {
  r = Compute(Op::kDiv, a, b);
}
void __RestNumb(Variable& r, const Variable& a, const Variable& b) {
  r = Compute(Op::kRest, a, b);
}
void _OrNumb(Variable& r, const Variable& a, const Variable& b) {
  r = Compute(Op::kOr, a, b);
}
void _AndNumb(Variable& r, const Variable& a, const Variable& b) {
  r = Compute(Op::kAnd, a, b);
}
void _XorNumb(Variable& r, const Variable& a, const Variable& b) {
  r = Compute(Op::kXor, a, b);
}
