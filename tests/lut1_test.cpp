// LUT1 indexes outside the table: the module's error, or debug output when
// the host gave the module no error range. (The golden script pins the
// rest.)
#include "tests/harness.h"

namespace {

class Lut1Test : public PluginTest {};

TEST_F(Lut1Test, OutOfRangeRaisesTheModuleError) {
  Variable t = New("LUT1");
  std::string before = Bytes(t);
  const ScriptError outOfRange{kLutErrorBase, "value out of LUT range"};
  for (zlong bad : {-1, 256, 1 << 30}) {
    Call(t, "SetItem", {L(bad), L(1)});
    EXPECT_EQ(TakeErrors(), Errors{outOfRange}) << bad;
    Variable r = Call(t, "GetItem", {L(bad)});
    EXPECT_EQ(r.GetType(), PV_EMPTY);
    EXPECT_EQ(TakeErrors(), Errors{outOfRange});
    r = Call(t, "ConvertVoxel", {L(bad)});
    EXPECT_EQ(r.GetType(), PV_EMPTY);
    EXPECT_EQ(TakeErrors(), Errors{outOfRange});
  }
  EXPECT_EQ(Bytes(t), before);
}

class Lut1NoRangeTest : public PluginTest {
 protected:
  Lut1NoRangeTest() : PluginTest(false) {}
};

TEST_F(Lut1NoRangeTest, OutOfRangeFallsBackToDebugOutput) {
  Variable t = New("LUT1");
  Variable r = Call(t, "GetItem", {L(256)});
  EXPECT_EQ(r.GetType(), PV_EMPTY);
  EXPECT_TRUE(TakeErrors().empty());
  EXPECT_EQ(zorl::TakeDebugOutput(),
            std::vector<std::string>{"LUT ERROR: 0, \r\n"});
}

}  // namespace
