// A loaded plug-in and short ways to make objects and call methods on it,
// as a script would.
#ifndef ZORL_TESTS_HARNESS_H
#define ZORL_TESTS_HARNESS_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/engine.h"

using zorl::Errors;
using zorl::ScriptError;

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

  Errors TakeErrors() { return engine.TakeErrors(); }
  // The bytes of an object's table, or of a String.
  static std::string Bytes(Variable& v) {
    const char* d = v.GetData();
    return d ? std::string(d, static_cast<std::size_t>(v.GetLen()))
             : std::string();
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

// The first module's error range starts here.
constexpr zlong kLutErrorBase = 1000;

inline Variable L(zlong l) { return zorl::MakeLong(l); }
inline Variable S(const std::string& s) { return zorl::MakeString(s); }
inline Variable V(const std::vector<zlong>& v) {
  return zorl::MakeLongVector(v);
}

#endif
