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
  // The pointer as an address, with its length.
  std::pair<std::uintptr_t, zlong> Resolved(Variable& value) {
    zlong len;
    return {reinterpret_cast<std::uintptr_t>(Resolve(value, &len)), len};
  }
  std::pair<std::uintptr_t, zlong> Resolved(Variable&& value) {
    return Resolved(value);
  }
  std::pair<std::uintptr_t, zlong> At(Variable& v, zlong len) {
    return {reinterpret_cast<std::uintptr_t>(v.GetData()), len};
  }
  std::pair<std::uintptr_t, zlong> AddressOf(Variable& buffer, zlong len) {
    return {engine.GetMember(buffer, "Address")->GetAddress(), len};
  }
};

TEST_F(PixelBufferTest, StringsAndValuesThatHoldNoPixels) {
  Variable s = S(std::string("\x01\x02\x03\x00\x05", 5)), empty = S("");
  EXPECT_EQ(Resolved(s), At(s, 5));
  EXPECT_EQ(Resolved(zorl::MakeReference(&s)), At(s, 5));
  EXPECT_EQ(Resolved(empty), At(empty, 0));
  const std::pair<std::uintptr_t, zlong> none{0, 0};
  Variable badFrame = New("FrameBuffer", {L(-1), L(1), L(1)});
  TakeErrors();
  for (Variable v : {Variable(), L(7), D(1.5), zorl::MakeBoolean(true),
                     zorl::MakeByte(3), V({1, 2, 3}), zorl::MakeAddress(0x1000),
                     New("ColorRef", {L(5)}), New("LUT1"), New("LUT3"),
                     New("RECT"), New("Buffer"), NoData("Buffer"), badFrame})
    EXPECT_EQ(Resolved(v), none) << zorl::Describe(v);
  // The type code is compared whole: a further flag matches no case.
  for (PVARTYPE flagged : {PVARTYPE(PV_STRING | 1), PVARTYPE(PV_OBJECT | 1)}) {
    Variable v;
    v.type = flagged;
    EXPECT_EQ(Resolved(v), none);
    v.type = PV_EMPTY;
  }
  EXPECT_TRUE(TakeErrors().empty());
}

TEST_F(PixelBufferTest, ConnectedBuffers) {
  Variable buf = New("Buffer", {L(16)});
  Call(buf, "Write", {S("pixels")});
  zlong len;
  char* p = Resolve(buf, &len);
  EXPECT_EQ(Resolved(buf), AddressOf(buf, 16));
  EXPECT_EQ(Resolved(zorl::MakeReference(&buf)), AddressOf(buf, 16));
  // Writes through the pointer reach the Buffer's memory, which copies
  // share and keep alive.
  Variable copy = buf;
  buf = Variable();
  std::memcpy(p + 6, "!!", 2);
  EXPECT_EQ(zorl::StringBytes(Call(copy, "Read")).substr(0, 8), "pixels!!");
  // A class derived from Buffer.
  Variable frame = New("FrameBuffer", {L(2), L(3), L(3)});
  EXPECT_EQ(Resolved(frame), AddressOf(frame, 18));
  // Connected to no bytes: a pointer and the length 0.
  Variable none = New("Buffer", {L(0)});
  EXPECT_NE(Resolve(none, &len), nullptr);
  EXPECT_EQ(len, 0);
  // Connected, but its Address 0: a null result with the length of Len.
  copy("Address") = zorl::MakeAddress(0);
  EXPECT_EQ(Resolved(copy), (std::pair<std::uintptr_t, zlong>{0, 16}));
  EXPECT_TRUE(TakeErrors().empty());
}

}  // namespace
