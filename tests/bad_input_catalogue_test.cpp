// A catalogue of bad input: every signature of the module's method table,
// every argument slot given every kind of value that does not fit it, and
// every method on objects whose tables have no data or odd lengths. Each
// call must leave the engine intact: the object keeps its class and a well
// formed buffer, every value is well formed, and every error raised has a
// known number and a text. A curated set of cases pins the outcome itself.
#include <cmath>
#include <limits>
#include <set>

#include "engine/classes.h"
#include "engine/values.h"
#include "tests/harness.h"

namespace {

// The kinds of value the catalogue hands to a slot.
enum Kind {
  kLong,
  kNaN,
  kInfinity,
  kHugeLong,
  kNegative,
  kString,
  kEmptyString,
  kVector,
  kEmptyVector,
  kVectorOfStrings,
  kEmpty,
  kBoolean,
  kTable,  // an object of a table class other than the slot asks for
  kColorRef,
  kRect,
  kUnconnectedBuffer,
  kConnectedBuffer,
  kKinds
};

bool IsNumberKind(Kind k) {
  return k == kLong || k == kNaN || k == kInfinity || k == kHugeLong ||
         k == kNegative;
}

// Whether a value of kind k is what the parameter asks for (then it is no
// bad input).
bool Fits(const zorl::Param& p, Kind k) {
  switch (p.kind) {
    case zorl::Param::kInt:
    case zorl::Param::kChar:
    case zorl::Param::kNumber:
      return IsNumberKind(k);
    case zorl::Param::kBoolean:
      return k == kBoolean;
    case zorl::Param::kObject:
    case zorl::Param::kReferObject:
      if (p.cls == "Vector")
        return k == kVector || k == kEmptyVector || k == kVectorOfStrings;
      if (p.cls == "String") return k == kString || k == kEmptyString;
      if (p.cls == "ColorRef") return k == kColorRef;
      if (p.cls == "RECT") return k == kRect;
      return false;  // the table classes: kTable is always another class
    case zorl::Param::kReferAny:  // pixels: a String or a connected Buffer
      return k == kString || k == kEmptyString || k == kConnectedBuffer;
  }
  return false;
}

class BadInputCatalogueTest : public PluginTest {
 protected:
  struct Row {
    zorl::Signature sig;
    std::string text;
  };

  std::vector<Row> Rows() {
    std::vector<Row> rows;
    for (const MethodEntry& m : engine.Modules().at(0).methods) {
      Row r;
      std::string error;
      EXPECT_TRUE(zorl::ParseSignature(m.signature, &r.sig, &error)) << error;
      r.text = m.signature;
      rows.push_back(r);
    }
    return rows;
  }

  Variable Object(const std::string& cls, std::vector<Variable> args = {}) {
    Variable v = New(cls, std::move(args));
    EXPECT_EQ(TakeErrors(), Errors());
    return v;
  }

  // A value that fits the parameter.
  Variable Good(const zorl::Param& p) {
    switch (p.kind) {
      case zorl::Param::kInt:
      case zorl::Param::kChar:
      case zorl::Param::kNumber:
        return L(1);
      case zorl::Param::kBoolean:
        return zorl::MakeBoolean(true);
      case zorl::Param::kObject:
      case zorl::Param::kReferObject:
        if (p.cls == "Vector") return V({1, 2, 3});
        if (p.cls == "String") return S("\x01\x02\x03\x04\x05\x06");
        if (p.cls == "RECT") return Object("RECT", {L(0), L(0), L(9), L(9)});
        return Object(p.cls);
      case zorl::Param::kReferAny:
        return S("\x01\x02\x03\x04\x05\x06");
    }
    return Variable();
  }

  Variable Bad(Kind k, const zorl::Param& p) {
    switch (k) {
      case kLong:
        return L(7);
      case kNaN:
        return zorl::MakeDouble(std::nan(""));
      case kInfinity:
        return zorl::MakeDouble(-std::numeric_limits<double>::infinity());
      case kHugeLong:
        return L(std::numeric_limits<zlong>::max());
      case kNegative:
        return L(-1);
      case kString:
        return S("abc");
      case kEmptyString:
        return S("");
      case kVector:
        return V({1, 2, 3});
      case kEmptyVector:
        return V({});
      case kVectorOfStrings:
        return zorl::MakeVector({S("a"), S("b")});
      case kEmpty:
        return Variable();
      case kBoolean:
        return zorl::MakeBoolean(true);
      case kTable:
        return Object(p.cls == "LUT3" ? "LUTC3" : "LUT3");
      case kColorRef:
        return Object("ColorRef", {L(0x102030)});
      case kRect:
        return Object("RECT");
      case kUnconnectedBuffer:
        return Object("Buffer");
      case kConnectedBuffer:
        return Object("Buffer", {L(7)});
      case kKinds:
        break;
    }
    return Variable();
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

TEST_F(BadInputCatalogueTest, EverySlotGivenEveryWrongKind) {
  std::vector<Row> rows = Rows();
  ASSERT_EQ(rows.size(), 66u);
  for (const Row& r : rows) {
    bool ctor = r.sig.method == r.sig.cls;
    for (std::size_t slot = 0; slot < r.sig.params.size(); ++slot) {
      for (int k = 0; k < kKinds; ++k) {
        const zorl::Param& param = r.sig.params[slot];
        if (Fits(param, Kind(k))) continue;
        SCOPED_TRACE(r.text + " slot " + std::to_string(slot) + " kind " +
                     std::to_string(k));
        std::vector<Variable> args;
        for (const zorl::Param& q : r.sig.params) args.push_back(Good(q));
        args[slot] = Bad(Kind(k), param);
        Variable self = Object(r.sig.cls);
        Check(r, args, ctor ? nullptr : &self);
      }
    }
  }
  EXPECT_GT(cases, 1000);
  RecordProperty("cases", cases);
}

// Every method, with fitting arguments, on objects without data, with no
// bytes, and with lengths that are no multiple of the entry size; and with
// one argument too many or too few.
TEST_F(BadInputCatalogueTest, EveryMethodOnTablesOfOddShapes) {
  const zlong lengths[] = {-1, 0, 1, 5, 7, 13};
  for (const Row& r : Rows()) {
    std::vector<Variable> good;
    for (const zorl::Param& q : r.sig.params) good.push_back(Good(q));
    for (zlong len : lengths) {
      SCOPED_TRACE(r.text + " on " + std::to_string(len) + " bytes");
      Variable self = Object(r.sig.cls);
      self.SetLen(len);
      std::vector<Variable> args = good;
      Check(r, args, &self);
    }
    SCOPED_TRACE(r.text + " with a wrong count");
    Variable self = Object(r.sig.cls);
    std::vector<Variable> more = good;
    more.push_back(L(1));
    Check(r, more, &self);
    if (!good.empty()) {
      std::vector<Variable> fewer(good.begin(), good.end() - 1);
      Check(r, fewer, &self);
    }
  }
}

// Outcomes that the methods' failure rules fix.
TEST_F(BadInputCatalogueTest, CuratedOutcomes) {
  const ScriptError range{kLutErrorBase, "value out of LUT range"};
  const ScriptError refused{3, "parameter value refused"};
  Variable t1 = Object("LUT1");
  // An index outside the table: the module's error without a text, the
  // result untouched.
  EXPECT_EQ(Call(t1, "GetItem", {L(256)}).GetType(), PV_EMPTY);
  EXPECT_EQ(TakeErrors(), Errors{range});
  Variable t2 = Object("LUT2");
  EXPECT_EQ(Call(t2, "ConvertVoxel", {zorl::MakeDouble(-1.0)}).GetType(),
            PV_EMPTY);
  EXPECT_EQ(TakeErrors(), Errors{range});
  // A String where a number belongs: the host's error 2, read as 0.
  EXPECT_EQ(Call(t1, "GetItem", {S("x")}).GetLongNumb(), 0);
  EXPECT_EQ(TakeErrors(), (Errors{{2, "number expected"}}));
  // A wrong count names the candidates.
  Call(t1, "GetItem", {L(1), L(2)});
  EXPECT_EQ(TakeErrors(),
            (Errors{{22,
                     "no signature matches the arguments: LUT1::GetItem "
                     "takes no 2 arguments; it has LUT1::GetItem(int)"}}));

  // Shrink: a flag that is no boolean is error 73 and reads as false; the
  // method goes on. Parameters outside their accepted values are error 3,
  // no new object; a table without data returns silently.
  Variable shrunk = Call(t1, "Shrink", {L(0), L(1), L(1), L(0), L(1)});
  EXPECT_EQ(TakeErrors(), (Errors{{73, "boolean expected"}}));
  EXPECT_EQ(zorl::TypeName(shrunk), "LUT1");
  Variable b = zorl::MakeBoolean(true);
  EXPECT_EQ(Call(t1, "Shrink", {L(0), L(1), L(1), L(2), b}).GetType(),
            PV_EMPTY);
  EXPECT_EQ(TakeErrors(), Errors{refused});
  Variable none = Object("LUT1");
  none.SetLen(-1);
  EXPECT_EQ(Call(none, "Shrink", {L(0), L(1), L(1), L(0), b}).GetType(),
            PV_EMPTY);
  EXPECT_EQ(TakeErrors(), Errors());

  // Three-channel tables: a table number outside 0 to 3, mismatched Vector
  // lengths (BaseLine already 0, the bytes unchanged), Stretch to nothing.
  Variable t3 = Object("LUT3");
  EXPECT_EQ(Call(t3, "GetTable", {L(4)}).GetType(), PV_EMPTY);
  EXPECT_EQ(TakeErrors(), Errors{refused});
  EXPECT_EQ(Call(t3, "SetItem", {L(3), L(768), L(1)}).GetType(), PV_EMPTY);
  EXPECT_EQ(TakeErrors(), Errors{range});
  Variable m = New("LUT3", {V({1, 2}), V({1, 2}), V({1})});
  EXPECT_EQ(TakeErrors(), Errors{refused});
  EXPECT_EQ(m("BaseLine").GetLongNumb(), 0);
  EXPECT_EQ(m.GetData(), nullptr);
  EXPECT_EQ(Call(t3, "Stretch", {L(0)}).GetType(), PV_EMPTY);
  EXPECT_EQ(TakeErrors(), Errors{refused});
  Variable c3 = Object("LUTC3");
  EXPECT_EQ(Call(c3, "Stretch", {L(-1)}).GetType(), PV_EMPTY);
  EXPECT_EQ(TakeErrors(), Errors{refused});
  Variable c3none = Object("LUTC3");
  c3none.SetLen(-1);
  EXPECT_EQ(Call(c3none, "Stretch", {L(4)}).GetType(), PV_EMPTY);
  EXPECT_EQ(Call(c3none, "IsGrayScale").GetType(), PV_EMPTY);
  EXPECT_EQ(TakeErrors(), Errors());
  // LUTC3 lookups outside the table give the formatted text.
  Call(c3, "ConvertVoxel", {L(-5)});
  Errors e = TakeErrors();
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].number, kLutErrorBase);

  // A conversion whose source is no pixel buffer does nothing and reports
  // nothing: the destination keeps its value.
  for (Variable source : {L(5), V({1, 2, 3}), Object("Buffer"), Variable()}) {
    std::vector<Variable> args{S("keep"), source};
    Call(t3, "Convert3To1", args);
    EXPECT_EQ(TakeErrors(), Errors());
    EXPECT_EQ(Bytes(args[0]), "keep");
  }
  // The first 2-byte pixel outside a LUT2 stops its conversion.
  Variable small = New("LUT2", {L(4)});
  std::vector<Variable> px{S(std::string("\x01\x00\x09\x00", 4))};
  Variable out = Call(small, "Convert2To1", px);
  EXPECT_EQ(TakeErrors(),
            (Errors{{kLutErrorBase, "offset = 1, pixel value = 0x0009"}}));
  EXPECT_EQ(out.GetLen(), 2);
}

// Sizes that cannot be allocated: a clear error, or an object without
// data; never an abort. The engine refuses byte lengths above 1 GiB with
// host error 8.
TEST_F(BadInputCatalogueTest, SizesThatCannotBeAllocated) {
  auto number = [](const Errors& e) { return e.size() == 1 ? e[0].number : 0; };
  const zlong big = (zlong(1) << 30) + 1;
  Variable t2 = New("LUT2", {L(big)});
  EXPECT_EQ(number(TakeErrors()), 8);
  EXPECT_EQ(t2.GetData(), nullptr);
  Variable neg = New("LUT2", {L(-5)});  // no table, and nothing to report
  EXPECT_EQ(TakeErrors(), Errors());
  EXPECT_EQ(neg.GetData(), nullptr);
  // 6 n past 1 GiB, and 6 n past the host's long.
  Variable t3 = New("LUT3", {L(178956971)});
  EXPECT_EQ(number(TakeErrors()), 8);
  EXPECT_EQ(t3.GetData(), nullptr);
  New("LUT3", {L(std::numeric_limits<zlong>::max())});
  EXPECT_EQ(number(TakeErrors()), 3);
  Variable c3 = New("LUTC3", {L(89478486)});  // 3 n entries of 4 bytes
  EXPECT_EQ(number(TakeErrors()), 8);
  EXPECT_EQ(c3.GetData(), nullptr);

  // Stretch and Transform to sizes past the limits.
  Variable lut3 = Object("LUT3");
  Variable lutc3 = Object("LUTC3");
  EXPECT_EQ(Call(lut3, "Stretch", {zorl::MakeDouble(1e9)}).GetType(), PV_EMPTY);
  EXPECT_EQ(number(TakeErrors()), 3);
  Variable s = Call(lutc3, "Stretch", {L(300000000)});
  EXPECT_EQ(number(TakeErrors()), 8);
  EXPECT_EQ(s.GetData(), nullptr);
  Variable rect = Object("RECT");
  std::vector<Variable> wide{zorl::MakeDouble(2), zorl::MakeDouble(0),
                             L(std::numeric_limits<zlong>::min()),
                             L(std::numeric_limits<zlong>::max()), rect};
  Call(lut3, "Transform", wide);
  EXPECT_EQ(number(TakeErrors()), 3);
  EXPECT_EQ(lut3.GetLen(), 6 * 256);  // refused before anything changed
  wide[2] = L(0);
  wide[3] = L(100000000);  // a ramp of 3 * 2^27 entries of 4 bytes
  Call(lutc3, "Transform", wide);
  EXPECT_EQ(number(TakeErrors()), 8);
  EXPECT_EQ(lutc3.GetData(), nullptr);

  // The host's classes honour the same limit.
  Variable buffer = New("Buffer", {L(big)});
  EXPECT_EQ(number(TakeErrors()), 8);
  EXPECT_EQ(Call(buffer, "IsBufferConnected").GetLongNumb(), 0);
  New("Buffer", {L(-1)});
  EXPECT_EQ(number(TakeErrors()), 3);
  New("FrameBuffer", {L(65536), L(65536), L(3)});
  EXPECT_EQ(number(TakeErrors()), 8);
  Variable image = New("Image", {L(100000), L(100000), L(3)});
  EXPECT_EQ(number(TakeErrors()), 3);
  EXPECT_EQ(image("Pixels").GetLen(), 0);
  New("Image", {L(-1), L(5), L(1)});
  EXPECT_EQ(number(TakeErrors()), 3);
}

// A lowered limit (as the fuzzers set it) is honoured by every allocation,
// and restoring it gives the defaults back.
TEST_F(BadInputCatalogueTest, LoweredAllocationLimits) {
  zorl::SetAllocationLimits(1 << 16, 1 << 10);
  Variable t2 = New("LUT2", {L(65537)});
  Errors e = TakeErrors();
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].number, 8);
  EXPECT_EQ(t2.GetData(), nullptr);
  New("Buffer", {L(65537)});
  EXPECT_EQ(TakeErrors().size(), 1u);
  Variable ok = New("LUT2", {L(65536)});
  EXPECT_EQ(ok.GetLen(), 65536);
  zorl::SetAllocationLimits(std::numeric_limits<zlong>::max(),
                            std::numeric_limits<zlong>::max());
  Variable again = New("LUT2", {L(65537)});
  EXPECT_EQ(TakeErrors(), Errors());
  EXPECT_EQ(again.GetLen(), 65537);
}

}  // namespace
