// The numeric exports: the common cases computed from the values' payloads,
// every other case handed to the host's numeric services.
#include "frame/numeric_exports.h"

#include <new>

namespace {

enum Op { kAdd, kSub, kMul, kDiv, kRest, kOr, kAnd, kXor };

typedef Variable (*HostOp)(const Variable&, const Variable&);
typedef void (*HostInPlace)(Variable&, const Variable&, const Variable&);

// A number of one of the four types computed here.
union Number {
  unsigned char b;
  zlong l;
  float f;
  double d;
};

// The remainder and the bitwise operations take bytes and longs only.
bool IntegersOnly(Op op) { return op >= kRest; }

bool Divides(Op op) { return op == kDiv || op == kRest; }

// Whether a op b of type t is computed here (the type of both operands).
bool Computed(Op op, PVARTYPE t) {
  return t == PV_BYTE || t == PV_LONG ||
         (!IntegersOnly(op) && (t == PV_FLOAT || t == PV_DOUBLE));
}

Number Read(PVARTYPE t, const Variable& v) {
  Number x;
  switch (t) {
    case PV_BYTE:
      x.b = v.val.b;
      break;
    case PV_LONG:
      x.l = v.val.l;
      break;
    case PV_FLOAT:
      x.f = v.val.f;
      break;
    default:
      x.d = v.val.d ? *v.val.d : 0.0;
      break;
  }
  return x;
}

// A float or double divisor that is NaN counts as zero too.
bool IsZero(PVARTYPE t, Number y) {
  switch (t) {
    case PV_BYTE:
      return y.b == 0;
    case PV_LONG:
      return y.l == 0;
    case PV_FLOAT:
      return y.f == 0.0f || y.f != y.f;
    default:
      return y.d == 0.0 || y.d != y.d;
  }
}

// Bytes keep their low 8 bits and divide unsigned.
unsigned char ByteOp(Op op, unsigned x, unsigned y) {
  switch (op) {
    case kAdd:
      return static_cast<unsigned char>(x + y);
    case kSub:
      return static_cast<unsigned char>(x - y);
    case kMul:
      return static_cast<unsigned char>(x * y);
    case kDiv:
      return static_cast<unsigned char>(x / y);
    case kRest:
      return static_cast<unsigned char>(x % y);
    case kOr:
      return static_cast<unsigned char>(x | y);
    case kAnd:
      return static_cast<unsigned char>(x & y);
    default:
      return static_cast<unsigned char>(x ^ y);
  }
}

// Longs wrap around at 32 bits; divisions truncate toward zero. The smallest
// long over -1 wraps to itself, and its remainder is 0.
zlong LongOp(Op op, zlong x, zlong y) {
  zulong ux = static_cast<zulong>(x), uy = static_cast<zulong>(y);
  switch (op) {
    case kAdd:
      return static_cast<zlong>(ux + uy);
    case kSub:
      return static_cast<zlong>(ux - uy);
    case kMul:
      return static_cast<zlong>(ux * uy);
    case kDiv:
      return y == -1 ? static_cast<zlong>(0u - ux) : x / y;
    case kRest:
      return y == -1 ? 0 : x % y;
    case kOr:
      return static_cast<zlong>(ux | uy);
    case kAnd:
      return static_cast<zlong>(ux & uy);
    default:
      return static_cast<zlong>(ux ^ uy);
  }
}

template <typename T>
T FloatOp(Op op, T x, T y) {
  switch (op) {
    case kAdd:
      return x + y;
    case kSub:
      return x - y;
    case kMul:
      return x * y;
    default:
      return x / y;
  }
}

// a op b of type t, for a case that Computed allows and a divisor not zero.
Number Compute(Op op, PVARTYPE t, Number x, Number y) {
  Number r;
  switch (t) {
    case PV_BYTE:
      r.b = ByteOp(op, x.b, y.b);
      break;
    case PV_LONG:
      r.l = LongOp(op, x.l, y.l);
      break;
    case PV_FLOAT:
      r.f = FloatOp(op, x.f, y.f);
      break;
    default:
      r.d = FloatOp(op, x.d, y.d);
      break;
  }
  return r;
}

Variable Operate(Op op, const Variable& a, const Variable& b, HostOp host) {
  PVARTYPE t = a.type;
  if (t != b.type || !Computed(op, t)) return host(a, b);
  Number y = Read(t, b);
  if (Divides(op) && IsZero(t, y)) return host(a, b);
  Number v = Compute(op, t, Read(t, a), y);
  if (t == PV_DOUBLE) return Variable(v.d);
  Variable r;
  if (t == PV_BYTE)
    r = v.b;
  else if (t == PV_LONG)
    r = static_cast<int>(v.l);
  else
    r = v.f;
  return r;
}

// Add, Sub, Mul, Div and Rest: operands whose equal type word has one of the
// number bits are computed here, into the target of that type word.
void Assign(Op op, Variable& r, const Variable& a, const Variable& b,
            HostInPlace host) {
  PVARTYPE t = a.type;
  PVARTYPE bits = IntegersOnly(op) ? PV_BYTE | PV_LONG
                                   : PV_BYTE | PV_LONG | PV_FLOAT | PV_DOUBLE;
  if (t != b.type || !(t & bits)) {
    host(r, a, b);
    return;
  }
  // Both operands are read before the target is released: it may be one.
  bool known = Computed(op, t);
  Number x{}, y{};
  if (known) {
    x = Read(t, a);
    y = Read(t, b);
  }
  r._Clear();
  // A type word with number bits that is none of the four types gives no
  // value, and a zero divisor neither: the target stays empty.
  if (!known) return;
  if (Divides(op) && IsZero(t, y)) {
    ZorlError(ZE_ZERO_DIVISOR);
    return;
  }
  Number v = Compute(op, t, x, y);
  switch (t) {
    case PV_BYTE:
      r.val.b = v.b;
      break;
    case PV_LONG:
      r.val.l = v.l;
      break;
    case PV_FLOAT:
      r.val.f = v.f;
      break;
    default:
      r.val.d = new (std::nothrow) double(v.d);
      if (!r.val.d) return;  // no storage: the target stays empty
      break;
  }
  r.type = t;
}

// Or, And and Xor: two bytes or two longs give an int.
void AssignBits(Op op, Variable& r, const Variable& a, const Variable& b,
                HostInPlace host) {
  PVARTYPE t = a.type;
  if (t != b.type || (t != PV_BYTE && t != PV_LONG)) {
    host(r, a, b);
    return;
  }
  Number v = Compute(op, t, Read(t, a), Read(t, b));
  r = t == PV_BYTE ? static_cast<int>(v.b) : static_cast<int>(v.l);
}

}  // namespace

unsigned short TopType(PVARTYPE a, PVARTYPE b) {
  int x = a, y = b;
  if (x < PV_BYTE || x > PV_DOUBLE || y < PV_BYTE || y > PV_DOUBLE)
    return 0xFFFF;
  return static_cast<unsigned short>(x > y ? x : y);
}

Variable operator+(const Variable& a, const Variable& b) {
  return Operate(kAdd, a, b, _AddNumb);
}
Variable operator-(const Variable& a, const Variable& b) {
  return Operate(kSub, a, b, _SubNumb);
}
Variable operator*(const Variable& a, const Variable& b) {
  return Operate(kMul, a, b, _MulNumb);
}
Variable operator/(const Variable& a, const Variable& b) {
  return Operate(kDiv, a, b, _DivNumb);
}
Variable operator%(const Variable& a, const Variable& b) {
  return Operate(kRest, a, b, _RestNumb);
}
Variable operator|(const Variable& a, const Variable& b) {
  return Operate(kOr, a, b, _BitOrNumb);
}
Variable operator&(const Variable& a, const Variable& b) {
  return Operate(kAnd, a, b, _BitAndNumb);
}
Variable operator^(const Variable& a, const Variable& b) {
  return Operate(kXor, a, b, _BitXorNumb);
}

void Add(Variable& r, const Variable& a, const Variable& b) {
  Assign(kAdd, r, a, b, __AddNumb);
}
void Sub(Variable& r, const Variable& a, const Variable& b) {
  Assign(kSub, r, a, b, __SubNumb);
}
void Mul(Variable& r, const Variable& a, const Variable& b) {
  Assign(kMul, r, a, b, __MulNumb);
}
void Div(Variable& r, const Variable& a, const Variable& b) {
  Assign(kDiv, r, a, b, __DivNumb);
}
void Rest(Variable& r, const Variable& a, const Variable& b) {
  Assign(kRest, r, a, b, __RestNumb);
}
void Or(Variable& r, const Variable& a, const Variable& b) {
  AssignBits(kOr, r, a, b, _OrNumb);
}
void And(Variable& r, const Variable& a, const Variable& b) {
  AssignBits(kAnd, r, a, b, _AndNumb);
}
void Xor(Variable& r, const Variable& a, const Variable& b) {
  AssignBits(kXor, r, a, b, _XorNumb);
}
