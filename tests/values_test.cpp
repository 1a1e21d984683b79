// Host values where scripts do not reach: references, data access outside a
// value, and String storage that grows zeroed.
#include <algorithm>

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

// What scripts cannot show: a copy of a reference is a copy of its target's
// value, and bytes and elements outside a value are read as nothing and
// written nowhere.
TEST_F(ValuesTest, ReferencesAndAccessOutsideAValue) {
  Variable s = MakeString("ab"), v = MakeLongVector({5});
  Variable ref = MakeReference(&s), copy = ref;
  EXPECT_EQ(TypeName(copy) + TypeName(ref), "Stringreference");
  s.PutByte(2, 'z');
  v[7] = 9;
  EXPECT_EQ(Describe(MakeVector({s, v})), R"(["ab", [5]])");
  EXPECT_EQ(s.GetByte(2) + s.GetByte(-1), 0);
  EXPECT_EQ(MakeLong(1)[0].GetType(), PV_EMPTY);
  EXPECT_EQ(e.TakeErrors(), (Errors{{77, "value has no elements"}}));
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
}

}  // namespace
