// Scripts that ask for more than the engine grants: memory, nesting, files.
// Each ends with a clear error, never a crash, a hang or an exhausted stack
// (the cases the script fuzzer guards against).
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <sstream>
#include <thread>

#include "language/interpreter.h"
#include "tests/harness.h"

namespace {

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

  // Runs the script with --keep-going; what it printed to standard error.
  std::string Run(const std::string& script, bool files = true) {
    std::istringstream in(script);
    std::ostringstream out, err;
    zorl::Interpreter interpreter(engine, out, err, true);
    interpreter.AllowFiles(files);
    status = interpreter.Run("t.zs", in, true);
    printed = out.str();
    return err.str();
  }

  static std::string Repeat(const std::string& s, int n) {
    std::string r;
    for (int i = 0; i < n; ++i) r += s;
    return r;
  }

  int status = 0;
  std::string printed;
};

// fill() and Vector literals are counted over every level of nesting, so
// that a few short lines cannot multiply a Vector past memory.
TEST_F(ScriptLimitsTest, NestedVectorsAreCountedWhole) {
  EXPECT_EQ(Run("v = fill(1000, fill(1000, 0))"),
            "t.zs:1: error 8: allocation refused: fill(n, x): a Vector of "
            "more than 65536 elements or 1048576 bytes in all\n");
  EXPECT_EQ(Run("a = fill(40000, 0)\nb = [a, a]\nprint(len(a))"),
            "t.zs:2: error 8: allocation refused: a Vector: a Vector of more "
            "than 65536 elements or 1048576 bytes in all\n");
  EXPECT_EQ(printed, "40000\n");
  // A String joined to every element.
  EXPECT_EQ(Run("s = unhex(\"00\")\n" + Repeat("s = s + s\n", 10) +
                "v = s + fill(2000, \"\")\nprint(len(s))"),
            "t.zs:12: error 8: allocation refused: operands of +: a Vector "
            "of more than 65536 elements or 1048576 bytes in all\n");
  EXPECT_EQ(printed, "1024\n");
}

// Every size a script gives is checked in 64 bits against the limits before
// anything is allocated, products included; image files too.
TEST_F(ScriptLimitsTest, SizesAreRefusedBeforeAllocation) {
  const char* const kMore = ", more than 1048576";
  const struct {
    std::string script, error;
  } cases[] = {
      {"f = FrameBuffer(2000000000, 2000000000, 3)",
       "error 8: allocation refused: a buffer of 2000000000 x 2000000000 x 3 "
       "bytes" +
           std::string(kMore)},
      {"f = FrameBuffer(4194304, 2097152, 2097152)",
       "error 8: allocation refused: a buffer of 4194304 x 2097152 x 2097152 "
       "bytes" +
           std::string(kMore)},
      {"f = FrameBuffer(-1, 2, 3)",
       "error 3: parameter value refused: a buffer of -1 x 2 x 3 bytes"},
      {"b = Buffer(-5)",
       "error 3: parameter value refused: a buffer of -5 "
       "bytes"},
      {"v = fill(-1, 0)",
       "error 3: parameter value refused: fill(n, x): a "
       "count of -1"},
      {"v = range(-2147483647, 2147483647)",
       "error 8: allocation refused: range(a, b): 4294967294 elements"},
      {"p = Image(1000, 600, 1).Pixels\nx = hex(p)",
       "error 8: allocation refused: hex(s): 2 x 600000 bytes" +
           std::string(kMore)},
      {"p = Image(1000, 600, 1).Pixels\nx = p + p",
       "error 8: allocation refused: operands of +: a String of 600000 + "
       "600000 bytes" +
           std::string(kMore)},
      {"x = ReadFile(\"big.bin\")",
       "error 30: file error: big.bin: more than 1048576 bytes"},
      // A PNG that declares 32000 x 32000 colour pixels: refused before its
      // pixels are decoded.
      {"WriteFile(\"big.png\", unhex(\"89504e470d0a1a0a0000000d494844520000"
       "7d0000007d0008020000000ce0455a000000004944415435af061e\"))\n"
       "i = ReadImage(\"big.png\")",
       "error 30: file error: big.png: 32000 x 32000 pixels of depth 3 are "
       "more than 1048576 bytes"},
      {"WriteFile(\"hi.pgm\", \"P5\\n2 1\\n100\\n\\x10\\xc8\")\n"
       "i = ReadImage(\"hi.pgm\")",
       "error 30: file error: hi.pgm: PGM/PPM sample 200 is above the maximum "
       "value 100"},
  };
  char here[4096];
  ASSERT_TRUE(getcwd(here, sizeof here));
  ASSERT_EQ(chdir(::testing::TempDir().c_str()), 0);
  std::FILE* big = std::fopen("big.bin", "w");
  ASSERT_TRUE(big);
  std::fclose(big);
  ASSERT_EQ(truncate("big.bin", 2 << 20), 0);
  for (const auto& c : cases) {
    std::string err = Run(c.script);
    auto line = std::count(c.script.begin(), c.script.end(), '\n') + 1;
    EXPECT_EQ(err, "t.zs:" + std::to_string(line) + ": " + c.error + "\n")
        << c.script;
  }
  ASSERT_EQ(chdir(here), 0);
}

TEST_F(ScriptLimitsTest, VectorsNestAtMostAThousandDeep) {
  std::string err = Run("v = 0\n" + Repeat("v = [v]\n", 1001) + "print(1)");
  EXPECT_EQ(err,
            "t.zs:1002: error 8: allocation refused: a Vector: Vectors nested "
            "more than 1000 deep\n");
  EXPECT_EQ(printed, "1\n");
}

// A chain of operators is one level however long; members, brackets and
// calls nest, and are refused past 200 levels.
TEST_F(ScriptLimitsTest, OnlyRealNestingIsLimited) {
  EXPECT_EQ(Run("x = 1" + Repeat(" + 1", 9999) + "\nprint(x)"), "");
  EXPECT_EQ(printed, "10000\n");
  std::string members = "t = LUT1()\nx = t" + Repeat(".BaseLine", 100000);
  EXPECT_NE(Run(members).find("syntax error: expected at most 200 nested"),
            std::string::npos);
  EXPECT_EQ(status, 2);
}

// An embedder's step limit ends an endless loop, and recursion without end
// stops at its depth limit: errors naming the line, never a hang or an
// exhausted stack, and no try that defeats them.
TEST_F(ScriptLimitsTest, LoopsAndRecursionEnd) {
  std::istringstream in("x = 0\nwhile true\n  x = x + 1\nend\nprint(x)");
  std::ostringstream out, err;
  zorl::Interpreter interpreter(engine, out, err, true);
  interpreter.SetStepLimit(1000);
  EXPECT_EQ(interpreter.Run("t.zs", in, true), 1);
  EXPECT_EQ(err.str(),
            "t.zs:3: error 29: limit reached: the script took more than 1000 "
            "steps (statements and rounds of loops)\n");
  EXPECT_EQ(out.str(), "");
  // A try catches the limit, but whatever runs after it is past it too.
  std::istringstream caught(
      "try\n  while true\n  end\ncatch e\n  print(e.number)\nend");
  EXPECT_EQ(interpreter.Run("t.zs", caught, true), 1);
  EXPECT_EQ(err.str().substr(err.str().rfind("t.zs")),
            "t.zs:5: error 29: limit reached: the script took more than 1000 "
            "steps (statements and rounds of loops)\n");
  // Caught errors are neither reported nor counted, with keepGoing too.
  EXPECT_EQ(Run("try\n  x = 1 / 0\ncatch\nend\nprint(2)"), "");
  EXPECT_EQ(status, 0);
  std::string nested = Run("def f(n)\n  return f(f(n))\nend\nf(" +
                           Repeat("f(", 150) + "1" + Repeat(")", 151));
  EXPECT_EQ(nested.substr(0, 44),
            "t.zs:2: error 29: limit reached: calls of fu");
}

// Values charge the memory budget while they live and give their charge
// back when they die, whichever thread makes them: once a script's values
// are gone (refused ones too) the count is where it started.
TEST_F(ScriptLimitsTest, MemoryHeldReturnsToItsStart) {
  long long budget = zorl::MemoryBudget(), start = zorl::MemoryHeld();
  zorl::SetMemoryBudget(256 << 10);
  const char* const kOver =
      "error 8: allocation refused: values would hold 257 KiB; the memory "
      "budget is 256 KiB (ZORL_MEMORY)";
  const struct {
    std::string script, error;
  } cases[] = {
      {"s = \"abc\" + \"def\"\nv = [s, [1, 2.5], fill(100, s)]\nappend(v, "
       "v)\nw = v\nw[1] = v\nw = 0",
       ""},
      {"b = Buffer(1000)\nc = b\nf = FrameBuffer(10, 10, 3)\ni = Image(20, "
       "20, 3)\nt = LUT3(256)\nu = [t, t]\nt.BaseLine = 2",
       ""},
      {"v = [1]\n" + Repeat("v = [v, v]\n", 10),
       "t.zs:11: " + std::string(kOver)},
      {"t = LUT2(300000)",
       "t.zs:1: error 8: allocation refused: values would "
       "hold 294 KiB; the memory budget is 256 KiB (ZORL_MEMORY) (in "
       "LUT2::LUT2)"},
  };
  for (const auto& c : cases) {
    {
      std::istringstream in(c.script);
      std::ostringstream out, err;
      zorl::Interpreter interpreter(engine, out, err, true);
      interpreter.Run("t.zs", in, true);
      EXPECT_EQ(err.str(), c.error.empty() ? "" : c.error + "\n");
      EXPECT_GT(zorl::MemoryHeld(), start) << c.script;
    }
    EXPECT_EQ(zorl::MemoryHeld(), start) << c.script;
  }
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([] {
      for (int i = 0; i < 20000; ++i)
        Variable v = zorl::MakeVector({zorl::MakeString("abc"), L(i)});
    });
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(zorl::MemoryHeld(), start);
  zorl::SetMemoryBudget(budget);
}

// With file access disabled the file built-ins raise error 30 and touch
// nothing.
TEST_F(ScriptLimitsTest, FileBuiltinsCanBeDisabled) {
  std::string path = std::string(BUILD_DIR) + "/script_limits_probe.txt";
  std::remove(path.c_str());
  std::string err =
      Run("WriteFile(\"" + path + "\", \"x\")\nReadFile(\"" + path +
              "\")\nReadImage(\"a.png\")\nWriteImage(\"a.png\", 1, 1, 1, "
              "\"x\")\nprint(1)",
          false);
  EXPECT_EQ(err,
            "t.zs:1: error 30: file error: WriteFile(path, s): file access "
            "is disabled\n"
            "t.zs:2: error 30: file error: ReadFile(path): file access is "
            "disabled\n"
            "t.zs:3: error 30: file error: ReadImage(path, frame): file access "
            "is disabled\n"
            "t.zs:4: error 30: file error: WriteImage(path, width, height, "
            "depth, pixels): file access is disabled\n");
  EXPECT_EQ(printed, "1\n");
  struct stat st;
  EXPECT_NE(stat(path.c_str(), &st), 0);
  // Allowed again, the same lines work.
  EXPECT_EQ(Run("WriteFile(\"" + path + "\", \"x\")\nprint(ReadFile(\"" + path +
                "\"))"),
            "");
  EXPECT_EQ(printed, "\"x\"\n");
  std::remove(path.c_str());
}

}  // namespace
