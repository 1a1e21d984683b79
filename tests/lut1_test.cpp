// LUT1 end to end: construction, items, lookups and conversions through the
// dispatcher, as a script makes them.
#include "tests/harness.h"

namespace {

class Lut1Test : public PluginTest {};

TEST_F(Lut1Test, IdentityAndVectorConstruction) {
  Variable id = New("LUT1");
  ASSERT_EQ(id.GetLen(), 256);
  Variable table = Call(id, "GetTable");
  ASSERT_EQ(table.GetCount(), 256);
  for (zlong i = 0; i < 256; ++i) EXPECT_EQ(table[i].GetLongNumb(), i);

  Variable three = New("LUT1", {V({10, 20, 30})});
  EXPECT_EQ(three.GetLen(), 256);
  EXPECT_EQ(Bytes(three).substr(0, 3), "\x0a\x14\x1e");

  std::vector<zlong> many(300);
  for (int i = 0; i < 300; ++i) many[i] = 299 - i;
  Variable big = New("LUT1", {V(many)});
  EXPECT_EQ(big.GetLen(), 256);
  EXPECT_EQ(static_cast<unsigned char>(Bytes(big)[0]), 299 & 0xFF);
  EXPECT_EQ(static_cast<unsigned char>(Bytes(big)[255]), 44);
  EXPECT_TRUE(TakeErrors().empty());
}

TEST_F(Lut1Test, ItemsSignedAndUnsignedReadings) {
  Variable t = New("LUT1");
  Call(t, "SetItem", {L(255), L(200)});
  Call(t, "SetItem", {L(5), L(-56)});  // stored as the byte 0xC8 too
  EXPECT_TRUE(TakeErrors().empty());
  Variable item = Call(t, "GetItem", {L(255)});
  EXPECT_EQ(item.GetType(), PV_LONG);
  EXPECT_EQ(item.GetLongNumb(), -56);  // a char: the pattern 0xC8
  Variable voxel = Call(t, "ConvertVoxel", {L(255)});
  EXPECT_EQ(voxel.GetType(), PV_BYTE);
  EXPECT_EQ(voxel.GetLongNumb(), 200);
  EXPECT_EQ(Call(t, "GetTable")[5].GetLongNumb(), 200);
  EXPECT_EQ(Call(t, "ConvertVoxel", {zorl::MakeDouble(254.9)}).GetLongNumb(),
            254);
}

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

TEST_F(Lut1Test, Conversions) {
  std::vector<zlong> inverse(256);
  for (int i = 0; i < 256; ++i) inverse[i] = 255 - i;
  Variable t = New("LUT1", {V(inverse)});
  std::vector<Variable> args{S(std::string("\x00\x01\xff\x80\x7f", 5))};
  Variable out = Call(t, "Convert1To1", args);
  EXPECT_EQ(zorl::StringBytes(out), std::string("\xff\xfe\x00\x7f\x80", 5));
  out = Call(t, "Convert1To3", args);
  EXPECT_EQ(
      zorl::StringBytes(out),
      std::string(
          "\xff\xff\xff\xfe\xfe\xfe\x00\x00\x00\x7f\x7f\x7f\x80\x80\x80", 15));
  EXPECT_EQ(zorl::StringBytes(args[0]), std::string("\x00\x01\xff\x80\x7f", 5));

  out = Call(t, "Convert1To1", {S("")});
  EXPECT_EQ(out.GetType(), PV_STRING);
  EXPECT_EQ(out.GetLen(), 0);
  EXPECT_TRUE(TakeErrors().empty());
}

TEST_F(Lut1Test, ConversionOfWhatIsNoStringGivesAnEmptyString) {
  Variable t = New("LUT1");
  for (Variable src : {L(7), V({1, 2}), Variable()}) {
    Variable out = Call(t, "Convert1To3", {src});
    EXPECT_EQ(out.GetType(), PV_STRING);
    EXPECT_EQ(out.GetLen(), 0);
  }
  EXPECT_TRUE(TakeErrors().empty());
}

TEST_F(Lut1Test, WrongArgumentsAreErrorsNotCrashes) {
  Variable t = New("LUT1");
  Call(t, "GetItem");
  Errors e = TakeErrors();
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].number, 22);
  EXPECT_NE(e[0].text.find("LUT1::GetItem(int)"), std::string::npos)
      << e[0].text;

  // The one signature of that count is called; a String read as a number
  // is an error and reads 0.
  Variable r = Call(t, "GetItem", {S("x")});
  EXPECT_EQ(TakeErrors(), (Errors{{2, "number expected"}}));
  EXPECT_EQ(r.GetLongNumb(), 0);

  Call(t, "Convert", {});
  e = TakeErrors();
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].number, 21);

  // A number where the Vector belongs counts as no elements.
  Variable fromNumber = New("LUT1", {L(5)});
  EXPECT_EQ(fromNumber.GetLen(), 256);
  EXPECT_TRUE(TakeErrors().empty());
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
