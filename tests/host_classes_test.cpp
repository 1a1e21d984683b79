// The host classes: Buffer and FrameBuffer memory, read-only members,
// ColorRef and RECT, and member access rules for scripts.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/engine.h"

namespace {

using namespace zorl;

TEST(HostClasses, BufferOwnsMemoryThatCopiesShare) {
  Engine e;
  Variable b, n = MakeLong(8);
  e.Construct(b, "Buffer", {&n});
  Variable r;
  e.Call(b, "IsBufferConnected", {}, &r);
  EXPECT_EQ(r.GetLongNumb(), 1);
  EXPECT_EQ(e.GetMember(b, "Len")->GetLongNumb(), 8);
  std::uintptr_t address = e.GetMember(b, "Address")->GetAddress();
  ASSERT_NE(address, 0u);

  Variable s = MakeString("0123456789");
  e.Call(b, "Write", {&s}, nullptr);
  Variable copy = b;
  b = Variable();  // the memory lives while any copy does
  e.Call(copy, "Read", {}, &r);
  EXPECT_EQ(StringBytes(r), "01234567");
  EXPECT_EQ(std::memcmp(reinterpret_cast<const char*>(address), "01234567", 8),
            0);

  e.SetMember(copy, "Address", MakeLong(0));
  e.SetMember(copy, "Len", MakeLong(1 << 20));
  Errors errs = e.TakeErrors();
  ASSERT_EQ(errs.size(), 2u);
  EXPECT_EQ(errs[0].text, "member is read-only: Buffer.Address");
  EXPECT_EQ(e.GetMember(copy, "Len")->GetLongNumb(), 8);
}

TEST(HostClasses, FrameBufferIsABuffer) {
  Engine e;
  Variable f, w = MakeLong(4), h = MakeLong(3), d = MakeLong(2);
  e.Construct(f, "FrameBuffer", {&w, &h, &d});
  EXPECT_EQ(e.GetMember(f, "Len")->GetLongNumb(), 24);
  Object* o = f.GetObject();
  ASSERT_NE(o, nullptr);
  VarClass* cls = o->_GetClass();
  EXPECT_EQ(cls->GetNameID(), f.GetClassID());
  ASSERT_EQ(cls->GetBaseCount(), 1);
  EXPECT_EQ(cls->GetBaseID(0), Token::GetNameID("Buffer"));
  Variable r;
  e.Call(f, "IsBufferConnected", {}, &r);  // inherited
  EXPECT_EQ(r.GetLongNumb(), 1);
  e.SetMember(f, "Width", MakeLong(100));
  EXPECT_EQ(e.TakeErrors()[0].number, 26);
}

TEST(HostClasses, ColorRefRectAndMembers) {
  Engine e;
  Variable c, x = MakeLong(0x336699);
  e.Construct(c, "ColorRef", {&x});
  EXPECT_EQ(e.GetMember(c, "clrf")->GetLongNumb(), 0x336699);
  Variable rect, l = MakeLong(1), t = MakeLong(2), r = MakeLong(3),
                 b = MakeLong(4);
  e.Construct(rect, "RECT", {&l, &t, &r, &b});
  EXPECT_EQ(e.GetMember(rect, "width"), nullptr);
  EXPECT_EQ(e.TakeErrors(),
            (Errors{{23, "unknown member: RECT has no member width"}}));
  e.Construct(rect, "Nope", {});
  EXPECT_EQ(e.TakeErrors(), (Errors{{20, "unknown class: Nope"}}));
  EXPECT_EQ(Token::GetNameID("RECT"), rect.GetClassID());
  EXPECT_EQ(Token::GetNameID("RECT"), Token::GetNameID("RECT"));
  EXPECT_NE(Token::GetNameID("RECT"), Token::GetNameID("rect"));
}

}  // namespace
