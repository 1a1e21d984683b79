// Scripts: lines gathered into blocks, checked, run, reported.
#include "language/interpreter.h"

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

#include "language/escape_message.h"
#include "language/eval.h"
#include "language/lexer.h"
#include "language/program.h"

namespace zorl {

Interpreter::Interpreter(Engine& engine, std::ostream& out, std::ostream& err,
                         bool keepGoing)
    : eval_(new Evaluator(engine, out, err, keepGoing)),
      err_(err),
      keepGoing_(keepGoing) {
  SetArguments({});
}

Interpreter::~Interpreter() = default;

namespace {

void StripCr(std::string& line) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
}

}  // namespace

int Interpreter::Finish(const std::string& file, ProgramBuilder& builder) {
  auto program = std::make_shared<const Block>(builder.Finish());
  std::vector<LineError> errors = builder.Errors();
  // A function needs a name of its own, once.
  std::map<std::string, int> defined;
  for (const Node& n : *program) {
    if (n.s.kind != Statement::kDef) continue;
    std::string what;
    auto before = defined.find(n.s.name);
    if (before != defined.end())
      what = "a function defined on line " + std::to_string(before->second);
    else if (!eval_->NameTaken(n.s.name, &what, !prompt_))
      defined[n.s.name] = n.line;
    if (!what.empty())
      errors.push_back(LineError{
          n.line,
          SyntaxError{n.s.column + 4, "expected a function name of its own; " +
                                          n.s.name + " is " + what}});
  }
  std::stable_sort(
      errors.begin(), errors.end(),
      [](const LineError& a, const LineError& b) { return a.line < b.line; });
  const std::size_t shown = std::min(errors.size(), Evaluator::kMaxReported);
  for (std::size_t i = 0; i < shown; ++i)
    err_ << EscapeForMessage(file + ':' + std::to_string(errors[i].line) + ':' +
                             std::to_string(errors[i].error.column) +
                             ": syntax error: " + errors[i].error.message)
         << '\n';
  if (errors.size() > shown)
    err_ << EscapeForMessage(file + ':' + std::to_string(errors[shown].line) +
                             ": " + std::to_string(errors.size() - shown) +
                             " more syntax errors not shown")
         << '\n';
  err_ << std::flush;
  if (!errors.empty()) return 2;
  long long before = eval_->ErrorCount();
  eval_->Run(file, program);
  return eval_->ErrorCount() > before ? 1 : 0;
}

int Interpreter::Feed(const std::string& file, int line,
                      const std::string& text) {
  std::string t = text;
  StripCr(t);
  if (!open_.empty()) {
    t = open_ + t;
    line = openLine_;
    open_.clear();
  }
  if (prompt_ && OpenAtEnd(t, &open_)) {
    openLine_ = line;
    return kMore;
  }
  if (!pending_) pending_.reset(new ProgramBuilder);
  bool ok = pending_->Add(line, t);
  if (ok && !pending_->Complete()) return kMore;
  std::unique_ptr<ProgramBuilder> builder = std::move(pending_);
  return Finish(file, *builder);
}

int Interpreter::EndFeed(const std::string& file) {
  if (!open_.empty()) {  // what stays open is an error of its own
    if (!pending_) pending_.reset(new ProgramBuilder);
    pending_->Add(openLine_, open_.substr(0, open_.size() - 1));
    open_.clear();
  }
  if (!pending_) return 0;
  std::unique_ptr<ProgramBuilder> builder = std::move(pending_);
  return Finish(file, *builder);
}

void Interpreter::DropFeed() {
  pending_.reset();
  open_.clear();
}

int Interpreter::RunLine(const std::string& file, int line,
                         const std::string& text) {
  int status = Feed(file, line, text);
  return status == kMore ? EndFeed(file) : status;
}

int Interpreter::Run(const std::string& file, std::istream& in,
                     bool checkFirst) {
  std::string text;
  if (checkFirst) {
    ProgramBuilder builder;
    for (int n = 1; std::getline(in, text); ++n) {
      StripCr(text);
      builder.Add(n, text);
    }
    return Finish(file, builder);
  }
  int status = 0;
  for (int n = 1; std::getline(in, text); ++n) {
    int s = Feed(file, n, text);
    if (s == 2) return 2;
    if (s == 1) {
      status = 1;
      if (!keepGoing_) return 1;
    }
  }
  int s = EndFeed(file);
  return s ? s : status;
}

void Interpreter::AllowFiles(bool allow) { eval_->AllowFiles(allow); }

void Interpreter::SetInterrupt(const volatile std::sig_atomic_t* flag) {
  eval_->SetInterrupt(flag);
}

void Interpreter::SetStepLimit(long long steps) { eval_->SetStepLimit(steps); }

void Interpreter::SetArguments(const std::vector<std::string>& args) {
  std::vector<Variable> elems;
  for (const std::string& a : args) elems.push_back(MakeString(a));
  eval_->Define("args", MakeVector(std::move(elems)));
}

const Variable* Interpreter::Find(const std::string& name) const {
  return eval_->Find(name);
}

}  // namespace zorl
