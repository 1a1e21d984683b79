// The module's numeric exports, called as another module would call them:
// looked up by their names in the plug-in that the engine loaded.
#include <dlfcn.h>

#include <climits>
#include <cmath>
#include <limits>

#include "tests/harness.h"

namespace {

typedef unsigned short (*TopTypeFn)(PVARTYPE, PVARTYPE);
typedef Variable (*OperatorFn)(const Variable&, const Variable&);
typedef void (*InPlaceFn)(Variable&, const Variable&, const Variable&);

enum Op { kAdd, kSub, kMul, kDiv, kRest, kOr, kAnd, kXor, kOps };

const char* const kOperatorNames[kOps] = {
    "_ZplRK8VariableS1_", "_ZmiRK8VariableS1_", "_ZmlRK8VariableS1_",
    "_ZdvRK8VariableS1_", "_ZrmRK8VariableS1_", "_ZorRK8VariableS1_",
    "_ZanRK8VariableS1_", "_ZeoRK8VariableS1_",
};
const char* const kInPlaceNames[kOps] = {
    "_Z3AddR8VariableRKS_S2_",  "_Z3SubR8VariableRKS_S2_",
    "_Z3MulR8VariableRKS_S2_",  "_Z3DivR8VariableRKS_S2_",
    "_Z4RestR8VariableRKS_S2_", "_Z2OrR8VariableRKS_S2_",
    "_Z3AndR8VariableRKS_S2_",  "_Z3XorR8VariableRKS_S2_",
};

class NumericTest : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    void* module = dlopen(LUT_PLUGIN_PATH, RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(module, nullptr);
    topType = reinterpret_cast<TopTypeFn>(dlsym(module, "_Z7TopTypett"));
    ASSERT_NE(topType, nullptr);
    for (int op = 0; op < kOps; ++op) {
      ops[op] = reinterpret_cast<OperatorFn>(dlsym(module, kOperatorNames[op]));
      inPlace[op] =
          reinterpret_cast<InPlaceFn>(dlsym(module, kInPlaceNames[op]));
      ASSERT_NE(ops[op], nullptr) << kOperatorNames[op];
      ASSERT_NE(inPlace[op], nullptr) << kInPlaceNames[op];
    }
    dlclose(module);  // the engine keeps it loaded
  }

  // The operator and the in-place function: values and types must agree,
  // except that Or, And and Xor give two bytes as a long.
  Variable Both(Op op, const Variable& a, const Variable& b) {
    Variable r = ops[op](a, b);
    Variable target = zorl::MakeString("old");
    inPlace[op](target, a, b);
    bool bitsOfBytes =
        op >= kOr && a.GetType() == PV_BYTE && b.GetType() == PV_BYTE;
    EXPECT_EQ(target.GetType(), bitsOfBytes ? PVARTYPE(PV_LONG) : r.GetType())
        << op;
    EXPECT_EQ(zorl::Describe(target), zorl::Describe(r)) << op;
    return r;
  }

  Errors TakeErrorNumbersOnly() {
    Errors e = TakeErrors();
    for (ScriptError& s : e) s.text.clear();
    return e;
  }

  TopTypeFn topType = nullptr;
  OperatorFn ops[kOps] = {};
  InPlaceFn inPlace[kOps] = {};
};

Variable B(unsigned char b) { return zorl::MakeByte(b); }
Variable F(float f) { return zorl::MakeFloat(f); }
Variable D(double d) { return zorl::MakeDouble(d); }

const Errors kZeroDivisor{ScriptError{ZE_ZERO_DIVISOR, ""}};

TEST_F(NumericTest, TopType) {
  const unsigned short cases[][3] = {{4, 16, 16},
                                     {32, 8, 32},
                                     {5, 4, 5},
                                     {4, 4, 4},
                                     {3, 8, 0xFFFF},
                                     {8, 33, 0xFFFF},
                                     {PV_STRING, 8, 0xFFFF},
                                     {8, 0xFFFF, 0xFFFF}};
  for (const auto& c : cases) EXPECT_EQ(topType(c[0], c[1]), c[2]) << c[0];
}

// Results of the fast paths: bytes keep their low bits (and divide
// unsigned), longs wrap at 32 bits, floats stay floats.
TEST_F(NumericTest, FastPathsOfEachNumberType) {
  zorl::Engine::Scope scope(engine);
  struct Case {
    Op op;
    Variable a, b, expected;
  } cases[] = {
      {kAdd, B(200), B(100), B(44)},
      {kSub, B(3), B(5), B(254)},
      {kMul, B(16), B(17), B(16)},
      {kDiv, B(250), B(7), B(35)},
      {kRest, B(250), B(7), B(5)},
      {kOr, B(0xF0), B(0x0F), B(0xFF)},
      {kAnd, B(0xF3), B(0x3F), B(0x33)},
      {kXor, B(0x0F), B(0x0F), B(0)},
      {kAdd, L(INT_MAX), L(1), L(INT_MIN)},
      {kSub, L(INT_MIN), L(1), L(INT_MAX)},
      {kMul, L(0x10000), L(0x10000), L(0)},
      {kMul, L(65537), L(65537), L(131073)},  // 2^32 + 2^17 + 1, low bits
      {kMul, L(INT_MIN), L(-1), L(INT_MIN)},
      {kDiv, L(7), L(-2), L(-3)},
      {kDiv, L(-7), L(2), L(-3)},
      {kDiv, L(INT_MIN), L(-1), L(INT_MIN)},  // wraps like the negation
      {kRest, L(7), L(-2), L(1)},
      {kRest, L(-7), L(2), L(-1)},
      {kRest, L(INT_MIN), L(-1), L(0)},
      {kRest, L(INT_MIN), L(3), L(-2)},
      {kOr, L(INT_MIN), L(1), L(INT_MIN + 1)},
      {kAnd, L(-1), L(0x0F0F), L(0x0F0F)},
      {kXor, L(-1), L(INT_MAX), L(INT_MIN)},
      {kAdd, F(0.1f), F(0.2f), F(0.1f + 0.2f)},
      {kDiv, F(1.0f), F(3.0f), F(1.0f / 3.0f)},
      {kMul, F(1e30f), F(1e30f), F(std::numeric_limits<float>::infinity())},
      {kSub, D(0.3), D(0.1), D(0.3 - 0.1)},
      {kDiv, D(1.0), D(3.0), D(1.0 / 3.0)},
      {kMul, D(1e300), D(10), D(1e301)},
  };
  for (const Case& c : cases) {
    Variable r = Both(c.op, c.a, c.b);
    EXPECT_EQ(r.GetType(), c.expected.GetType()) << zorl::Describe(c.expected);
    EXPECT_EQ(zorl::Describe(r), zorl::Describe(c.expected))
        << c.op << ": " << zorl::Describe(c.a) << ", " << zorl::Describe(c.b);
  }
  // The remainder of floats and doubles is the host's.
  EXPECT_EQ(ops[kRest](D(7.5), D(2)).GetDoubleNumb(), 1.5);
  Variable target;
  inPlace[kRest](target, F(7.5f), F(2));
  EXPECT_EQ(target.GetType(), PV_FLOAT);
  EXPECT_EQ(target.GetFloatNumb(), 1.5f);
  EXPECT_TRUE(TakeErrors().empty());
}

TEST_F(NumericTest, MixedAndOtherValuesGoToTheHost) {
  zorl::Engine::Scope scope(engine);
  // A byte and a long: promoted to a long by the host.
  Variable r = Both(kAdd, B(200), L(100));
  EXPECT_EQ(r.GetType(), PV_LONG);
  EXPECT_EQ(r.GetLongNumb(), 300);
  r = Both(kMul, L(3), D(0.5));
  EXPECT_EQ(r.GetType(), PV_DOUBLE);
  EXPECT_EQ(r.GetDoubleNumb(), 1.5);
  r = Both(kOr, B(1), L(256));
  EXPECT_EQ(r.GetType(), PV_LONG);
  EXPECT_EQ(r.GetLongNumb(), 257);
  // Booleans have no fast path: the host reads them as longs.
  r = Both(kAdd, zorl::MakeBoolean(true), zorl::MakeBoolean(true));
  EXPECT_EQ(r.GetLongNumb(), 2);
  EXPECT_TRUE(TakeErrors().empty());

  // What is no number is the host's error, passed on.
  r = ops[kAdd](S("a"), S("b"));
  EXPECT_EQ(r.GetType(), PV_EMPTY);
  Errors errors = TakeErrors();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].number, ZE_NOT_A_NUMBER);
  r = ops[kXor](F(1), F(2));  // no bitwise fast path for floats
  EXPECT_EQ(TakeErrors().size(), 1u);
}

TEST_F(NumericTest, ZeroDivisors) {
  zorl::Engine::Scope scope(engine);
  const float nanf = std::numeric_limits<float>::quiet_NaN();
  const Variable zeros[][2] = {
      {B(7), B(0)},
      {L(7), L(0)},
      {F(7), F(0)},
      {F(7), F(-0.0f)},
      {F(7), F(nanf)},
      {D(7), D(-0.0)},
      {D(7), D(std::nan(""))},
  };
  for (const auto& z : zeros) {
    // The operators leave it to the host, which raises error 10 itself.
    Variable r = ops[kDiv](z[0], z[1]);
    EXPECT_EQ(r.GetType(), PV_EMPTY);
    EXPECT_EQ(TakeErrorNumbersOnly(), kZeroDivisor) << zorl::Describe(z[1]);
    // Div raises it and leaves the target empty.
    Variable target = S("old");
    inPlace[kDiv](target, z[0], z[1]);
    EXPECT_EQ(target.GetType(), PV_EMPTY);
    EXPECT_EQ(TakeErrorNumbersOnly(), kZeroDivisor) << zorl::Describe(z[1]);
  }
  for (int i = 0; i < 2; ++i) {
    Variable r = ops[kRest](zeros[i][0], zeros[i][1]);
    EXPECT_EQ(r.GetType(), PV_EMPTY);
    EXPECT_EQ(TakeErrorNumbersOnly(), kZeroDivisor);
    Variable target = D(1.5);
    inPlace[kRest](target, zeros[i][0], zeros[i][1]);
    EXPECT_EQ(target.GetType(), PV_EMPTY);
    EXPECT_EQ(TakeErrorNumbersOnly(), kZeroDivisor);
  }
}

TEST_F(NumericTest, TargetMayBeAnOperand) {
  zorl::Engine::Scope scope(engine);
  Variable a = L(7), b = L(-2);
  inPlace[kDiv](a, a, b);
  EXPECT_EQ(a.GetLongNumb(), -3);
  inPlace[kRest](b, a, b);
  EXPECT_EQ(b.GetLongNumb(), -1);
  Variable d = D(1.25);
  inPlace[kAdd](d, d, d);
  EXPECT_EQ(d.GetType(), PV_DOUBLE);
  EXPECT_EQ(d.GetDoubleNumb(), 2.5);
  Variable x = B(0x0F);
  inPlace[kXor](x, x, x);
  EXPECT_EQ(x.GetType(), PV_LONG);
  EXPECT_EQ(x.GetLongNumb(), 0);
  Variable m = B(3);
  inPlace[kAdd](m, m, L(1));  // through the host
  EXPECT_EQ(m.GetLongNumb(), 4);
  EXPECT_TRUE(TakeErrors().empty());
}

// A type word with number bits that is none of the four number types: the
// in-place functions leave the target empty; the others give it the host.
TEST_F(NumericTest, UnknownNumberTypeWords) {
  zorl::Engine::Scope scope(engine);
  Variable odd;
  odd.type = PV_BYTE | PV_LONG;
  for (Op op : {kAdd, kSub, kMul, kDiv, kRest}) {
    Variable target = S("old");
    inPlace[op](target, odd, odd);
    EXPECT_EQ(target.GetType(), PV_EMPTY) << op;
  }
  EXPECT_TRUE(TakeErrors().empty());
  Variable target;
  inPlace[kOr](target, odd, odd);
  EXPECT_EQ(TakeErrors().size(), 1u);
  ops[kAdd](odd, odd);
  EXPECT_EQ(TakeErrors().size(), 1u);
}

}  // namespace
