// The module's numeric exports (the frame test checks their names among the
// plug-in's exports), built from the module's sources into the tests.
#include "frame/numeric_exports.h"

#include <cstdlib>
#include <sstream>

#include "tests/harness.h"

namespace {

typedef Variable (*OperatorFn)(const Variable&, const Variable&);
typedef void (*InPlaceFn)(Variable&, const Variable&, const Variable&);

enum Op { kAdd, kSub, kMul, kDiv, kRest, kOr, kAnd, kXor };
const OperatorFn ops[] = {&operator+, &operator-, &operator*, &operator/,
                          &operator%, &operator|, &operator&, &operator^ };
const InPlaceFn inPlace[] = {Add, Sub, Mul, Div, Rest, Or, And, Xor};

Variable B(unsigned char b) { return zorl::MakeByte(b); }
Variable F(float f) { return zorl::MakeFloat(f); }

// Errors raised go to the engine whose scope is open.
class NumericTest : public ::testing::Test {
 protected:
  // The operator and the in-place function: values and types must agree,
  // except that Or, And and Xor give two bytes as a long.
  Variable Both(Op op, const Variable& a, const Variable& b) {
    Variable r = ops[op](a, b), target = S("old");
    inPlace[op](target, a, b);
    bool bitsOfBytes =
        op >= kOr && a.GetType() == PV_BYTE && b.GetType() == PV_BYTE;
    EXPECT_EQ(target.GetType(), bitsOfBytes ? PVARTYPE(PV_LONG) : r.GetType())
        << op;
    EXPECT_EQ(zorl::Describe(target), zorl::Describe(r)) << op;
    return r;
  }
  std::vector<zlong> ErrorNumbers() {
    std::vector<zlong> n;
    for (const ScriptError& e : TakeErrors()) n.push_back(e.number);
    return n;
  }
  Errors TakeErrors() { return engine.TakeErrors(); }

  zorl::Engine engine;
  zorl::Engine::Scope scope{engine};
};

TEST_F(NumericTest, TopType) {
  const unsigned short cases[] = {
      4, 16, 16,     32, 8,  32,     5,         4, 5,      4, 4,      4,
      3, 8,  0xFFFF, 8,  33, 0xFFFF, PV_STRING, 8, 0xFFFF, 8, 0xFFFF, 0xFFFF};
  for (int i = 0; i < 24; i += 3)
    EXPECT_EQ(TopType(cases[i], cases[i + 1]), cases[i + 2]) << cases[i];
}

// A number of a case: its type letter ends it (b byte, l long, f float,
// d double, t boolean); "!" is no value, an error.
Variable Number(const std::string& s) {
  double x = std::strtod(s.c_str(), nullptr);
  switch (s.back()) {
    case 'b':
      return B(static_cast<unsigned char>(x));
    case 'l':
      return L(static_cast<zlong>(x));
    case 'f':
      return F(static_cast<float>(x));
    case 't':
      return zorl::MakeBoolean(x != 0);
    case '!':
      return Variable();
    default:
      return D(x);
  }
}

// Results of the fast paths: bytes keep their low bits (and divide
// unsigned), longs wrap at 32 bits, floats stay floats; mixed types,
// booleans and the remainder of floats go to the host. A zero divisor
// raises error 10 (by the host for the operators) and gives no value.
TEST_F(NumericTest, FastPathsAndTheHost) {
  std::istringstream cases(
      "200b + 100b = 44b; 16b * 17b = 16b; 250b / 7b = 35b; 250b % 7b = 5b; "
      "240b | 15b = 255b; 15b ^ 15b = 0b; 2147483647l + 1l = -2147483648l; "
      "65537l * 65537l = 131073l; -2147483648l * -1l = -2147483648l; "
      "7l / -2l = -3l; -2147483648l / -1l = -2147483648l; 7l % -2l = 1l; "
      "-2147483648l % -1l = 0l; -2147483648l % 3l = -2l; "
      "-2147483648l | 1l = -2147483647l; -1l ^ 2147483647l = -2147483648l; "
      "0.1f + 0.2f = 0.3f; 1d / 3d = 0.3333333333333333d; "
      "1e30f * 1e30f = inff; 200b + 100l = 300l; 3l * 0.5d = 1.5d; "
      "1t + 1t = 2l; 7.5d % 2d = 1.5d; 7.5f % 2f = 1.5f; 7b / 0b = !; "
      "7l / 0l = !; 7f / 0f = !; 7f / -0f = !; 7f / nanf = !; 7d / -0d = !; "
      "7d / nand = !; 7b % 0b = !; 7l % 0l = !;");
  std::string a, op, b, eq, r;
  while (cases >> a >> op >> b >> eq >> r) {
    r.pop_back();  // the ';'
    Variable got =
        Both(Op(std::string("+-*/%|&^").find(op)), Number(a), Number(b));
    std::string what = a + " " + op + " " + b;
    EXPECT_EQ(zorl::TypeName(got), zorl::TypeName(Number(r))) << what;
    EXPECT_EQ(zorl::Describe(got), zorl::Describe(Number(r))) << what;
    std::vector<zlong> raised = ErrorNumbers();
    EXPECT_EQ(raised.size(), r == "!" ? 2u : 0u) << what;
    for (zlong n : raised) EXPECT_EQ(n, 10) << what;
  }
  // What is no number is the host's error, passed on.
  EXPECT_EQ(ops[kAdd](S("a"), S("b")).GetType(), PV_EMPTY);
  ops[kXor](F(1), F(2));  // no bitwise fast path for floats
  EXPECT_EQ(ErrorNumbers(), (std::vector<zlong>{ZE_NOT_A_NUMBER, 27}));
}

// The target may be an operand; a type word with number bits that is none
// of the four number types leaves an in-place target empty, and the
// operators give it the host.
TEST_F(NumericTest, TargetMayBeAnOperandAndOddTypeWords) {
  Variable a = L(7), b = L(-2), x = B(0x0F);
  inPlace[kDiv](a, a, b);
  inPlace[kRest](b, a, b);
  inPlace[kXor](x, x, x);
  EXPECT_EQ(zorl::Describe(zorl::MakeVector({a, b, x})), "[-3, -1, 0]");
  Variable odd;
  odd.type = PV_BYTE | PV_LONG;
  Variable target = S("old");
  inPlace[kMul](target, odd, odd);
  EXPECT_EQ(target.GetType(), PV_EMPTY);
  EXPECT_TRUE(TakeErrors().empty());
  inPlace[kOr](target, odd, odd);
  ops[kAdd](odd, odd);
  EXPECT_EQ(TakeErrors().size(), 2u);
}

}  // namespace
