// The zorl command as a user runs it: commands, options, exit statuses,
// the order of standard output and standard error, and where it finds the
// plug-in.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace {

// Runs a shell command line in a scratch folder: its exit status and what
// it printed (both streams with 2>&1).
// Standard input is no terminal, so that zorl without a command never waits
// at its prompt.
std::pair<int, std::string> Shell(const std::string& command) {
  std::FILE* p =
      popen(("exec </dev/null; cd " + ::testing::TempDir() + " && " + command)
                .c_str(),
            "r");
  std::string out;
  char buf[4096];
  std::size_t n;
  while (p && (n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  int raw = p ? pclose(p) : -1;
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, out};
}

const std::string kZorl = ZORL_PATH " ";

TEST(ZorlCli, RunsStatementsAndReportsInOrder) {
  const std::pair<std::string, std::pair<int, std::string>> cases[] = {
      {kZorl + "run -e 'x = 6' -e 'print(x * 7)\nprint(\"b\")'",
       {0, "42\n\"b\"\n"}},
      {"printf 'print(1)\\nprint(q)\\nprint(2)\\n' | " + kZorl + "run - 2>&1",
       {1, "1\n<stdin>:2: error 24: unknown variable: q\n"}},
      // Standard input is read whole and checked before its first line runs.
      {"printf 'print(1)\\nprint(\\n' | " + kZorl + "run - 2>&1",
       {2,
        "<stdin>:2:7: syntax error: expected an expression, found the "
        "end of the line\n"}},
      // The prompt, from a pipe: a block runs at its end, an error is
      // reported and the next statement runs; a block left open is an error.
      {"printf 'x = 1\\nwhile x < 5\\nx = x * 3\\nend\\nprint(y)\\nprint(x)\\n"
       "if 1\\n' | " +
           kZorl + "repl 2>&1",
       {2,
        "<stdin>:5: error 24: unknown variable: y\n9\n<stdin>:7:1: syntax "
        "error: expected 'end' to close the 'if' of this line, found the end "
        "of the script\n"}},
      {kZorl + "run --keep-going -e 'print(1)' -e 'LUT1().GetItem(-1)' -e "
               "'print(2)' "
               "-e 'x = LUT1().GetItem(999)' -e 'print(3)' 2>&1",
       {1,
        "1\n-e:2: error 1000: value out of LUT range (in LUT1::GetItem)\n2\n"
        "-e:4: error 1000: value out of LUT range (in LUT1::GetItem)\n3\n"}},
      {kZorl +
           "run --no-error-range -e 'print(1)' -e 'LUT1().GetItem(-1)' 2>&1",
       {0, "1\ndebug: LUT ERROR: 0, \n"}},
      // Script paths that are refused, writes that fail (standard output's
      // too, which ends the run even with --keep-going), a byte-order mark
      // and a NUL in a script, writes through a link, the version.
      {kZorl + "run no-such-script.zs 2>&1",
       {2, "zorl: cannot read no-such-script.zs: No such file or directory\n"}},
      {"mkdir -p d && " + kZorl + "run d 2>&1",
       {2, "zorl: cannot read d: Is a directory\n"}},
      {kZorl + "run /proc/self/mem 2>&1",
       {2, "zorl: cannot read /proc/self/mem: Input/output error\n"}},
      {kZorl + "run /dev/zero 2>&1",
       {2, "zorl: cannot read /dev/zero: not a regular file\n"}},
      {"truncate -s 65M big.zs && " + kZorl + "run big.zs 2>&1",
       {2, "zorl: cannot read big.zs: more than 67108864 bytes\n"}},
      {kZorl + "run -e 'WriteFile(\"/dev/full\", \"abc\")' 2>&1",
       {1, "-e:1: error 30: file error: /dev/full: No space left on device\n"}},
      {"(" + kZorl + "run -e 'print(1)' >/dev/full) 2>&1",
       {1,
        "-e:1: error 30: file error: print(...): cannot write standard output: "
        "No space left on device\n"}},
      {"exec 3>&1; { sleep 0.3; " + kZorl +
           "run --keep-going -e 'print(1)' -e 'print(2)' 2>&3; echo $? >&3; } "
           "| true",
       {0,
        "-e:1: error 30: file error: print(...): cannot write standard output: "
        "Broken pipe\n1\n"}},
      {"printf '\\357\\273\\277print(1)\\n' >bom.zs && " + kZorl + "run bom.zs",
       {0, "1\n"}},
      {"printf 'print(1)\\000\\n' >nul.zs && " + kZorl + "run nul.zs 2>&1",
       {2,
        "nul.zs:1:9: syntax error: expected an operator, '=' or the end of the "
        "line, found '\\x00'\n"}},
      {"rm -f real link fresh && echo old >real && chmod 640 real && ln -s "
       "real link && umask 022 && " +
           kZorl +
           "run -e 'WriteFile(\"link\", \"new\")' -e "
           "'WriteFile(\"fresh\", \"x\")' && cat real && echo && stat -c %A "
           "link real fresh",
       {0, "new\nlrwxrwxrwx\n-rw-r-----\n-rw-r--r--\n"}},
      // A loop of symbolic links, met by any path built-in or as a script.
      {"ln -sfn l1 l2 && ln -sfn l2 l1 && " + kZorl +
           "run --keep-going -e 'ReadFile(\"l1\")' -e 'ReadImage(\"l1\")' "
           "-e 'ListFiles(\"l1/*\")' -e 'ListSeries(\"l1\")' -e "
           "'MakeDir(\"l1/x\")' -e 'WriteFile(\"l1\", \"x\")' 2>&1; " +
           kZorl + "run l1 2>&1",
       {2,
        "-e:1: error 30: file error: l1: a loop of symbolic links\n"
        "-e:2: error 30: file error: l1: a loop of symbolic links\n"
        "-e:3: error 30: file error: l1: a loop of symbolic links\n"
        "-e:4: error 30: file error: l1: a loop of symbolic links\n"
        "-e:5: error 30: file error: l1: a loop of symbolic links\n"
        "-e:6: error 30: file error: l1: a loop of symbolic links\n"
        "zorl: cannot read l1: a loop of symbolic links\n"}},
      {kZorl + "--version", {0, "zorl " ZORL_VERSION "\n"}},
      // Arguments: with -e every word is one; after a script from standard
      // input too. A loop of links is neither there nor missing.
      {kZorl + "run -e 'print(args)' -e 'print(len(args))' a --keep-going -x",
       {0, "[\"a\", \"-x\"]\n2\n"}},
      {"echo 'print(args)' | " + kZorl + "run - -- -e", {0, "[\"-e\"]\n"}},
      {"ln -sf loop loop && " + kZorl + "run -e 'exists(\"loop\")' 2>&1",
       {1,
        "-e:1: error 30: file error: loop: Too many levels of symbolic "
        "links\n"}},
  };
  for (const auto& c : cases) EXPECT_EQ(Shell(c.first), c.second) << c.first;
  struct stat st;  // written directly, never replaced
  EXPECT_TRUE(stat("/dev/full", &st) == 0 && S_ISCHR(st.st_mode));
}

// A folder that ListFiles must search and can't read is an error naming it,
// at the top of the pattern or under it. Root reads every folder: as root
// the case runs as the user nobody, or is skipped where that can't be done.
TEST(ZorlCli, ListFilesRefusesAnUnreadableFolder) {
  std::string as;
  if (geteuid() == 0) {
    as = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
    if (Shell(as + kZorl + "run -e 'ListFiles(\"*\")'").first != 0)
      GTEST_SKIP() << "running as root, which reads every folder, and zorl "
                      "can't list the scratch folder as the user nobody";
  }
  auto [status, out] = Shell(
      "rm -rf shut open && mkdir -p shut/in open/shut && chmod 000 shut "
      "open/shut && " +
      as + kZorl +
      "run --keep-going -e 'ListFiles(\"shut/*\")' -e "
      "'ListFiles(\"open/*/*\")' 2>&1; chmod 755 shut open/shut");
  EXPECT_EQ(out,
            "-e:1: error 30: file error: shut: Permission denied\n"
            "-e:2: error 30: file error: open/shut: Permission denied\n");
}

// ZORL_MEMORY bounds what a script's values hold: Vectors that double (a
// copy of the whole at each step) and one appended to itself stop at the
// statement that would pass it, and the next one runs.
TEST(ZorlCli, MemoryBudget) {
  auto steps = [](const char* step, int n) {
    std::string s = " -e 'v = [1]'";
    for (int i = 0; i < n; ++i) s += std::string(" -e '") + step + "'";
    return s + " -e 'print(2)' 2>&1";
  };
  const std::string kRun = kZorl + "run --keep-going";
  const std::string kOver =
      ": error 8: allocation refused: values would hold 1.1 MiB; the memory "
      "budget is 1 MiB (ZORL_MEMORY)\n2\n";
  const std::pair<std::string, std::pair<int, std::string>> cases[] = {
      {"ZORL_MEMORY=1M " + kRun + steps("v = [v, v]", 12),
       {1, "-e:13" + kOver}},
      {"ZORL_MEMORY=1024k " + kRun + steps("append(v, v)", 14),
       {1, "-e:15" + kOver}},
      {"ZORL_MEMORY=1048576 " + kRun + steps("append(v, v)", 13), {0, "2\n"}},
      {"ZORL_MEMORY=1.5G " + kZorl + "run -e 'print(1)' 2>&1",
       {2,
        "zorl: ZORL_MEMORY=1.5G is not a size: give a byte count, or a number "
        "followed by K, M or G (512M, 4G)\n"}},
  };
  for (const auto& c : cases) EXPECT_EQ(Shell(c.first), c.second) << c.first;
}

// ZORL_THREADS: taken when it is 1 to 256, else refused before anything
// runs.
TEST(ZorlCli, ThreadsSetting) {
  const std::string kPrint = "run -e 'print(SetThreads(0))' 2>&1";
  EXPECT_EQ(Shell("ZORL_THREADS=3 " + kZorl + kPrint),
            std::make_pair(0, std::string("3\n")));
  for (const char* bad : {"0", "-1", "100000", "many"})
    EXPECT_EQ(Shell(std::string("ZORL_THREADS=") + bad + " " + kZorl + kPrint),
              std::make_pair(2, "zorl: ZORL_THREADS=" + std::string(bad) +
                                    " is not a thread count: give a whole "
                                    "number from 1 to 256\n"));
}

TEST(ZorlCli, UsageErrorsHelpAndMethods) {
  for (const char* bad : {"", "frobnicate", "run", "run --nope a.zs", "run -e",
                          "run --plugin", "methods --colour", "methods x",
                          "run -e 'print(1)' --plugin /no/such.so",
                          "run -e 'print(1)' a --plugin"}) {
    auto [status, out] = Shell(kZorl + bad + " 2>&1");
    EXPECT_EQ(status, 2) << bad;
    EXPECT_EQ(out.compare(0, 6, "zorl: "), 0) << bad << ": " << out;
  }
  EXPECT_NE(Shell(kZorl + "--help").second.find("zorl run SCRIPT"),
            std::string::npos);
  auto [status, out] = Shell(kZorl + "methods --plugin " LUT_PLUGIN_PATH);
  EXPECT_EQ(status, 0);
  for (const char* part :
       {"description: ZORL Support DLL v3.7 |ZORL version:4.62.12\n",
        "  0  LUT1::LUT1(void)\n",
        "errors (numbers from 1000):\n  1000  VALUE_OUT_OF_RANGE  \"value out "
        "of LUT range\"\n"})
    EXPECT_NE(out.find(part), std::string::npos) << out;
  out = Shell(kZorl + "methods --no-error-range").second;
  EXPECT_NE(out.find("  +0  VALUE_OUT_OF_RANGE"), std::string::npos);
}

TEST(ZorlCli, InstalledZorlFindsTheInstalledPlugin) {
  std::string prefix = ::testing::TempDir() + "zorl-install";
  auto [status, out] =
      Shell("rm -rf " + prefix + " && cmake --install " BUILD_DIR " --prefix " +
            prefix + " >/dev/null && " + prefix +
            "/bin/zorl run -e 'print(LUT1().ConvertVoxel(7))' && ls " + prefix +
            "/lib " + prefix + "/include/zorl/host");
  EXPECT_EQ(status, 0) << out;
  EXPECT_EQ(out.compare(0, 2, "7\n"), 0) << out;
  for (const char* file : {"liblut.so", "libzorl.so", "variable.h"})
    EXPECT_NE(out.find(file), std::string::npos) << file;
}

}  // namespace
