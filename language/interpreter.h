// Running scripts: the script language against an engine, with errors
// reported as "FILE:LINE: error N: TEXT" and syntax errors as
// "FILE:LINE:COLUMN: syntax error: ...".
#ifndef ZORL_LANGUAGE_INTERPRETER_H
#define ZORL_LANGUAGE_INTERPRETER_H

#include <csignal>
#include <istream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "engine/engine.h"

namespace zorl {

class Evaluator;
class ProgramBuilder;

class ZORL_API Interpreter {
 public:
  // out receives what print writes, err the error reports. With keepGoing
  // an error is reported and the next statement runs.
  Interpreter(Engine& engine, std::ostream& out, std::ostream& err,
              bool keepGoing);
  ~Interpreter();
  Interpreter(const Interpreter&) = delete;
  Interpreter& operator=(const Interpreter&) = delete;

  // Runs a script; the exit status: 0 when it ran to its end without an
  // error, 1 when an error stopped it (with keepGoing: when any error was
  // raised, and always when out or err can no longer be written), 2 for a
  // syntax error. An error that a try caught counts for none of these. With
  // checkFirst the script is read and checked whole before its first line runs;
  // otherwise each statement (a block with all its lines) runs as soon as it is
  // read, and a syntax error stops the script there.
  int Run(const std::string& file, std::istream& in, bool checkFirst);

  // One line of input, as a prompt reads them: kMore while the line leaves
  // a block open (the block runs when its end comes); else the status of
  // what ran, as for Run. After a syntax error the open lines are dropped.
  static constexpr int kMore = -1;
  int Feed(const std::string& file, int line, const std::string& text);
  // The input ended: a block still open is a syntax error (status 2).
  int EndFeed(const std::string& file);
  // Drops the lines fed of a statement not yet complete.
  void DropFeed();

  // At a prompt: a def may replace a function that an earlier statement
  // defined (a script that defines a name twice is refused), and a line
  // fed that leaves a bracket or a String open goes on in the next (Feed
  // gives kMore).
  void SetPrompt(bool prompt) { prompt_ = prompt; }
  // While *flag is not zero (a signal handler may set it; the caller
  // clears it), a running script stops before its next statement or round
  // of a loop, with the report "FILE:LINE: interrupted" and status 1.
  void SetInterrupt(const volatile std::sig_atomic_t* flag);

  // Runs one line (a statement complete in itself): 0, 1 (an error was
  // reported) or 2 (a syntax error).
  int RunLine(const std::string& file, int line, const std::string& text);

  // Whether ReadFile, WriteFile, ReadImage and WriteImage may touch files
  // (by default they may); when not, each raises error 30 (the fuzzer runs
  // scripts this way).
  void AllowFiles(bool allow);
  // The statements (and rounds of loops) that one script, or one statement
  // fed, may take; past it the script stops with error 29 (a try catches
  // it, but whatever runs after is past the limit too). 0 (the
  // default): no limit. Embedders that run untrusted scripts set one.
  void SetStepLimit(long long steps);

  // Sets the top-level variable args, a Vector of Strings (the arguments
  // the command line gave the script); until then it is [].
  void SetArguments(const std::vector<std::string>& args);

  // The value of a script variable (of the top level), or null.
  const Variable* Find(const std::string& name) const;

 private:
  // Runs what the builder gathered, after checking it: 0, 1 or 2.
  int Finish(const std::string& file, ProgramBuilder& builder);

  std::unique_ptr<Evaluator> eval_;
  std::unique_ptr<ProgramBuilder> pending_;  // lines fed, a block open
  std::string open_;  // a line fed that left a bracket or a String open
  int openLine_ = 0;
  std::ostream& err_;
  bool keepGoing_;
  bool prompt_ = false;
};

}  // namespace zorl

#endif
