// GetPixelBuffer, the module's resolution of pixel arguments, called as the
// conversions call it: with the argument's value and the calling processor.
#include "frame/pixel_buffer.h"

#include <cstring>

#include "tests/harness.h"

namespace {

class PixelBufferTest : public PluginTest {
 protected:
  // The pointer and length for value; len starts as garbage to show that
  // it is written on every path.
  char* Resolve(Variable& value, zlong* len) {
    zorl::Engine::Scope scope(engine);
    *len = 12345;
    return GetPixelBuffer(&value, len, engine.GetProcessor());
  }
  void ExpectNone(Variable value) {
    zlong len;
    EXPECT_EQ(Resolve(value, &len), nullptr) << zorl::TypeName(value);
    EXPECT_EQ(len, 0) << zorl::TypeName(value);
  }
};

TEST_F(PixelBufferTest, StringsDirectAndByReference) {
  Variable s = S(std::string("\x01\x02\x03\x00\x05", 5));
  zlong len;
  EXPECT_EQ(Resolve(s, &len), s.GetData());
  EXPECT_EQ(len, 5);
  Variable ref = zorl::MakeReference(&s);
  EXPECT_EQ(Resolve(ref, &len), s.GetData());
  EXPECT_EQ(len, 5);
  Variable empty = S("");
  EXPECT_EQ(Resolve(empty, &len), empty.GetData());
  EXPECT_EQ(len, 0);
  EXPECT_TRUE(TakeErrors().empty());
}

TEST_F(PixelBufferTest, ValuesThatHoldNoPixels) {
  for (Variable v :
       {Variable(), L(7), zorl::MakeDouble(1.5), zorl::MakeBoolean(true),
        zorl::MakeByte(3), V({1, 2, 3}), zorl::MakeAddress(0x1000),
        New("ColorRef", {L(5)}), New("LUT1"), New("LUT3"), New("RECT")})
    ExpectNone(v);
  // The type code is compared whole: a further flag matches no case.
  for (PVARTYPE flagged : {PVARTYPE(PV_STRING | 1), PVARTYPE(PV_OBJECT | 1)}) {
    Variable v;
    v.type = flagged;
    ExpectNone(v);
    v.type = PV_EMPTY;
  }
  EXPECT_TRUE(TakeErrors().empty());
}

TEST_F(PixelBufferTest, ConnectedBuffers) {
  Variable buf = New("Buffer", {L(16)});
  Call(buf, "Write", {S("pixels")});
  zlong len;
  char* p = Resolve(buf, &len);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(len, 16);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p),
            engine.GetMember(buf, "Address")->GetAddress());
  EXPECT_EQ(std::string(p, 6), "pixels");
  // Writes through the pointer reach the Buffer's memory.
  std::memcpy(p + 6, "!!", 2);
  EXPECT_EQ(zorl::StringBytes(Call(buf, "Read")).substr(0, 8), "pixels!!");

  Variable ref = zorl::MakeReference(&buf);
  EXPECT_EQ(Resolve(ref, &len), p);
  EXPECT_EQ(len, 16);

  // A class derived from Buffer.
  Variable frame = New("FrameBuffer", {L(2), L(3), L(3)});
  p = Resolve(frame, &len);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(len, 18);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p),
            engine.GetMember(frame, "Address")->GetAddress());

  // Connected to no bytes: a pointer and the length 0.
  Variable none = New("Buffer", {L(0)});
  EXPECT_NE(Resolve(none, &len), nullptr);
  EXPECT_EQ(len, 0);
  // Connected, but its Address 0: a null result with the length of Len.
  buf("Address") = zorl::MakeAddress(0);
  EXPECT_EQ(Resolve(buf, &len), nullptr);
  EXPECT_EQ(len, 16);
  EXPECT_TRUE(TakeErrors().empty());
}

TEST_F(PixelBufferTest, BuffersThatAreNotConnected) {
  ExpectNone(New("Buffer"));
  // A refused size leaves the Buffer unconnected.
  Variable refused = New("Buffer", {L(-5)});
  TakeErrors();
  ExpectNone(refused);
  Variable frame = New("FrameBuffer", {L(-1), L(1), L(1)});
  TakeErrors();
  ExpectNone(frame);
  EXPECT_TRUE(TakeErrors().empty());
}

}  // namespace
