// The loader and the dispatcher, driven with a small probe module and the
// plug-in: load failures, error ranges, resolution by kinds, refer binding.
#include "tests/harness.h"

namespace {

using zorl::Engine;
using zorl::MakeLong;

TEST(Loader, FailuresNameTheFileAndTheFault) {
  for (auto [path, fault] : {
           std::make_pair("/nonexistent/liblut.so",
                          "/nonexistent/liblut.so: cannot load the plug-in"),
           std::make_pair(PROBE_MISSING_EXPORT_PATH,
                          "lacks export 5 (LibNotify)"),
           std::make_pair(PROBE_BAD_SIGNATURE_PATH,
                          "method table row 1 (\"Probe::Raise(int,, char)\"): "
                          "expected a parameter word"),
       }) {
    Engine e;
    std::string message;
    EXPECT_FALSE(e.LoadPlugin(path, true, &message));
    EXPECT_NE(message.find(fault), std::string::npos) << message;
    EXPECT_FALSE(e.IsClass("Probe"));
  }
}

TEST(Loader, ClassesRegisterOnceAndErrorRangesFollowLoadOrder) {
  Engine e;
  std::string m;
  ASSERT_TRUE(e.LoadPlugin(LUT_PLUGIN_PATH, true, &m)) << m;
  ASSERT_TRUE(e.LoadPlugin(PROBE_OK_PATH, true, &m)) << m;
  EXPECT_FALSE(e.LoadPlugin(PROBE_OK_PATH, true, &m));
  EXPECT_NE(m.find("class Probe is already registered"), std::string::npos)
      << m;
  ASSERT_EQ(e.Modules().size(), 2u);
  const zorl::ModuleInfo& probe = e.Modules()[1];
  EXPECT_EQ(probe.description + std::to_string(probe.methods.size()),
            "probe module6");
  // The error table's first row has code 0: reading stops at null pointers.
  ASSERT_EQ(probe.errors.size(), 2u);
  EXPECT_EQ(probe.errors[1].name, "PROBE_FIVE");
  EXPECT_EQ(e.Modules()[0].errorOffset, 1000);
  EXPECT_EQ(probe.errorOffset, 1100);

  Variable p, code = MakeLong(5);
  e.Construct(p, "Probe", {});
  e.Call(p, "Raise", {&code}, nullptr);
  // The handler goes on after raising: the error is pending, not thrown.
  EXPECT_EQ(e.TakeErrors(), (Errors{{1105, "probe code five"}}));
  EXPECT_EQ(e.GetMember(p, "after")->GetLongNumb(), 1);

  Engine none;
  ASSERT_TRUE(none.LoadPlugin(PROBE_OK_PATH, false, &m)) << m;
  EXPECT_EQ(none.Modules()[0].errorOffset, 0xFFFF);
}

TEST(Loader, ResolutionByKindsAndReferBinding) {
  Engine e;
  std::string m;
  ASSERT_TRUE(e.LoadPlugin(PROBE_OK_PATH, true, &m)) << m;
  Variable probe;
  e.Construct(probe, "Probe", {});
  for (auto [arg, which] : {std::make_pair(MakeLong(7), 1),
                            std::make_pair(zorl::MakeDouble(7.5), 1),
                            std::make_pair(zorl::MakeBoolean(true), 2),
                            std::make_pair(zorl::MakeLongVector({1}), 3),
                            std::make_pair(zorl::MakeString("s"), 0)}) {
    Variable r;
    e.Call(probe, "Kinds", {&arg}, &r);
    EXPECT_EQ(r.GetType() == PV_EMPTY ? 0 : r.GetLongNumb(), which);
  }
  e.Call(probe, "Nothing", {}, nullptr);
  Variable n = MakeLong(1);
  e.Call(n, "Kinds", {&n}, nullptr);
  EXPECT_EQ(e.TakeErrors(),
            (Errors{{22,
                     "no signature matches the arguments: "
                     "Probe::Kinds(String) matches none of "
                     "Probe::Kinds(int), Probe::Kinds(boolean), "
                     "Probe::Kinds(object Vector)"},
                    {21, "unknown method: Probe has no method Nothing"},
                    {25, "object expected: method Kinds called on a long"}}));
  // A refer parameter binds to the caller's value; through a reference, the
  // reference's target receives it.
  Variable target = zorl::MakeString("old"), other,
           ref = zorl::MakeReference(&other);
  e.Call(probe, "Refer", {&target}, nullptr);
  e.Call(probe, "Refer", {&ref}, nullptr);
  EXPECT_EQ(target.GetLongNumb() + other.GetLongNumb(), 84);
}

}  // namespace
