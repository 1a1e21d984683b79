// Host values where scripts do not reach: the assignment and reading rules
// of the module's interface, data access outside a value, and String
// storage that grows zeroed.
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

TEST_F(ValuesTest, AssignmentReadingAndAccessRules) {
  Variable c, b, u;
  c = static_cast<char>(-56);
  b = static_cast<unsigned char>(200);
  u = 0xFFFFFFFFu;
  EXPECT_EQ(Describe(MakeVector({c, b, u})) + TypeName(b),
            "[-56, 200, -1]byte");
  EXPECT_EQ(MakeDouble(-2.9).GetLongNumb(), -2);
  EXPECT_EQ(MakeDouble(1e12).GetLongNumb(), std::numeric_limits<zlong>::max());
  EXPECT_EQ(MakeDouble(-1e12).GetLongNumb(), std::numeric_limits<zlong>::min());
  EXPECT_EQ(MakeDouble(std::nan("")).GetLongNumb(), 0);
  EXPECT_EQ(MakeFloat(300.7f).GetCharNumb(), 44);  // low 8 bits of 300
  // Bytes and elements outside a value are read as nothing and written
  // nowhere.
  Variable s = MakeString("ab"), v = MakeLongVector({5});
  s.PutByte(2, 'z');
  v[7] = 9;
  EXPECT_EQ(Describe(MakeVector({s, v})), R"(["ab", [5]])");
  EXPECT_EQ(s.GetByte(2) + s.GetByte(-1), 0);
  EXPECT_TRUE(e.TakeErrors().empty());
  EXPECT_EQ(MakeLong(1)[0].GetType(), PV_EMPTY);
  v.Init(PV_STRING, 0x7FFFFFFF);  // refused: no value, no data
  EXPECT_EQ(v.GetType(), PV_EMPTY);
  EXPECT_EQ(e.TakeErrors(), (Errors{{77, "value has no elements"},
                                    {8,
                                     "allocation refused: 2147483647 "
                                     "bytes or elements"}}));
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

}  // namespace
