// Scripts line by line: parse, run, report.
#include "language/interpreter.h"

#include "language/escape_message.h"
#include "language/eval.h"
#include "language/parser.h"

namespace zorl {

Interpreter::Interpreter(Engine& engine, std::ostream& out, std::ostream& err,
                         bool keepGoing)
    : eval_(new Evaluator(engine, out)),
      out_(out),
      err_(err),
      keepGoing_(keepGoing) {}

Interpreter::~Interpreter() = default;

namespace {

void StripCr(std::string& line) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
}

}  // namespace

bool Interpreter::CheckLine(const std::string& file, int line,
                            const std::string& text) {
  Statement s;
  SyntaxError e;
  if (ParseLine(text, &s, &e)) return true;
  err_ << EscapeForMessage(file + ':' + std::to_string(line) + ':' +
                           std::to_string(e.column) +
                           ": syntax error: " + e.message)
       << '\n'
       << std::flush;
  return false;
}

int Interpreter::RunLine(const std::string& file, int line,
                         const std::string& text) {
  Statement s;
  SyntaxError e;
  if (!ParseLine(text, &s, &e)) return CheckLine(file, line, text) ? 0 : 2;
  Errors errors = eval_->Run(s);
  for (const ScriptError& error : errors) {
    std::string message = file + ':' + std::to_string(line) + ": error " +
                          std::to_string(error.number);
    if (!error.text.empty()) message += ": " + error.text;
    err_ << EscapeForMessage(message) << '\n' << std::flush;
  }
  return errors.empty() ? 0 : 1;
}

int Interpreter::Run(const std::string& file, std::istream& in,
                     bool checkFirst) {
  std::string text;
  if (checkFirst) {
    bool ok = true;
    for (int n = 1; std::getline(in, text); ++n) {
      StripCr(text);
      ok = CheckLine(file, n, text) && ok;
    }
    if (!ok) return 2;
    in.clear();
    in.seekg(0);
  }
  int status = 0;
  for (int n = 1; std::getline(in, text); ++n) {
    StripCr(text);
    int s = RunLine(file, n, text);
    if (s == 2) return 2;
    if (s == 1) {
      status = 1;
      if (!keepGoing_ || !out_ || !err_) break;  // output lost: the run ends
    }
  }
  return status;
}

void Interpreter::AllowFiles(bool allow) { eval_->AllowFiles(allow); }

const Variable* Interpreter::Find(const std::string& name) const {
  return eval_->Find(name);
}

}  // namespace zorl
