// A catalogue of bad input: every signature of the module's method table,
// every argument slot given every kind of value, and
// every method on objects whose tables have no data or odd lengths. Each
// call must leave the engine intact: the object keeps its class and a well
// formed buffer, every value is well formed, and every error raised has a
// known number and a text.
#include <cmath>
#include <limits>
#include <set>

#include "tests/harness.h"

namespace {

using zorl::Param;
const zlong kMax = std::numeric_limits<zlong>::max();

class BadInputCatalogueTest : public PluginTest {
 protected:
  struct Row {
    zorl::Signature sig;
    std::string text;
  };
  std::vector<Row> Rows() {
    std::vector<Row> rows;
    for (const MethodEntry& m : engine.Modules().at(0).methods) {
      Row r{{}, m.signature};
      std::string error;
      EXPECT_TRUE(zorl::ParseSignature(r.text, &r.sig, &error)) << error;
      rows.push_back(r);
    }
    return rows;
  }
  Variable Object(const std::string& cls, std::vector<Variable> args = {}) {
    Variable v = New(cls, std::move(args));
    EXPECT_EQ(TakeErrors(), Errors());
    return v;
  }

  // Every kind of value the catalogue hands to a slot (those that fit it
  // make ordinary calls). The table is of a class other than cls.
  std::vector<Variable> Kinds(const std::string& cls) {
    Variable table = Object(cls == "LUT3" ? "LUTC3" : "LUT3"),
             colour = Object("ColorRef", {L(0x102030)}), rect = Object("RECT"),
             buffer = Object("Buffer"), connected = Object("Buffer", {L(7)}),
             vector = V({1, 2, 3}), none = V({});
    return {L(7),         L(kMax),    L(-1),     D(std::nan("")),
            D(-HUGE_VAL), vector,     none,      S("abc"),
            S(""),        Variable(), table,     colour,
            rect,         buffer,     connected, zorl::MakeBoolean(true)};
  }
  // A value that fits the parameter.
  Variable Good(const Param& p) {
    if (p.kind == Param::kBoolean) return zorl::MakeBoolean(true);
    if (p.kind == Param::kReferAny || p.cls == "String")
      return S("\x01\x02\x03\x04\x05\x06");
    if (p.cls == "Vector") return V({1, 2, 3});
    if (p.cls == "RECT") return Object("RECT", {L(0), L(0), L(9), L(9)});
    return p.cls.empty() ? L(1) : Object(p.cls);
  }

  // Calls row r on a new object of its class (a constructor as the host
  // runs it, on a new object) and checks that the engine is intact.
  void Check(const Row& r, std::vector<Variable>& args, Variable* self) {
    std::vector<Variable*> p;
    for (Variable& a : args) p.push_back(&a);
    Variable result;
    if (!self) {
      engine.Construct(result, r.sig.cls, p);
    } else {
      engine.Call(*self, r.sig.method, p, &result);
      EXPECT_EQ(zorl::TypeName(*self), r.sig.cls);
      WellFormed(*self);
    }
    WellFormed(result);
    for (Variable& a : args) WellFormed(a);
    static const std::set<zlong> known = {2,  3,  8,  10, 20, 21, 22,  23,
                                          24, 25, 26, 27, 73, 77, 1000};
    for (const ScriptError& e : TakeErrors()) {
      EXPECT_TRUE(known.count(e.number)) << e.number << ": " << e.text;
      EXPECT_FALSE(e.text.empty()) << e.number;
    }
    ++cases;
  }
  // A value's bytes and elements are what its length and count say.
  void WellFormed(Variable& v, int depth = 0) {
    ASSERT_LT(depth, 8);
    char* d = v.GetData();
    zlong n = v.GetLen();
    ASSERT_GE(n, 0);
    if (!d) {
      EXPECT_EQ(n, 0) << zorl::TypeName(v);
    } else if (n > 0) {
      volatile char last = d[n - 1];  // the sanitizer build checks the bytes
      static_cast<void>(last);
    }
    for (zlong i = 0; i < v.GetCount(); ++i) WellFormed(v[i], depth + 1);
  }

  int cases = 0;
};

// Every slot given every kind of value; every method,
// with fitting arguments, on objects without data, with no bytes, and with
// lengths that are no multiple of the entry size; and with one argument too
// many or too few.
TEST_F(BadInputCatalogueTest, EveryRowGivenBadInput) {
  std::vector<Row> rows = Rows();
  ASSERT_EQ(rows.size(), 66u);
  for (const Row& r : rows) {
    std::vector<Variable> good;
    for (const Param& q : r.sig.params) good.push_back(Good(q));
    for (std::size_t slot = 0; slot < good.size(); ++slot) {
      for (Variable& bad : Kinds(r.sig.params[slot].cls)) {
        SCOPED_TRACE(r.text + " slot " + std::to_string(slot) + " given " +
                     zorl::Describe(bad));
        std::vector<Variable> args = good;
        args[slot] = bad;
        Variable self = Object(r.sig.cls);
        Check(r, args, r.sig.method == r.sig.cls ? nullptr : &self);
      }
    }
    for (zlong len : {-1, 0, 1, 5, 7, 13}) {
      SCOPED_TRACE(r.text + " on " + std::to_string(len) + " bytes");
      Variable self = Object(r.sig.cls);
      self.SetLen(len);
      std::vector<Variable> args = good;
      Check(r, args, &self);
    }
    SCOPED_TRACE(r.text + " with a wrong count");
    Variable self = Object(r.sig.cls);
    std::vector<Variable> more = good, fewer = good;
    more.push_back(L(1));
    Check(r, more, &self);
    if (!fewer.empty()) fewer.pop_back();
    Check(r, fewer, &self);
  }
  EXPECT_GT(cases, 1500);
}

}  // namespace
