// The loader and the dispatcher, driven with a small probe module and the
// plug-in: load failures, error ranges, resolution by kinds, refer binding,
// and the processor services a handler uses.
#include <gtest/gtest.h>

#include "engine/engine.h"
#include "tests/harness.h"

namespace {

using zorl::Engine;
using zorl::MakeLong;

std::string LoadFailure(const std::string& path) {
  Engine e;
  std::string message;
  EXPECT_FALSE(e.LoadPlugin(path, true, &message));
  EXPECT_FALSE(e.IsClass("Probe"));
  return message;
}

TEST(Loader, FailuresNameTheFileAndTheFault) {
  std::string m = LoadFailure("/nonexistent/liblut.so");
  EXPECT_EQ(m.rfind("/nonexistent/liblut.so: cannot load the plug-in", 0), 0u)
      << m;

  m = LoadFailure(PROBE_MISSING_EXPORT_PATH);
  EXPECT_NE(m.find("lacks export 5 (LibNotify)"), std::string::npos) << m;

  m = LoadFailure(PROBE_BAD_SIGNATURE_PATH);
  EXPECT_NE(
      m.find("method table row 1 (\"Probe::Raise(int,, char)\"): expected a "
             "parameter word"),
      std::string::npos)
      << m;

  m = LoadFailure(TESTS_DIR "/harness.h");  // a file that is no module
  EXPECT_NE(m.find("cannot load the plug-in"), std::string::npos) << m;
}

TEST(Loader, ClassesRegisterOnce) {
  Engine e;
  std::string m;
  ASSERT_TRUE(e.LoadPlugin(PROBE_OK_PATH, true, &m)) << m;
  EXPECT_FALSE(e.LoadPlugin(PROBE_OK_PATH, true, &m));
  EXPECT_NE(m.find("class Probe is already registered"), std::string::npos)
      << m;
  ASSERT_EQ(e.Modules().size(), 1u);
  EXPECT_EQ(e.Modules()[0].description, "probe module");
  EXPECT_EQ(e.Modules()[0].methods.size(), 9u);
  // The error table's first row has code 0: reading stops at null pointers.
  ASSERT_EQ(e.Modules()[0].errors.size(), 2u);
  EXPECT_EQ(e.Modules()[0].errors[1].name, "PROBE_FIVE");
}

TEST(Loader, ErrorRangesFollowLoadOrder) {
  Engine e;
  std::string m;
  ASSERT_TRUE(e.LoadPlugin(LUT_PLUGIN_PATH, true, &m)) << m;
  ASSERT_TRUE(e.LoadPlugin(PROBE_OK_PATH, true, &m)) << m;
  EXPECT_EQ(e.Modules()[0].errorOffset, 1000);
  EXPECT_EQ(e.Modules()[1].errorOffset, 1100);

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

class ProbeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string m;
    ASSERT_TRUE(e.LoadPlugin(PROBE_OK_PATH, true, &m)) << m;
    e.Construct(probe, "Probe", {});
    ASSERT_TRUE(e.TakeErrors().empty());
  }
  Variable CallWith(const std::string& method, Variable arg) {
    Variable r;
    e.Call(probe, method, {&arg}, &r);
    return r;
  }
  Engine e;
  Variable probe;
};

TEST_F(ProbeTest, ResolutionByKindsAndItsErrors) {
  EXPECT_EQ(CallWith("Kinds", MakeLong(7)).GetLongNumb(), 1);
  EXPECT_EQ(CallWith("Kinds", zorl::MakeDouble(7.5)).GetLongNumb(), 1);
  EXPECT_EQ(CallWith("Kinds", zorl::MakeBoolean(true)).GetLongNumb(), 2);
  EXPECT_EQ(CallWith("Kinds", zorl::MakeLongVector({1})).GetLongNumb(), 3);
  EXPECT_TRUE(e.TakeErrors().empty());

  Variable r = CallWith("Kinds", zorl::MakeString("s"));
  EXPECT_EQ(r.GetType(), PV_EMPTY);
  Errors errs = e.TakeErrors();
  ASSERT_EQ(errs.size(), 1u);
  EXPECT_EQ(errs[0].number, 22);
  EXPECT_EQ(errs[0].text,
            "no signature matches the arguments: Probe::Kinds(String) matches "
            "none of Probe::Kinds(int), Probe::Kinds(boolean), "
            "Probe::Kinds(object Vector)");

  e.Call(probe, "Nothing", {}, nullptr);
  errs = e.TakeErrors();
  ASSERT_EQ(errs.size(), 1u);
  EXPECT_EQ(errs[0].text, "unknown method: Probe has no method Nothing");

  Variable n = MakeLong(1);
  e.Call(n, "Kinds", {&n}, nullptr);
  EXPECT_EQ(e.TakeErrors()[0].number, 25);
}

TEST_F(ProbeTest, ReferParametersBindToTheCallersValue) {
  Variable target = zorl::MakeString("old");
  e.Call(probe, "Refer", {&target}, nullptr);
  EXPECT_EQ(target.GetLongNumb(), 42);
  // Through a reference, the reference's target receives the value.
  Variable other, ref = zorl::MakeReference(&other);
  e.Call(probe, "Refer", {&ref}, nullptr);
  EXPECT_EQ(other.GetLongNumb(), 42);
}

TEST_F(ProbeTest, ProcessorServices) {
  Variable r;
  e.Call(probe, "MakeColor", {}, &r);
  EXPECT_EQ(zorl::TypeName(r), "ColorRef");
  EXPECT_EQ(e.GetMember(r, "clrf")->GetLongNumb(), 0);

  Variable buffer, n = MakeLong(16);
  e.Construct(buffer, "Buffer", {&n});
  EXPECT_EQ(CallWith("Ask", buffer).GetLongNumb(), 1);
  Variable unconnected;
  e.Construct(unconnected, "Buffer", {});
  EXPECT_EQ(CallWith("Ask", unconnected).GetLongNumb(), 0);

  e.Call(probe, "Owner", {}, &r);
  EXPECT_EQ(r.GetLongNumb(), 1);
  EXPECT_EQ(GetConnector(), nullptr);  // nothing runs between calls
  EXPECT_TRUE(e.TakeErrors().empty());
}

}  // namespace
