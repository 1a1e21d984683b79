// ConvertVoxel of LUT3 and LUTC3: gray values and ColorRef colours looked up,
// each giving a new ColorRef.
#include <random>

#include "tests/harness.h"
#include "triple/colour.h"

namespace {

class TripleVoxelTest : public PluginTest {
 protected:
  Variable Colour(zlong clrf) { return New("ColorRef", {L(clrf)}); }
  // The clrf of a ColorRef result; -1 for anything else.
  zlong Clrf(Variable& r) {
    if (zorl::TypeName(r) != "ColorRef") return -1;
    return engine.GetMember(r, "clrf")->GetLongNumb();
  }
  zlong Voxel(Variable& t, Variable arg) {
    Variable r = Call(t, "ConvertVoxel", {arg});
    return Clrf(r);
  }
};

// Lookups that fail, each with its text.
TEST_F(TripleVoxelTest, IndexesOutsideTheTable) {
  struct Case {
    const char* cls;
    zlong n;  // the constructor's number; 0 for the default table
    bool colour;
    zlong value, base;
    const char* text;
  } cases[] = {
      // v + BaseLine beyond the host's long, shown saturated.
      {"LUT3", 0, false, 0x7FFFFFFF, 10,
       "offset = 2147483647, pixel value = 0x7fffffff"},
      // The first component (red, green, blue) beyond the table is reported.
      {"LUT3", 100, true, 0x647832, 0,
       "offset = 120, pixel value = 0x647832(50,120,100)"},
      // 3 * 0x55555556 wraps to 2 in 32 bits.
      {"LUTC3", 0, false, 0x55555556, 0,
       "offset = 2147483647, pixel value = 0x55555556"},
      {"LUTC3", 0, true, 0x000010, -100,
       "offset = -284, pixel value = 0x0010(-84,-100,-100)"},
      // Components beyond the host's long, shown saturated.
      {"LUTC3", 0, true, 0xFFFFFF, 0x7FFFFFF0,
       "offset = 2147483647, pixel value = "
       "0xffffff(2147483647,2147483647,2147483647)"},
      // Without data: the LUTC3 colour form tests its index first; the
      // LUT3 one returns silently.
      {"LUTC3", -1, true, 0x123456, 0,
       "offset = 156, pixel value = 0x123456(86,52,18)"},
      {"LUT3", -1, true, 0x123456, 0, nullptr},
  };
  for (const Case& c : cases) {
    Variable t = c.n ? New(c.cls, {L(c.n)}) : New(c.cls);
    TakeErrors();
    SetBaseLine(t, c.base);
    EXPECT_EQ(Voxel(t, c.colour ? Colour(c.value) : L(c.value)), -1);
    EXPECT_EQ(TakeErrors(), c.text ? Errors{PixelError(c.text)} : Errors{})
        << (c.text ? c.text : "");
  }
}

// The rescaling is exact for every table size: 64-bit products would
// overflow for the largest tables and components.
TEST(ColourRuleTest, MulDivIsExact) {
  std::mt19937_64 rng(7);
  const unsigned long long limit = 1ULL << 47;
  for (int i = 0; i < 100000; ++i) {
    unsigned long long a = rng() >> 32, b = rng() % limit,
                       c = 1 + rng() % (limit - 1);
    if (i % 3 == 0) c = 1 + rng() % 1000;
    unsigned long long expect = 0;
#ifdef __SIZEOF_INT128__
    __extension__ typedef unsigned __int128 Wide;
    Wide wide = static_cast<Wide>(a) * b / c;
    if (wide >> 63) continue;  // the quotient must fit
    expect = static_cast<unsigned long long>(wide);
#else
    if (b != 0 && a > (~0ULL >> 1) / b) continue;
    expect = a * b / c;
#endif
    ASSERT_EQ(MulDiv(a, b, c), expect) << a << " " << b << " " << c;
  }
  // The largest table a host long can describe, with a BaseLine near a
  // third of it: f * r leaves 64 bits; the result is still exact.
  const zlong m = 0x7FFFFFFF / 4;
  const long long r = m / 3 - 300, g = r, b = r + 255;
  EXPECT_EQ(GrayScaledColour(m, 255, r, g, b), PackColour(254, 254, 255));
}

// Handed what no signature lets through, the handlers refuse it and touch
// nothing; a reference to a ColorRef is followed.
TEST_F(TripleVoxelTest, ArgumentsThatAreNoColorRef) {
  Variable lut1 = New("LUT1");
  const std::string before = zorl::Describe(lut1);
  for (const MethodEntry& m : engine.Modules()[0].methods) {
    std::string sig = m.signature;
    if (sig.find("ConvertVoxel(refer object ColorRef)") == std::string::npos)
      continue;
    Variable table = New(sig.substr(0, sig.find(':')));
    Variable colour = Colour(0x010203);
    std::vector<Variable> args{lut1, L(5), Variable(), S("abc")};
    args.push_back(zorl::MakeReference(&colour));
    for (Variable& arg : args) {
      zorl::Engine::Scope scope(engine);
      VarRegister result;
      VarRegister slots[2] = {VarRegister(&arg), VarRegister(&table)};
      m.handler(&result, slots, 2, engine.GetProcessor());
      Variable r = *static_cast<Variable*>(result);
      bool ok = &arg == &args.back();
      // In the LUTC3, sum 6 is a gray entry of level 1.
      EXPECT_EQ(Clrf(r), !ok ? -1 : sig[3] == 'C' ? 0x000101 : 0x010203);
      Errors refused{{3, "ColorRef expected"}};
      EXPECT_EQ(TakeErrors(), ok ? Errors() : refused) << sig;
    }
  }
  EXPECT_EQ(zorl::Describe(lut1), before);
}

}  // namespace
