// Host values: the value rules scripts and modules rely on, copying, data
// access, storage, and the numeric services where scripts do not reach.
#include <algorithm>
#include <cmath>
#include <limits>

#include "tests/harness.h"

namespace {

using namespace zorl;

// Raised errors go to the engine whose scope is open.
class ValuesTest : public ::testing::Test {
 protected:
  Engine e;
  Engine::Scope scope{e};
};

TEST_F(ValuesTest, AssignmentAndReadingRules) {
  Variable c, b, u;
  c = static_cast<char>(-56);
  b = static_cast<unsigned char>(200);
  u = 0xFFFFFFFFu;
  EXPECT_EQ(Describe(MakeVector({c, b, u})), "[-56, 200, -1]");
  EXPECT_EQ(TypeName(c) + TypeName(b) + TypeName(u), "longbytelong");
  EXPECT_EQ(u.GetCharNumb(), 255);
  EXPECT_EQ(MakeDouble(-2.9).GetLongNumb(), -2);
  EXPECT_EQ(MakeDouble(1e12).GetLongNumb(), std::numeric_limits<zlong>::max());
  EXPECT_EQ(MakeDouble(-1e12).GetLongNumb(), std::numeric_limits<zlong>::min());
  EXPECT_EQ(MakeDouble(std::nan("")).GetLongNumb(), 0);
  EXPECT_EQ(MakeFloat(300.7f).GetCharNumb(), 44);  // low 8 bits of 300
  EXPECT_TRUE(e.TakeErrors().empty());
  EXPECT_EQ(MakeString("12").GetLongNumb(), 0);
  EXPECT_FALSE(MakeLong(1).GetBoolean());
  EXPECT_EQ(e.TakeErrors(),
            (Errors{{2, "number expected"}, {73, "boolean expected"}}));
}

TEST_F(ValuesTest, CopiesAreWholeAndReferencesFollow) {
  Variable s = MakeString("abc"), v = MakeVector({s, MakeLong(1)});
  Variable copy = s, vcopy = v;
  copy.PutByte(0, 'x');
  vcopy[0].PutByte(1, 'y');
  EXPECT_EQ(Describe(MakeVector({s, copy, v, vcopy})),
            R"(["abc", "xbc", ["abc", 1], ["ayc", 1]])");
  Variable ref = MakeReference(&s);
  EXPECT_EQ(ref.GetData(), s.GetData());
  EXPECT_EQ(ref.GetPointer(), &s);
  Variable deref = ref;  // copying a reference copies its target's value
  EXPECT_EQ(deref.GetType(), PV_STRING);
  v[1] = v;  // an element assigned its own container
  EXPECT_EQ(Describe(v), R"(["abc", ["abc", 1]])");
  // Objects too: a copy has its own bytes and members.
  Variable rect;
  e.Construct(rect, "RECT", {});
  rect.SetLen(2);
  Variable other = rect;
  other.PutByte(0, 'z');
  other("left") = 5;
  EXPECT_EQ(rect.GetByte(0), 0);
  EXPECT_EQ(Describe(rect), "<RECT 2 bytes bottom=0 left=0 right=0 top=0>");
}

TEST_F(ValuesTest, DataAccessStaysInsideTheValue) {
  Variable s = MakeString("ab");
  EXPECT_EQ(s.GetByte(2) + s.GetByte(-1), 0);
  s.PutByte(2, 'z');
  EXPECT_EQ(StringBytes(s), "ab");
  Variable v = MakeLongVector({5});
  v[7] = 9;  // outside the Vector: written nowhere
  EXPECT_EQ(v.GetCount(), 1);
  EXPECT_EQ(MakeLong(1)[0].GetType(), PV_EMPTY);
  EXPECT_EQ(e.TakeErrors(), (Errors{{77, "value has no elements"}}));
  v.Init(PV_STRING, -5);
  EXPECT_NE(v.GetData(), nullptr);  // an empty String still has data
  v.Init(PV_STRING, 0x7FFFFFFF);    // refused: no value, no data
  EXPECT_EQ(v.GetType(), PV_EMPTY);
  EXPECT_EQ(e.TakeErrors()[0].number, 8);
}

// A String's bytes stay zero where nothing was written, through growing,
// shrinking and growing again, small and large (past the size where the
// storage changes kind), and a copy is a copy.
TEST_F(ValuesTest, StringBytesGrowZeroed) {
  Variable v;
  v.Init(PV_STRING, 40 << 20);
  ASSERT_EQ(v.GetLen(), 40 << 20);
  const char* d = v.GetData();
  EXPECT_EQ(std::count(d, d + v.GetLen(), 0), v.GetLen());
  Variable s = MakeString("abc");
  for (zlong len : {5, 1, 40, 33 << 20, 2, 0, 7}) {
    zlong before = s.GetLen();
    for (zlong i = 0; i < before; ++i) s.PutByte(i, 'x');
    s.SetLen(len);
    std::string want(static_cast<std::size_t>(len), '\0');
    want.replace(0, std::min(len, before), std::min(len, before), 'x');
    ASSERT_EQ(StringBytes(s), want) << len;
  }
  Variable copy = s;
  copy.PutByte(0, 'y');
  EXPECT_EQ(StringBytes(s), std::string(7, '\0'));
}

// The services' cases that no script operator reaches.
TEST_F(ValuesTest, NumericServices) {
  for (Variable zero :
       {MakeByte(0), MakeLong(0), MakeFloat(0), MakeDouble(0)}) {
    EXPECT_EQ(_DivNumb(MakeLong(7), zero).GetType(), PV_EMPTY);
    EXPECT_EQ(e.TakeErrors(), (Errors{{10, "division by zero"}}));
  }
  Variable a = MakeLong(6);
  __MulNumb(a, a, a);  // the target may be an operand
  EXPECT_EQ(a.GetLongNumb(), 36);
  _XorNumb(a, MakeByte(0x0F), MakeByte(0xFF));
  EXPECT_EQ(Describe(a) + TypeName(a), "240byte");
  EXPECT_EQ(_SubNumb(MakeBoolean(true), MakeDouble(0.5)).GetDoubleNumb(), 0.5);
  EXPECT_TRUE(e.TakeErrors().empty());
}

}  // namespace
