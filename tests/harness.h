// A loaded plug-in and short ways to make objects, call methods and run
// conversions on it, as a script would.
#ifndef ZORL_TESTS_HARNESS_H
#define ZORL_TESTS_HARNESS_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/engine.h"

using zorl::Errors;
using zorl::ScriptError;
typedef std::vector<int> Entries;  // a table's bytes as numbers

// The first module's error range starts here.
constexpr zlong kLutErrorBase = 1000;
const ScriptError kOutOfRange{kLutErrorBase, "value out of LUT range"};
const ScriptError kRefused{3, "parameter value refused"};
inline ScriptError PixelError(const std::string& text) {
  return ScriptError{kLutErrorBase, text};
}

inline Variable L(zlong l) { return zorl::MakeLong(l); }
inline Variable D(double d) { return zorl::MakeDouble(d); }
inline Variable S(const std::string& s) { return zorl::MakeString(s); }
inline Variable V(const std::vector<zlong>& v) {
  return zorl::MakeLongVector(v);
}
inline Variable Vec(const Entries& e) {
  return V(std::vector<zlong>(e.begin(), e.end()));
}
// Bytes from numbers, and 2-byte pixels (low byte first).
inline std::string B(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(static_cast<char>(b));
  return s;
}
inline std::string W(const std::vector<int>& words) {
  std::string s;
  for (int w : words) s += B({w & 0xFF, w >> 8 & 0xFF});
  return s;
}

// The three-channel buffer conversions: bytes a pixel, bytes of output a
// pixel, and whether the output is as long as the source.
struct Conversion {
  const char* cls;
  const char* name;
  int pixelBytes, outBytes;
  bool sizedBySource;
  bool lutc3() const { return cls[3] == 'C'; }
  std::string Name() const { return std::string(cls) + "::" + name; }
};
inline const Conversion kConversions[] = {
    {"LUT3", "Convert1To1", 1, 1, false},
    {"LUT3", "Convert2To1", 2, 1, false},
    {"LUT3", "Convert3To1", 3, 1, false},
    {"LUT3", "Convert3To3", 3, 3, true},
    {"LUT3", "Convert2To3", 2, 3, false},
    {"LUT3", "ConvertU2To3", 2, 3, false},
    {"LUT3", "Convert1To3", 1, 3, false},
    {"LUT3", "Convert2To2", 2, 2, true},
    {"LUTC3", "Convert1To1", 1, 1, false},
    {"LUTC3", "Convert2To1", 2, 1, false},
    {"LUTC3", "Convert3To1", 3, 1, false},
    {"LUTC3", "Convert3To3", 3, 3, true},
    {"LUTC3", "Convert2To3", 2, 3, false},
    {"LUTC3", "Convert1To3", 1, 3, false},
    {"LUTC3", "Convert2To2", 2, 2, true},
};

class PluginTest : public ::testing::Test {
 protected:
  explicit PluginTest(bool errorRange = true) : errorRange_(errorRange) {}

  void SetUp() override {
    std::string message;
    ASSERT_TRUE(engine.LoadPlugin(LUT_PLUGIN_PATH, errorRange_, &message))
        << message;
    zorl::TakeDebugOutput();
  }

  // A new object of class cls, made with these arguments.
  Variable New(const std::string& cls, std::vector<Variable> args = {}) {
    Variable obj;
    engine.Construct(obj, cls, Pointers(args));
    return obj;
  }
  // A table without data: its constructor refused the length.
  Variable NoData(const std::string& cls) {
    Variable t = New(cls, {L(-1)});
    TakeErrors();
    return t;
  }
  // A table object whose bytes are exactly these.
  Variable Raw(const char* cls, const std::string& bytes, zlong base = 0) {
    Variable t = New(cls);
    t.SetLen(static_cast<zlong>(bytes.size()));
    if (!bytes.empty()) bytes.copy(t.GetData(), bytes.size());
    SetBaseLine(t, base);
    return t;
  }

  // Calls a method; refer parameters bind to the elements of args, so the
  // caller sees what the method wrote there.
  Variable Call(Variable& obj, const std::string& method,
                std::vector<Variable>& args) {
    Variable result;
    engine.Call(obj, method, Pointers(args), &result);
    return result;
  }
  Variable Call(Variable& obj, const std::string& method,
                std::vector<Variable>&& args = {}) {
    return Call(obj, method, args);
  }
  // t.method(dst, src) as a script runs it: dst receives what the method
  // left in the script's variable. The errors raised.
  Errors Convert(Variable& t, const std::string& method, Variable& dst,
                 const Variable& src) {
    std::vector<Variable> args{dst, src};
    Call(t, method, args);
    dst = args[0];
    return TakeErrors();
  }
  // The output of a conversion into a new variable; errors must match.
  std::string Out(Variable t, const std::string& method, const std::string& src,
                  const Errors& expected = {}) {
    Variable dst;
    EXPECT_EQ(Convert(t, method, dst, S(src)), expected) << method;
    return zorl::StringBytes(dst);
  }

  zlong BaseLineOf(Variable& t) {
    Variable* b = engine.GetMember(t, "BaseLine");
    return b ? b->GetLongNumb() : -99999;
  }
  void SetBaseLine(Variable& t, zlong b) {
    engine.SetMember(t, "BaseLine", L(b));
  }
  Errors TakeErrors() { return engine.TakeErrors(); }

  // The bytes of an object's table, or of a String; and as numbers.
  static std::string Bytes(Variable& v) {
    const char* d = v.GetData();
    return d ? std::string(d, static_cast<std::size_t>(v.GetLen()))
             : std::string();
  }
  static Entries U(Variable t) {
    Entries e;
    for (char c : Bytes(t)) e.push_back(static_cast<unsigned char>(c));
    return e;
  }
  static Entries Slice(const Entries& e, std::size_t from, std::size_t n) {
    return Entries(e.begin() + from, e.begin() + from + n);
  }

  zorl::Engine engine;

 private:
  static std::vector<Variable*> Pointers(std::vector<Variable>& args) {
    std::vector<Variable*> p;
    for (Variable& a : args) p.push_back(&a);
    return p;
  }
  bool errorRange_;
};

#endif
