// The zorl command: runs scripts against the plug-in, and shows what the
// plug-in offers.
//
//   zorl run SCRIPT [ARG...]       run a script file (- for standard input)
//                                  with args = [ARG, ...]
//   zorl run -e 'STATEMENTS' [ARG...]  run statements from the command line
//   zorl methods [options]         the module's description, methods, errors
//   zorl repl [options]            statements typed at a prompt (also zorl
//                                  with no command, on a terminal)
//
// Exit status: 0 when the script ran to its end without an error, 1 when an
// error stopped it (with --keep-going: when any error was raised) or its
// output could not be written, 2 for a usage error, a syntax error or a
// file that can't be read.
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "command/repl.h"
#include "engine/engine.h"
#include "language/escape_message.h"
#include "language/interpreter.h"
#include "language/script_source.h"

namespace {

const char kUsage[] =
    "usage:\n"
    "  zorl run SCRIPT [ARG...]       run a script file (- for standard "
    "input); the\n"
    "                                 script gets its ARGs as the Strings of "
    "the\n"
    "                                 Vector args ([] when there are none)\n"
    "  zorl run -e 'STATEMENTS' [ARG...]\n"
    "                                 run statements given on the command "
    "line\n"
    "                                 (-e may repeat; each holds one or more "
    "lines;\n"
    "                                 no SCRIPT then: every word is an ARG)\n"
    "  zorl methods [options]         print the module description, the "
    "method\n"
    "                                 table and the error table\n"
    "  zorl --version                 print the version\n"
    "  zorl repl [options]            run statements as they are typed (also "
    "zorl\n"
    "                                 with no command, on a terminal)\n"
    "options, before SCRIPT (or the first ARG); after it every word is an "
    "ARG,\n"
    "except --plugin, --keep-going and --no-error-range until a word --:\n"
    "  --plugin PATH     the plug-in to load (default: the plug-in built "
    "beside\n"
    "                    zorl, or the installed one)\n"
    "  --keep-going      report each error and go on with the next "
    "statement\n"
    "  --no-error-range  give the module no error range (its errors become "
    "debug\n"
    "                    output)\n";

struct Options {
  std::string command;
  std::string script;
  std::vector<std::string> statements;
  std::vector<std::string> args;  // the script's
  std::string plugin;
  bool keepGoing = false;
  bool errorRange = true;
  bool help = false;
  bool version = false;
};

// A message of the command's own on standard error; its status.
int Complain(const std::string& problem, int status) {
  std::cerr << "zorl: " << zorl::EscapeForMessage(problem) << '\n'
            << std::flush;
  return status;
}

int Usage(const std::string& problem) {
  Complain(problem, 2);
  std::cerr << kUsage << std::flush;
  return 2;
}

// The status to exit with once the output is written: 1 when standard
// output or standard error could not be written (a failed print has said
// so already).
int Finish(int status) {
  if (status == 0 && !std::cout.flush())
    return Complain(
        std::string("cannot write standard output: ") + std::strerror(errno),
        1);
  return status == 0 && !std::cerr.flush() ? 1 : status;
}

// Whether a word after the script is still zorl's own option: these three
// worked after the script before scripts took arguments, and still do.
bool OwnOption(const std::string& a) {
  return a == "--plugin" || a.compare(0, 9, "--plugin=") == 0 ||
         a == "--keep-going" || a == "--no-error-range";
}

// Parses the command line; on a usage error, its message.
bool Parse(int argc, char** argv, Options* o, std::string* problem) {
  bool started = false;  // the script, or -e's first argument, was given
  bool rest = false;     // after --: every word is a script argument
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= argc) {
        *problem = a + " needs a value";
        return false;
      }
      *out = argv[++i];
      return true;
    };
    bool run = o->command == "run";
    bool word = a.size() <= 1 || a[0] != '-';  // "-" is standard input
    if (run && !rest && a == "--") {
      rest = true;
    } else if (run && (rest || (started ? !OwnOption(a) : word))) {
      // The first word is the script, unless -e gave the statements.
      if (o->script.empty() && o->statements.empty())
        o->script = a;
      else
        o->args.push_back(a);
      started = true;
    } else if (a == "--help" || a == "-h") {
      o->help = true;
    } else if (a == "--version") {
      o->version = true;
    } else if (a == "--plugin") {
      if (!value(&o->plugin)) return false;
    } else if (a.compare(0, 9, "--plugin=") == 0) {
      o->plugin = a.substr(9);
    } else if (a == "--keep-going") {
      o->keepGoing = true;
    } else if (a == "--no-error-range") {
      o->errorRange = false;
    } else if (a == "-e" && run) {
      std::string s;
      if (!value(&s)) return false;
      o->statements.push_back(s);
    } else if (!word) {
      *problem = "unknown option " + a;
      return false;
    } else if (o->command.empty()) {
      if (a != "run" && a != "methods" && a != "repl") {
        *problem = "unknown command " + a;
        return false;
      }
      o->command = a;
    } else {
      *problem = "unexpected argument " + a;
      return false;
    }
  }
  if (o->help || o->version) return true;
  if (o->command.empty() && isatty(STDIN_FILENO)) o->command = "repl";
  if (o->command.empty()) {
    *problem = "no command given";
    return false;
  }
  if (o->command == "run" && o->script.empty() && o->statements.empty()) {
    *problem = "run needs a SCRIPT or -e STATEMENTS";
    return false;
  }
  return true;
}

bool Exists(const std::string& path) { return access(path.c_str(), R_OK) == 0; }

// The plug-in beside this program (a build tree), else the installed one.
std::string DefaultPlugin() {
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return "liblut.so";
  std::string dir(self, static_cast<std::size_t>(n));
  dir = dir.substr(0, dir.rfind('/'));
  for (const char* rel : {"/liblut.so", "/../lib/liblut.so"})
    if (Exists(dir + rel)) return dir + rel;
  return dir + "/liblut.so";
}

void PrintMethods(const zorl::ModuleInfo& m) {
  std::cout << "module: " << m.path << '\n'
            << "description: " << m.description << '\n'
            << "methods (" << m.methods.size() << "):\n";
  for (std::size_t i = 0; i < m.methods.size(); ++i)
    std::cout << "  " << i << "  " << m.methods[i].signature << '\n';
  if (m.errorOffset == 0xFFFF)
    std::cout << "errors (no range: the module reports them as debug "
                 "output):\n";
  else
    std::cout << "errors (numbers from " << m.errorOffset << "):\n";
  for (const auto& e : m.errors) {
    std::cout << "  ";
    if (m.errorOffset == 0xFFFF)
      std::cout << '+' << e.code;
    else
      std::cout << m.errorOffset + e.code;
    std::cout << "  " << e.name << "  \"" << e.text << "\"\n";
  }
  std::cout << std::flush;
}

// The platform's debug output, one line each on standard error.
void PrintDebug(const std::string& text) {
  std::string line = text;
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
    line.pop_back();
  std::cout << std::flush;
  std::cerr << "debug: " << zorl::EscapeForMessage(line) << '\n' << std::flush;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  std::string problem;
  // A closed pipe is a failed write, reported like any other.
  std::signal(SIGPIPE, SIG_IGN);
  if (!Parse(argc, argv, &o, &problem)) return Usage(problem);
  if (o.help || o.version) {
    std::cout << (o.help ? kUsage : "zorl " ZORL_VERSION "\n");
    return Finish(0);
  }
  problem = zorl::MemoryBudgetProblem();
  if (problem.empty()) problem = zorl::ConversionThreadsProblem();
  if (!problem.empty()) return Complain(problem, 2);
  zorl::SetDebugSink(PrintDebug);
  zorl::Engine engine;
  std::string message;
  std::string plugin = o.plugin.empty() ? DefaultPlugin() : o.plugin;
  if (!engine.LoadPlugin(plugin, o.errorRange, &message))
    return Complain(message, 2);
  if (o.command == "methods") {
    PrintMethods(engine.Modules().back());
    return Finish(0);
  }
  if (o.command == "repl") {
    zorl::Interpreter prompt(engine, std::cout, std::cerr, true);
    return RunRepl(prompt);
  }
  zorl::Interpreter interpreter(engine, std::cout, std::cerr, o.keepGoing);
  interpreter.SetArguments(o.args);
  if (!o.statements.empty()) {
    std::string text;
    for (const std::string& s : o.statements) text += s + '\n';
    std::istringstream in(text);
    return Finish(interpreter.Run("-e", in, true));
  }
  // A script is read whole and checked before its first line runs.
  std::string text;
  if (!zorl::ReadScript(o.script, &text, &problem)) return Complain(problem, 2);
  std::istringstream in(text);
  return Finish(
      interpreter.Run(o.script == "-" ? "<stdin>" : o.script, in, true));
}
