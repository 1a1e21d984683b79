// The zorl command as a user runs it: commands, options, exit statuses,
// the order of standard output and standard error, and where it finds the
// plug-in.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

struct Outcome {
  int status;
  std::string out;  // standard output, or both streams with 2>&1
};

// Runs a shell command line in a scratch folder.
Outcome Shell(const std::string& command) {
  // Standard input is no terminal, even when the tests run from one, so
  // that zorl without a command never waits at its prompt.
  std::string line = "exec </dev/null; cd " +
                     std::string(::testing::TempDir()) + " && " + command;
  std::FILE* p = popen(line.c_str(), "r");
  Outcome o{-1, ""};
  if (!p) return o;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) o.out.append(buf, n);
  int raw = pclose(p);
  o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return o;
}

const std::string kZorl = ZORL_PATH;

TEST(ZorlCli, StatementsFromTheCommandLineAndStandardInput) {
  Outcome o = Shell(kZorl + " run -e 'x = 6' -e 'print(x * 7)\nprint(\"b\")'");
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, "42\n\"b\"\n");

  o = Shell("printf 'print(1)\\nprint(q)\\nprint(2)\\n' | " + kZorl +
            " run - 2>&1");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.out, "1\n<stdin>:2: error 24: unknown variable: q\n");

  // Standard input is read whole and checked before its first line runs.
  o = Shell("printf 'print(1)\\nprint(\\n' | " + kZorl + " run - 2>&1");
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.out,
            "<stdin>:2:7: syntax error: expected an expression, found the "
            "end of the line\n");
}

// The prompt, read from a pipe: a block runs at its end, an error is
// reported and the next statement runs; a block left open at the end is a
// syntax error.
TEST(ZorlCli, PromptRunsEachStatementWhenComplete) {
  Outcome o = Shell(
      "printf 'x = 1\\nwhile x < 5\\nx = x * 3\\nend\\n"
      "print(y)\\nprint(x)\\nif 1\\n' | " +
      kZorl + " repl 2>&1");
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.out,
            "<stdin>:5: error 24: unknown variable: y\n9\n"
            "<stdin>:7:1: syntax error: expected 'end' to close the 'if' of "
            "this line, found the end of the script\n");
}

TEST(ZorlCli, OutputAndErrorsKeepTheirOrder) {
  Outcome o = Shell(kZorl +
                    " run --keep-going -e 'print(1)' -e 'LUT1().GetItem(-1)' "
                    "-e 'print(2)' -e 'x = LUT1().GetItem(999)' -e 'print(3)' "
                    "2>&1");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.out,
            "1\n-e:2: error 1000: value out of LUT range (in LUT1::GetItem)\n"
            "2\n-e:4: error 1000: value out of LUT range (in LUT1::GetItem)\n"
            "3\n");
  o = Shell(kZorl +
            " run --no-error-range -e 'print(1)' -e 'LUT1().GetItem(-1)' "
            "-e 'print(2)' 2>&1");
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, "1\ndebug: LUT ERROR: 0, \n2\n");
}

TEST(ZorlCli, UsageErrorsAndHelp) {
  Outcome o = Shell(kZorl + " --help");
  EXPECT_EQ(o.status, 0);
  EXPECT_NE(o.out.find("zorl run SCRIPT"), std::string::npos);
  o = Shell(kZorl + " run --help");
  EXPECT_EQ(o.status, 0);
  EXPECT_NE(o.out.find("--keep-going"), std::string::npos);
  for (const char* bad :
       {"", "frobnicate", "run", "run a.zs b.zs", "run a.zs -e 'x = 1'",
        "run -e", "run --plugin", "methods --colour", "run a.zs --nope"}) {
    o = Shell(kZorl + " " + bad + " 2>&1");
    EXPECT_EQ(o.status, 2) << bad;
    EXPECT_EQ(o.out.compare(0, 6, "zorl: "), 0) << bad << ": " << o.out;
  }
  o = Shell(kZorl + " run no-such-script.zs 2>&1");
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.out,
            "zorl: cannot read no-such-script.zs: No such file or directory\n");
  o = Shell(kZorl + " run -e 'print(1)' --plugin /no/such.so 2>&1");
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.out.compare(0, 19, "zorl: /no/such.so: "), 0) << o.out;
}

// The command's edges: script paths it refuses, writes that fail (the
// output's too, which ends the run even with --keep-going), a byte-order
// mark and a NUL in a script, writes through a link, its version.
TEST(ZorlCli, Edges) {
  const std::string z = kZorl + " ";
  const struct {
    std::string command;
    int status;
    std::string out;
  } cases[] = {
      {"mkdir -p d && " + z + "run d", 2,
       "zorl: cannot read d: Is a directory\n"},
      {z + "run /proc/self/mem", 2,
       "zorl: cannot read /proc/self/mem: Input/output error\n"},
      {z + "run /dev/zero", 2,
       "zorl: cannot read /dev/zero: not a regular file\n"},
      {"truncate -s 65M big.zs && " + z + "run big.zs", 2,
       "zorl: cannot read big.zs: more than 67108864 bytes\n"},
      {z + "run -e 'WriteFile(\"/dev/full\", \"abc\")'", 1,
       "-e:1: error 30: file error: /dev/full: No space left on device\n"},
      {z + "run -e 'print(1)' >/dev/full", 1,
       "-e:1: error 30: file error: print(...): cannot write standard output: "
       "No space left on device\n"},
      {"exec 3>&1; { sleep 0.3; " + z +
           "run --keep-going -e 'print(1)' -e 'print(2)' 2>&3; echo $? >&3; } "
           "| true",
       0,
       "-e:1: error 30: file error: print(...): cannot write standard output: "
       "Broken pipe\n1\n"},
      {"printf '\\357\\273\\277print(1)\\n' >bom.zs && " + z + "run bom.zs", 0,
       "1\n"},
      {"printf 'print(1)\\000\\n' >nul.zs && " + z + "run nul.zs", 2,
       "nul.zs:1:9: syntax error: expected an operator, '=' or the end of the "
       "line, found '\\x00'\n"},
      {"rm -f real link fresh && echo old >real && chmod 640 real && ln -s "
       "real link && umask 022 && " +
           z +
           "run -e 'WriteFile(\"link\", \"new\")' -e "
           "'WriteFile(\"fresh\", \"x\")' && cat real && echo && stat -c %A "
           "link real fresh",
       0, "new\nlrwxrwxrwx\n-rw-r-----\n-rw-r--r--\n"},
      {z + "--version", 0, "zorl " ZORL_VERSION "\n"},
  };
  for (const auto& c : cases) {
    Outcome o = Shell("(" + c.command + ") 2>&1");
    EXPECT_EQ(o.status, c.status) << c.command;
    EXPECT_EQ(o.out, c.out) << c.command;
  }
  struct stat st;  // written directly, never replaced
  EXPECT_TRUE(stat("/dev/full", &st) == 0 && S_ISCHR(st.st_mode));
}

TEST(ZorlCli, MethodsListsTheModule) {
  Outcome o = Shell(kZorl + " methods --plugin " LUT_PLUGIN_PATH);
  EXPECT_EQ(o.status, 0);
  EXPECT_NE(o.out.find("description: ZORL Support DLL v3.7 |ZORL "
                       "version:4.62.12\n"),
            std::string::npos);
  EXPECT_NE(o.out.find("  0  LUT1::LUT1(void)\n"), std::string::npos);
  EXPECT_NE(o.out.find("errors (numbers from 1000):\n  1000  "
                       "VALUE_OUT_OF_RANGE  \"value out of LUT range\"\n"),
            std::string::npos)
      << o.out;
  o = Shell(kZorl + " methods --no-error-range");
  EXPECT_NE(o.out.find("  +0  VALUE_OUT_OF_RANGE"), std::string::npos);
}

TEST(ZorlCli, InstalledZorlFindsTheInstalledPlugin) {
  std::string prefix = std::string(::testing::TempDir()) + "zorl-install";
  Outcome o =
      Shell("rm -rf " + prefix + " && cmake --install " +
            std::string(BUILD_DIR) + " --prefix " + prefix + " >/dev/null && " +
            prefix + "/bin/zorl run -e 'print(LUT1().ConvertVoxel(7))' && ls " +
            prefix + "/lib " + prefix + "/include/zorl/host");
  EXPECT_EQ(o.status, 0) << o.out;
  EXPECT_EQ(o.out.compare(0, 2, "7\n"), 0) << o.out;
  EXPECT_NE(o.out.find("liblut.so"), std::string::npos);
  EXPECT_NE(o.out.find("libzorl.so"), std::string::npos);
  EXPECT_NE(o.out.find("variable.h"), std::string::npos);
}

}  // namespace
