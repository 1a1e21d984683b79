// Host values: the value rules scripts and modules rely on, copying, data
// access, and the general numeric services.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "engine/engine.h"
#include "tests/harness.h"

namespace {

using namespace zorl;

// Raised errors go to the engine whose scope is open.
class ValuesTest : public ::testing::Test {
 protected:
  Engine e;
  Engine::Scope scope{e};
};

TEST_F(ValuesTest, AssignmentRules) {
  Variable v;
  v = static_cast<char>(-56);
  EXPECT_EQ(v.GetType(), PV_LONG);
  EXPECT_EQ(v.GetLongNumb(), -56);
  v = static_cast<unsigned char>(200);
  EXPECT_EQ(v.GetType(), PV_BYTE);
  EXPECT_EQ(v.GetLongNumb(), 200);
  v = 0xFFFFFFFFu;
  EXPECT_EQ(v.GetType(), PV_LONG);
  EXPECT_EQ(v.GetLongNumb(), -1);
  EXPECT_EQ(v.GetCharNumb(), 255);
  EXPECT_EQ(static_cast<char>(v), static_cast<char>(-1));
}

TEST_F(ValuesTest, NumberReadingTruncatesAndSaturates) {
  EXPECT_EQ(MakeDouble(-2.9).GetLongNumb(), -2);
  EXPECT_EQ(MakeDouble(1e12).GetLongNumb(), std::numeric_limits<zlong>::max());
  EXPECT_EQ(MakeDouble(-1e12).GetLongNumb(), std::numeric_limits<zlong>::min());
  EXPECT_EQ(MakeDouble(std::nan("")).GetLongNumb(), 0);
  EXPECT_EQ(MakeFloat(300.7f).GetCharNumb(), 44);  // low 8 bits of 300
  EXPECT_EQ(MakeBoolean(true).GetLongNumb(), 1);
  EXPECT_TRUE(e.TakeErrors().empty());

  EXPECT_EQ(MakeString("12").GetLongNumb(), 0);
  EXPECT_EQ(Variable().GetDoubleNumb(), 0.0);
  EXPECT_EQ(e.TakeErrors(),
            (Errors{{2, "number expected"}, {2, "number expected"}}));

  EXPECT_FALSE(MakeLong(1).GetBoolean());
  EXPECT_TRUE(MakeBoolean(true).GetBoolean());
  EXPECT_EQ(e.TakeErrors(), (Errors{{73, "boolean expected"}}));
}

TEST_F(ValuesTest, CopiesAreIndependentAndReferencesFollow) {
  Variable s = MakeString("abc");
  Variable copy = s;
  copy.PutByte(0, 'x');
  EXPECT_EQ(StringBytes(s), "abc");
  EXPECT_EQ(StringBytes(copy), "xbc");

  Variable ref = MakeReference(&s);
  EXPECT_EQ(ref.GetLen(), 3);
  EXPECT_EQ(ref.GetData(), s.GetData());
  EXPECT_EQ(ref.GetPointer(), &s);
  Variable deref = ref;  // copying a reference copies its target's value
  EXPECT_EQ(deref.GetType(), PV_STRING);

  Variable vec = MakeLongVector({1, 2});
  vec[1] = vec;  // an element assigned its own container
  EXPECT_EQ(Describe(vec), "[1, [1, 2]]");
}

TEST_F(ValuesTest, DataAccessStaysInsideTheBuffer) {
  Variable s = MakeString("ab");
  EXPECT_EQ(s.GetByte(2), 0);
  EXPECT_EQ(s.GetByte(-1), 0);
  s.PutByte(2, 'z');
  EXPECT_EQ(StringBytes(s), "ab");
  EXPECT_EQ(MakeLong(3).GetData(), nullptr);

  Variable v = MakeLongVector({5});
  v[7] = 9;  // outside the Vector: written nowhere
  EXPECT_EQ(v.GetCount(), 1);
  Variable n = MakeLong(1);
  EXPECT_EQ(n[0].GetType(), PV_EMPTY);
  EXPECT_EQ(e.TakeErrors(), (Errors{{77, "value has no elements"}}));
}

TEST_F(ValuesTest, InitAndSetLen) {
  Variable v = MakeLong(5);
  v.Init(PV_STRING, 4);
  EXPECT_EQ(StringBytes(v), std::string(4, '\0'));
  v.Init(PV_VECTOR, 3);
  EXPECT_EQ(Describe(v), "[empty, empty, empty]");
  v.Init(PV_STRING, -5);
  EXPECT_EQ(v.GetLen(), 0);
  EXPECT_NE(v.GetData(), nullptr);  // an empty String still has data
  v.Init(PV_STRING, 0x7FFFFFFF);    // refused: no value, no data
  EXPECT_EQ(v.GetType(), PV_EMPTY);
  EXPECT_EQ(e.TakeErrors()[0].number, 8);

  Variable obj;
  e.Construct(obj, "RECT", {});
  EXPECT_EQ(obj.GetData(), nullptr);  // no data until a length is set
  obj.SetLen(0);
  EXPECT_NE(obj.GetData(), nullptr);
  obj.SetLen(3);
  EXPECT_EQ(obj.GetLen(), 3);
  obj.SetLen(-1);
  EXPECT_EQ(obj.GetData(), nullptr);
}

// A String's bytes stay zero where nothing was written, through growing,
// shrinking and growing again, small and large (past the size where the
// storage changes kind), and a copy is a copy.
TEST_F(ValuesTest, StringBytesGrowZeroed) {
  Variable v;
  v.Init(PV_STRING, 40 << 20);
  ASSERT_EQ(v.GetLen(), 40 << 20);
  const char* d = v.GetData();
  std::size_t nonzero = 0;
  for (zlong i = 0; i < v.GetLen(); ++i) nonzero += d[i] != 0;
  EXPECT_EQ(nonzero, 0u);

  Variable s = MakeString("abc");
  for (zlong len : {zlong(5), zlong(1), zlong(40), zlong(33 << 20), zlong(2),
                    zlong(0), zlong(7)}) {
    zlong before = s.GetLen();
    for (zlong i = 0; i < before; ++i) s.PutByte(i, 'x');
    s.SetLen(len);
    ASSERT_EQ(s.GetLen(), len);
    std::string want(static_cast<std::size_t>(len), '\0');
    for (zlong i = 0; i < len && i < before; ++i) want[i] = 'x';
    ASSERT_EQ(StringBytes(s), want) << len;
  }
  // A released block that serves a new String again (the same size, or a
  // little smaller) comes back zeroed, and a copy of one is exact.
  for (zlong len : {zlong(300 << 10), zlong(40 << 20)})
    for (zlong next : {len, len - len / 8}) {
      Variable w;
      w.Init(PV_STRING, len);
      std::memset(w.GetData(), 0xFF, static_cast<std::size_t>(len));
      Variable held = w;
      w.Init(PV_STRING, next);
      ASSERT_EQ(w.GetLen(), next);
      EXPECT_EQ(std::count(w.GetData(), w.GetData() + next + 1, 0), next + 1);
      held = Variable();  // its block becomes a spare; a copy takes it
      Variable again = w;
      EXPECT_EQ(StringBytes(again), std::string(next, '\0'));
    }
  Variable copy = s;
  copy.PutByte(0, 'y');
  EXPECT_EQ(StringBytes(s), std::string(7, '\0'));
  EXPECT_EQ(StringBytes(copy), std::string("y") + std::string(6, '\0'));
}

TEST_F(ValuesTest, PrintedForms) {
  EXPECT_EQ(Describe(MakeDouble(0.1)), "0.1");
  EXPECT_EQ(Describe(MakeDouble(2)), "2.0");
  EXPECT_EQ(Describe(MakeFloat(0.1f)), "0.1");
  EXPECT_EQ(Describe(MakeString("a\"\n\x01")), "\"a\\\"\\n\\x01\"");
  Variable r;
  e.Construct(r, "ColorRef", {});
  EXPECT_EQ(Describe(r), "<ColorRef 0 bytes clrf=0>");
  EXPECT_EQ(Describe(MakeBoolean(false)), "false");
}

Variable Num(PVARTYPE t, double x) {
  switch (t) {
    case PV_BYTE:
      return MakeByte(static_cast<unsigned char>(x));
    case PV_LONG:
      return MakeLong(static_cast<zlong>(x));
    case PV_FLOAT:
      return MakeFloat(static_cast<float>(x));
    default:
      return MakeDouble(x);
  }
}

TEST_F(ValuesTest, NumericServicesPromoteAndWrap) {
  Variable r = _AddNumb(MakeByte(200), MakeLong(100));
  EXPECT_EQ(r.GetType(), PV_LONG);
  EXPECT_EQ(r.GetLongNumb(), 300);
  r = _AddNumb(MakeByte(200), MakeByte(100));
  EXPECT_EQ(r.GetType(), PV_BYTE);
  EXPECT_EQ(r.GetLongNumb(), 44);
  r = _MulNumb(MakeLong(0x10000), MakeLong(0x10000));
  EXPECT_EQ(r.GetLongNumb(), 0);
  r = _DivNumb(MakeLong(std::numeric_limits<zlong>::min()), MakeLong(-1));
  EXPECT_EQ(r.GetLongNumb(), std::numeric_limits<zlong>::min());
  r = _RestNumb(MakeLong(std::numeric_limits<zlong>::min()), MakeLong(-1));
  EXPECT_EQ(r.GetLongNumb(), 0);
  r = _RestNumb(MakeLong(-7), MakeLong(2));
  EXPECT_EQ(r.GetLongNumb(), -1);
  r = _DivNumb(MakeLong(7), MakeFloat(2));
  EXPECT_EQ(r.GetType(), PV_FLOAT);
  EXPECT_EQ(r.GetDoubleNumb(), 3.5);
  r = _SubNumb(MakeBoolean(true), MakeDouble(0.5));
  EXPECT_EQ(r.GetType(), PV_DOUBLE);
  EXPECT_EQ(r.GetDoubleNumb(), 0.5);
  EXPECT_TRUE(e.TakeErrors().empty());

  for (PVARTYPE t : {PV_BYTE, PV_LONG, PV_FLOAT, PV_DOUBLE}) {
    r = _DivNumb(Num(t, 7), Num(t, 0));
    EXPECT_EQ(r.GetType(), PV_EMPTY);
    EXPECT_EQ(e.TakeErrors(), (Errors{{10, "division by zero"}})) << t;
  }
  r = _BitOrNumb(MakeDouble(1), MakeLong(2));
  EXPECT_EQ(e.TakeErrors()[0].number, 27);
  r = _AddNumb(MakeString("1"), MakeLong(2));
  EXPECT_EQ(r.GetType(), PV_EMPTY);
  EXPECT_EQ(e.TakeErrors()[0].number, 2);

  Variable a = MakeLong(6);
  __MulNumb(a, a, a);  // the target may be an operand
  EXPECT_EQ(a.GetLongNumb(), 36);
  _XorNumb(a, MakeByte(0x0F), MakeByte(0xFF));
  EXPECT_EQ(a.GetType(), PV_BYTE);
  EXPECT_EQ(a.GetLongNumb(), 0xF0);
}

}  // namespace
