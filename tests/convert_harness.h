// Calling the three-channel buffer conversions as a script does:
// t.Method(destination, source), with the destination bound by reference.
#ifndef ZORL_TESTS_CONVERT_HARNESS_H
#define ZORL_TESTS_CONVERT_HARNESS_H

#include <string>
#include <vector>

#include "engine/values.h"
#include "tests/harness.h"

class ConvertTest : public PluginTest {
 protected:
  // A LUT3 from three Vectors, or a LUTC3 from four, with a BaseLine.
  Variable Lut3(const std::vector<zlong>& red, const std::vector<zlong>& green,
                const std::vector<zlong>& blue, zlong base = 0) {
    Variable t = New("LUT3", {V(red), V(green), V(blue)});
    SetBaseLine(t, base);
    return t;
  }
  Variable Lutc3(const std::vector<zlong>& red, const std::vector<zlong>& green,
                 const std::vector<zlong>& blue, const std::vector<zlong>& gray,
                 zlong base = 0) {
    Variable t = New("LUTC3", {V(red), V(green), V(blue), V(gray)});
    SetBaseLine(t, base);
    return t;
  }
  // A table object whose bytes are exactly these (a LUT3 of n = size / 6,
  // a LUTC3 of m = size / 4).
  Variable Raw(const char* cls, const std::string& bytes, zlong base = 0) {
    Variable t = New(cls);
    t.SetLen(static_cast<zlong>(bytes.size()));
    if (!bytes.empty()) bytes.copy(t.GetData(), bytes.size());
    SetBaseLine(t, base);
    return t;
  }
  void SetBaseLine(Variable& t, zlong b) {
    engine.SetMember(t, "BaseLine", L(b));
  }

  // t.method(dst, src); dst receives what the method left in the script's
  // variable. The errors raised.
  Errors Convert(Variable& t, const std::string& method, Variable& dst,
                 const Variable& src) {
    std::vector<Variable> args{dst, src};
    Call(t, method, args);
    dst = args[0];
    return TakeErrors();
  }
  // The output of a conversion into a new variable; errors must match.
  std::string Out(Variable t, const std::string& method,
                  const std::string& src, const Errors& expected = {}) {
    Variable dst;
    EXPECT_EQ(Convert(t, method, dst, S(src)), expected) << method;
    EXPECT_EQ(dst.GetType(), PV_STRING) << method;
    return zorl::StringBytes(dst);
  }
};

inline ScriptError PixelError(const std::string& text) {
  return ScriptError{kLutErrorBase, text};
}

// Bytes from a list of numbers.
inline std::string B(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(static_cast<char>(b));
  return s;
}

// 2-byte pixels, low byte first.
inline std::string W(std::initializer_list<int> words) {
  std::string s;
  for (int w : words) {
    s.push_back(static_cast<char>(w & 0xFF));
    s.push_back(static_cast<char>(w >> 8 & 0xFF));
  }
  return s;
}

#endif
