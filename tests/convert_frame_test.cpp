// The conversion frame of every three-channel buffer conversion: which
// sources and tables make it do nothing, when the destination is used in
// place and when it becomes a new String, and the destinations that share
// bytes with the source or the table.
#include <algorithm>

#include "tests/harness.h"

namespace {

class ConvertFrameTest : public PluginTest {
 protected:
  // pixels pixels of value 5 (a valid index of every default table), and
  // extra stray bytes.
  static std::string Pixels(const Conversion& m, int pixels, int extra = 0) {
    std::string s;
    for (int i = 0; i < pixels; ++i)
      s += m.pixelBytes == 2 ? W({5}) : std::string(m.pixelBytes, '\x05');
    return s + std::string(static_cast<std::size_t>(extra), '\x01');
  }
  static long long Needed(const Conversion& m, long long srcLen) {
    return m.sizedBySource ? srcLen : srcLen / m.pixelBytes * m.outBytes;
  }
  // t.method(dst, src) with dst and src the very same value, or with the
  // table object itself as the destination, as a script can call it.
  Errors CallOn(Variable& object, const std::string& method, Variable* dst,
                Variable* src) {
    Variable result;
    engine.Call(object, method, {dst, src}, &result);
    return TakeErrors();
  }
};

// Each handler's size test: the destination is written in place when it
// passes (the bytes past the output keep theirs), else replaced by a new
// String of the needed size. (The golden script shows Buffers.)
TEST_F(ConvertFrameTest, SizeTests) {
  for (const Conversion& m : kConversions) {
    Variable t = New(m.cls);
    for (int extra = 0; extra < m.pixelBytes; ++extra) {
      std::string source = Pixels(m, 3, extra);
      long long srcLen = static_cast<long long>(source.size());
      long long needed = Needed(m, srcLen);
      std::string fresh = Out(t, m.name, source);
      ASSERT_EQ(static_cast<long long>(fresh.size()), needed) << m.Name();
      long long written = 3 * m.outBytes;
      for (long long len = std::max(needed - 3, 0LL); len <= needed + 3;
           ++len) {
        bool passes = m.sizedBySource ? len == srcLen : len / m.outBytes == 3;
        Variable dst = S(std::string(static_cast<std::size_t>(len), 'x'));
        EXPECT_EQ(Convert(t, m.name, dst, S(source)), Errors{});
        std::string want = fresh;
        if (passes)
          want = fresh.substr(0, written) + std::string(len - written, 'x');
        EXPECT_EQ(zorl::StringBytes(dst), want)
            << m.Name() << " length " << len << " source " << srcLen;
      }
    }
  }
}

// The destination is the source's own value, or the table object itself,
// and must be replaced: the output is made from the source and the table as
// they were.
TEST_F(ConvertFrameTest, DestinationThatIsTheSourceOrTheTable) {
  for (const Conversion& m : kConversions) {
    Variable t = New(m.cls);
    bool inPlace = m.pixelBytes == m.outBytes;
    // A stray byte only where the destination is replaced (in place it
    // would keep its value).
    std::string source = Pixels(m, 5, inPlace || m.pixelBytes == 1 ? 0 : 1);
    std::string fresh = Out(t, m.name, source);

    Variable s = S(source);
    EXPECT_EQ(CallOn(t, m.name, &s, &s), Errors{}) << m.Name();
    EXPECT_EQ(zorl::StringBytes(s), fresh) << m.Name();
    // A Buffer: replaced by a String when the sizes differ.
    Variable b = New("Buffer", {L(static_cast<zlong>(source.size()))});
    Call(b, "Write", {S(source)});
    EXPECT_EQ(CallOn(t, m.name, &b, &b), Errors{}) << m.Name();
    EXPECT_EQ(zorl::TypeName(b), inPlace ? "Buffer" : "String") << m.Name();
    EXPECT_EQ(zorl::StringBytes(inPlace ? Call(b, "Read") : b), fresh);

    Variable src = S(source);
    EXPECT_EQ(CallOn(t, m.name, &t, &src), Errors{}) << m.Name();
    EXPECT_EQ(zorl::StringBytes(t), fresh) << m.Name();
  }
}

// Two Buffers over the same memory (a host may hand out such addresses):
// the source is read as it was before the destination was written.
TEST_F(ConvertFrameTest, DestinationOverlappingTheSource) {
  for (const Conversion& m : kConversions) {
    Variable t = New(m.cls);
    std::string source = Pixels(m, 4);
    source[0] = 7;  // differs from the rest, so an early overwrite shows
    std::string fresh = Out(t, m.name, source);
    zlong size = static_cast<zlong>(fresh.size());
    zlong room = static_cast<zlong>(std::max(fresh.size(), source.size())) + 8;
    Variable dst = New("Buffer", {L(room)});
    std::uintptr_t address = engine.GetMember(dst, "Address")->GetAddress();
    for (std::uintptr_t shift : {0, 1, 3, 4}) {
      Call(dst, "Write", {S(std::string(4, '\0') + source)});
      Variable src = New("Buffer", {L(static_cast<zlong>(source.size()))});
      src("Address") = zorl::MakeAddress(address + 4);
      Variable window = New("Buffer", {L(size)});
      window("Address") = zorl::MakeAddress(address + shift);
      EXPECT_EQ(Convert(t, m.name, window, src), Errors{}) << m.Name();
      std::string all = zorl::StringBytes(Call(dst, "Read"));
      EXPECT_EQ(all.substr(shift, fresh.size()), fresh)
          << m.Name() << " shift " << shift;
    }
  }
  // An output size beyond the host's long is refused before anything is
  // read or written.
  Variable t = New("LUT3"), src = New("Buffer", {L(4)}), dst = S("keep");
  src("Len") = L(0x40000000);  // claims 1 GiB: 3 GiB of output
  EXPECT_EQ(Convert(t, "Convert1To3", dst, src),
            (Errors{{3, "an output of 3221225472 bytes out of range"}}));
  EXPECT_EQ(zorl::StringBytes(dst), "keep");
}

}  // namespace
