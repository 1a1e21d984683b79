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

Variable B(unsigned char b) { return zorl::MakeByte(b); }
Variable F(float f) { return zorl::MakeFloat(f); }

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
      ASSERT_TRUE(ops[op] && inPlace[op]) << kOperatorNames[op];
    }
    dlclose(module);  // the engine keeps it loaded
  }
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

  zorl::Engine::Scope scope{engine};
  TopTypeFn topType = nullptr;
  OperatorFn ops[kOps] = {};
  InPlaceFn inPlace[kOps] = {};
};

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
// unsigned), longs wrap at 32 bits, floats stay floats; mixed types and
// booleans go to the host, which promotes them.
TEST_F(NumericTest, FastPathsAndTheHost) {
  struct Case {
    Op op;
    Variable a, b, expected;
  } cases[] = {
      {kAdd, B(200), B(100), B(44)},
      {kMul, B(16), B(17), B(16)},
      {kDiv, B(250), B(7), B(35)},
      {kRest, B(250), B(7), B(5)},
      {kOr, B(0xF0), B(0x0F), B(0xFF)},
      {kXor, B(0x0F), B(0x0F), B(0)},
      {kAdd, L(INT_MAX), L(1), L(INT_MIN)},
      {kMul, L(65537), L(65537), L(131073)},
      {kMul, L(INT_MIN), L(-1), L(INT_MIN)},
      {kDiv, L(7), L(-2), L(-3)},
      {kDiv, L(INT_MIN), L(-1), L(INT_MIN)},
      {kRest, L(7), L(-2), L(1)},
      {kRest, L(INT_MIN), L(-1), L(0)},
      {kRest, L(INT_MIN), L(3), L(-2)},
      {kOr, L(INT_MIN), L(1), L(INT_MIN + 1)},
      {kXor, L(-1), L(INT_MAX), L(INT_MIN)},
      {kAdd, F(0.1f), F(0.2f), F(0.1f + 0.2f)},
      {kDiv, D(1.0), D(3.0), D(1.0 / 3.0)},
      {kMul, F(1e30f), F(1e30f), F(std::numeric_limits<float>::infinity())},
      {kAdd, B(200), L(100), L(300)},
      {kMul, L(3), D(0.5), D(1.5)},
      {kAdd, zorl::MakeBoolean(true), zorl::MakeBoolean(true), L(2)}};
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
  EXPECT_EQ(zorl::Describe(target), "1.5");
  EXPECT_EQ(target.GetType(), PV_FLOAT);
  EXPECT_TRUE(TakeErrors().empty());
  // What is no number is the host's error, passed on.
  EXPECT_EQ(ops[kAdd](S("a"), S("b")).GetType(), PV_EMPTY);
  ops[kXor](F(1), F(2));  // no bitwise fast path for floats
  EXPECT_EQ(ErrorNumbers(), (std::vector<zlong>{ZE_NOT_A_NUMBER, 27}));
}

TEST_F(NumericTest, ZeroDivisors) {
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
  const std::vector<zlong> zero{ZE_ZERO_DIVISOR};
  for (int i = 0; i < 7; ++i) {
    for (Op op : {kDiv, kRest}) {
      if (op == kRest && i >= 2) continue;  // floats are the host's
      // The operators leave it to the host, which raises error 10 itself;
      // the in-place functions raise it and leave the target empty.
      EXPECT_EQ(ops[op](zeros[i][0], zeros[i][1]).GetType(), PV_EMPTY);
      EXPECT_EQ(ErrorNumbers(), zero) << zorl::Describe(zeros[i][1]);
      Variable target = S("old");
      inPlace[op](target, zeros[i][0], zeros[i][1]);
      EXPECT_EQ(target.GetType(), PV_EMPTY);
      EXPECT_EQ(ErrorNumbers(), zero) << zorl::Describe(zeros[i][1]);
    }
  }
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
