// Running scripts: lines of the script language against an engine, with
// errors reported as "FILE:LINE: error N: TEXT" and syntax errors as
// "FILE:LINE:COLUMN: syntax error: expected ...".
#ifndef ZORL_LANGUAGE_INTERPRETER_H
#define ZORL_LANGUAGE_INTERPRETER_H

#include <istream>
#include <memory>
#include <ostream>
#include <string>

#include "engine/engine.h"

namespace zorl {

class Evaluator;

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
  // syntax error. A stream that can be read twice is
  // checked whole before its first line runs; otherwise a syntax error
  // stops the script at its line.
  int Run(const std::string& file, std::istream& in, bool checkFirst);

  // Checks one line; a syntax error is reported and gives false.
  bool CheckLine(const std::string& file, int line, const std::string& text);
  // Runs one line: 0, 1 (an error was reported) or 2 (a syntax error).
  int RunLine(const std::string& file, int line, const std::string& text);

  // Whether ReadFile, WriteFile, ReadImage and WriteImage may touch files
  // (by default they may); when not, each raises error 30 (the fuzzer runs
  // scripts this way).
  void AllowFiles(bool allow);

  // The value of a script variable, or null.
  const Variable* Find(const std::string& name) const;

 private:
  std::unique_ptr<Evaluator> eval_;
  std::ostream& out_;
  std::ostream& err_;
  bool keepGoing_;
};

}  // namespace zorl

#endif
