// Scripts that ask for more than the engine grants: memory, nesting, files.
// Each ends with a clear error, never a crash, a hang or an exhausted stack
// (the cases the script fuzzer guards against).
#include <cstdio>
#include <limits>
#include <sstream>

#include "language/interpreter.h"
#include "tests/harness.h"

namespace {

std::string Repeat(const std::string& s, int n) {
  std::string r;
  for (int i = 0; i < n; ++i) r += s;
  return r;
}

class ScriptLimitsTest : public PluginTest {
 protected:
  // Small limits keep the tests light: 1 MiB and 65536 elements.
  void SetUp() override {
    PluginTest::SetUp();
    zorl::SetAllocationLimits(1 << 20, 1 << 16);
  }
  void TearDown() override {
    zorl::SetAllocationLimits(std::numeric_limits<zlong>::max(),
                              std::numeric_limits<zlong>::max());
  }
  // Runs the script with --keep-going: what it printed to standard output,
  // then to standard error.
  std::string Run(const std::string& script, bool files = true) {
    std::istringstream in(script);
    std::ostringstream out, err;
    zorl::Interpreter interpreter(engine, out, err, true);
    interpreter.AllowFiles(files);
    interpreter.Run("t.zs", in, true);
    return out.str() + err.str();
  }
};

// fill() and Vector literals are counted over every level of nesting, so
// that a few short lines cannot multiply a Vector past memory; Vectors nest
// at most a thousand deep.
TEST_F(ScriptLimitsTest, VectorsAreCountedWhole) {
  const std::string refused =
      " a Vector of more than 65536 elements or 1048576 bytes in all\n";
  EXPECT_EQ(Run("v = fill(1000, fill(1000, 0))"),
            "t.zs:1: error 8: allocation refused: fill(n, x):" + refused);
  EXPECT_EQ(Run("a = fill(40000, 0)\nb = [a, a]\nprint(len(a))"),
            "40000\nt.zs:2: error 8: allocation refused: a Vector:" + refused);
  // A String joined to every element.
  EXPECT_EQ(Run("s = unhex(\"00\")\n" + Repeat("s = s + s\n", 10) +
                "v = s + fill(2000, \"\")"),
            "t.zs:12: error 8: allocation refused: operands of +:" + refused);
  EXPECT_EQ(Run("v = 0\n" + Repeat("v = [v]\n", 1001) + "print(1)"),
            "1\nt.zs:1002: error 8: allocation refused: a Vector: Vectors "
            "nested more than 1000 deep\n");
}

// Long chains of operators and members nest the tree as deeply as brackets
// do, and are refused at the same depth.
TEST_F(ScriptLimitsTest, LongChainsAreSyntaxErrors) {
  EXPECT_EQ(
      Run("x = 1" + Repeat("+1", 100000)).substr(0, 65),
      "t.zs:1:404: syntax error: expected at most 200 nested expressions");
  EXPECT_NE(Run("t = LUT1()\nx = t" + Repeat(".BaseLine", 100000))
                .find("syntax error: expected at most 200 nested"),
            std::string::npos);
}

// With file access disabled the file built-ins raise error 30 and touch
// nothing; allowed again, the same lines work.
TEST_F(ScriptLimitsTest, FileBuiltinsCanBeDisabled) {
  std::string path = std::string(BUILD_DIR) + "/script_limits_probe.txt";
  std::remove(path.c_str());
  std::string lines =
      "WriteFile(\"" + path + "\", \"x\")\nprint(ReadFile(\"" + path + "\"))\n";
  std::string off = ": file access is disabled\n";
  EXPECT_EQ(Run(lines + "ReadImage(\"a.png\")\nWriteImage(\"a.png\", 1, 1, 1, "
                        "\"x\")",
                false),
            "t.zs:1: error 30: file error: WriteFile(path, s)" + off +
                "t.zs:2: error 30: file error: ReadFile(path)" + off +
                "t.zs:3: error 30: file error: ReadImage(path)" + off +
                "t.zs:4: error 30: file error: WriteImage(path, width, height, "
                "depth, pixels)" +
                off);
  EXPECT_EQ(std::fopen(path.c_str(), "r"), nullptr);
  EXPECT_EQ(Run(lines), "\"x\"\n");
  std::remove(path.c_str());
}

}  // namespace
