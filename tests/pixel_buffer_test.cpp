// GetPixelBuffer, the module's resolution of pixel arguments, where the
// conversions' tests do not reach: type words with further flags, a
// FrameBuffer's length, and a connected Buffer whose Address is 0.
#include "frame/pixel_buffer.h"

#include "tests/harness.h"

namespace {

class PixelBufferTest : public PluginTest {
 protected:
  // The pointer as an address, and the length (which starts as garbage to
  // show that it is written on every path).
  std::pair<std::uintptr_t, zlong> Resolve(Variable& value) {
    zorl::Engine::Scope scope(engine);
    zlong len = 12345;
    char* p = GetPixelBuffer(&value, &len, engine.GetProcessor());
    return {reinterpret_cast<std::uintptr_t>(p), len};
  }
};

TEST_F(PixelBufferTest, EdgesOfTheResolution) {
  // The type code is compared whole: a further flag matches no case.
  for (PVARTYPE flagged : {PVARTYPE(PV_STRING | 1), PVARTYPE(PV_OBJECT | 1)}) {
    Variable v;
    v.type = flagged;
    EXPECT_EQ(Resolve(v), (std::pair<std::uintptr_t, zlong>{0, 0}));
    v.type = PV_EMPTY;
  }
  Variable frame = New("FrameBuffer", {L(2), L(3), L(3)});
  std::uintptr_t address = engine.GetMember(frame, "Address")->GetAddress();
  EXPECT_EQ(Resolve(frame), std::make_pair(address, zlong(18)));
  frame("Address") = zorl::MakeAddress(0);
  EXPECT_EQ(Resolve(frame), (std::pair<std::uintptr_t, zlong>{0, 18}));
  Variable none = New("Buffer", {L(0)});
  EXPECT_NE(Resolve(none).first, 0u);  // connected to no bytes
  EXPECT_TRUE(TakeErrors().empty());
}

}  // namespace
