// Statements at run time: blocks, loops, functions, try and catch, the step
// limit, and the reports of each statement's errors with the calls it was
// reached through.
#include <new>
#include <utility>

#include "engine/host_errors.h"
#include "engine/store.h"
#include "engine/values.h"
#include "language/builtin_args.h"
#include "language/escape_message.h"
#include "language/eval.h"

namespace zorl {

namespace {

// Each line of a report made safe to show; the line ends are kept.
std::string EscapeLines(const std::string& text) {
  std::string out;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    out += EscapeForMessage(text.substr(at, end - at));
    if (end < text.size()) out += '\n';
    at = end + 1;
  }
  return out;
}

}  // namespace

Evaluator::Evaluator(Engine& engine, std::ostream& out, std::ostream& err,
                     bool keepGoing)
    : engine_(engine), out_(out), err_(err), keepGoing_(keepGoing) {}

bool Evaluator::NameTaken(const std::string& name, std::string* what,
                          bool functions) const {
  auto f = functions_.find(name);
  if (functions && f != functions_.end()) {
    *what = "a function defined on line " + std::to_string(f->second.line);
    return true;
  }
  if (FindBuiltin(name) || FindPlaceBuiltin(name)) {
    *what = "a built-in function";
    return true;
  }
  if (engine_.IsClass(name)) {
    *what = "a class";
    return true;
  }
  return false;
}

bool Evaluator::Run(const std::string& file,
                    std::shared_ptr<const Block> program) {
  Engine::Scope scope(engine_);
  Check();  // errors raised outside any statement belong to none
  errors_.clear();
  for (const Node& n : *program)
    if (n.s.kind == Statement::kDef) declared_.emplace(n.s.name, n.line);
  file_ = file;
  stop_ = fatal_ = throwing_ = false;
  tries_ = 0;
  steps_ = 0;
  program_ = std::move(program);
  Flow flow = RunBlock(*program_);
  return flow != kStop;
}

Evaluator::Flow Evaluator::RunBlock(const Block& block) {
  for (const Node& n : block) {
    Flow flow = RunNode(n);
    if (flow != kNext) return flow;
  }
  return kNext;
}

bool Evaluator::Step() {
  if (interrupt_ && *interrupt_) {
    if (!stop_) {
      ++errorCount_;
      out_ << std::flush;
      err_ << EscapeForMessage(file_ + ':' + std::to_string(line_) +
                               ": interrupted")
           << '\n'
           << std::flush;
    }
    stop_ = true;
    return false;
  }
  if (stepLimit_ <= 0 || ++steps_ <= stepLimit_) return true;
  RaiseHostError(ZE_LIMIT, "the script took more than " +
                               std::to_string(stepLimit_) +
                               " steps (statements and rounds of loops)");
  fatal_ = true;
  return false;
}

Evaluator::Flow Evaluator::RunNode(const Node& n) {
  // A value that the statement needs and cannot have (one the memory budget
  // refuses) ends it with host error 8; the statements of its blocks end
  // their own.
  int depth = depth_;
  try {
    return RunStatement(n);
  } catch (const std::bad_alloc& e) {
    depth_ = depth;
    RaiseNoMemory(e, "the statement needs more memory than there is");
    Flow flow = Done();
    return flow == kNext && n.s.kind == Statement::kReturn ? kReturn : flow;
  }
}

Evaluator::Flow Evaluator::RunStatement(const Node& n) {
  line_ = n.line;
  if (!Step()) return Done();
  const Statement& s = n.s;
  switch (s.kind) {
    case Statement::kIf: {
      bool holds = false;
      if (!Condition(*s.value, &holds)) return Done();
      return RunBlock(holds ? n.body : n.orElse);
    }
    case Statement::kWhile:
      return Loop(n);
    case Statement::kFor:
      return For(n);
    case Statement::kTry:
      return Try(n);
    case Statement::kBreak:
      return kBreak;
    case Statement::kContinue:
      return kContinue;
    case Statement::kReturn: {
      returned_._Clear();
      if (s.value) {
        Variable value;
        if (Eval(*s.value, value)) returned_ = std::move(value);
      }
      Flow flow = Done();
      return flow == kNext ? kReturn : flow;
    }
    case Statement::kDef: {
      Function& f = functions_[s.name];
      f.name = s.name;
      f.file = file_;
      f.line = n.line;
      f.params = s.params;
      f.body = &n.body;
      f.program = program_;
      return kNext;
    }
    default:
      RunSimple(s);
      return Done();
  }
}

Evaluator::Flow Evaluator::Round(const Node& n) {
  Flow flow = RunBlock(n.body);
  return flow == kContinue ? kNext : flow;
}

Evaluator::Flow Evaluator::Loop(const Node& n) {
  for (;;) {
    line_ = n.line;
    bool holds = false;
    if (!Condition(*n.s.value, &holds)) return Done();
    if (!holds) return kNext;
    Flow flow = Round(n);
    if (flow == kBreak) return kNext;
    if (flow != kNext) return flow;
    line_ = n.line;
    if (!Step()) return Done();
  }
}

template <typename Next>
Evaluator::Flow Evaluator::Rounds(const Node& n, Next next) {
  Variable& var = (*vars_)[n.s.name];
  while (next(var)) {
    Flow flow = Round(n);
    if (flow == kBreak) return kNext;
    if (flow != kNext) return flow;
    line_ = n.line;
    if (!Step()) return Done();
  }
  return kNext;
}

Evaluator::Flow Evaluator::For(const Node& n) {
  const Expr& over = *n.s.value;
  // A range is counted through without making its Vector.
  if (over.kind == Expr::kCall && over.name == "range" &&
      over.args.size() == 2 && !functions_.count("range")) {
    Variable bounds[2];
    for (int i = 0; i < 2; ++i)
      if (!Eval(*over.args[i], bounds[i])) return Done();
    long long i = 0, to = 0;
    if (!LongArgument(bounds[0], "range(a, b): a", &i) ||
        !LongArgument(bounds[1], "range(a, b): b", &to)) {
      Check();
      return Done();
    }
    return Rounds(n, [&](Variable& var) {
      if (i >= to) return false;
      var = MakeLong(static_cast<zlong>(i++));
      return true;
    });
  }
  Variable seq;
  if (!Eval(over, seq)) return Done();
  const Variable& v = *seq.GetPointer();
  if (v.type != PV_VECTOR && v.type != PV_STRING) {
    RaiseHostError(
        ZE_NO_ELEMENTS,
        "for goes through a Vector or a String, not " + ATypeName(v));
    Check();
    return Done();
  }
  std::size_t count =
      static_cast<std::size_t>(v.type == PV_VECTOR ? v.GetCount() : v.GetLen());
  std::size_t i = 0;
  return Rounds(n, [&](Variable& var) {
    if (i >= count) return false;
    if (v.type == PV_VECTOR)
      var = static_cast<const VectorStore*>(v.val.store)->elems[i];
    else
      var = MakeLong(static_cast<unsigned char>(
          static_cast<const StringStore*>(v.val.store)->bytes[i]));
    ++i;
    return true;
  });
}

void Evaluator::RunSimple(const Statement& s) {
  Variable value;
  switch (s.kind) {
    case Statement::kExpr: {
      bool called = false;
      if (s.value->kind == Expr::kCall || s.value->kind == Expr::kMethod)
        EvalCall(*s.value, value, &called);
      else
        Eval(*s.value, value);
      break;
    }
    case Statement::kAssign: {
      if (AppendInPlace(s)) break;
      bool called = false;
      bool ok = s.value->kind == Expr::kCall || s.value->kind == Expr::kMethod
                    ? EvalCall(*s.value, value, &called)
                : s.value->kind == Expr::kBinary
                    ? Operator(*s.value, value, &called)
                    : Eval(*s.value, value);
      // What a call left in its result is kept even when it raised errors;
      // a function that a limit or a thrown error ended left nothing.
      if ((ok || called) && !fatal_ && !throwing_)
        (*vars_)[s.name] = std::move(value);
      break;
    }
    case Statement::kSetMember: {
      if (!Eval(*s.value, value)) break;
      Variable* target = Place(*s.target);
      if (target) engine_.SetMember(*target, s.name, value);
      Check();
      break;
    }
    case Statement::kSetElement:
      if (Eval(*s.value, value)) SetElement(*s.target, std::move(value));
      break;
    default:
      break;
  }
}

Evaluator::Flow Evaluator::Try(const Node& n) {
  ++tries_;
  Flow flow = RunBlock(n.body);  // never throws: each statement catches
  --tries_;
  if (flow != kThrow) return flow;
  throwing_ = false;
  Variable e = Caught();
  caught_.clear();
  if (!n.s.name.empty()) (*vars_)[n.s.name] = std::move(e);
  return RunBlock(n.orElse);
}

Variable Evaluator::Caught() {
  auto error = [this](const ScriptError& e) {
    Variable v;
    engine_.Construct(v, "Error", {});
    v("number") = MakeLong(e.number);
    v("text") = MakeString(e.text);
    v("method") = MakeString(e.where);
    v("line") = MakeLong(caughtLine_);
    return v;
  };
  Variable first = error(caught_[0]);
  std::vector<Variable> all;
  for (std::size_t i = 0; i < caught_.size() && i < kMaxReported; ++i)
    all.push_back(error(caught_[i]));
  first("count") = MakeLong(static_cast<zlong>(caught_.size()));
  first("errors") = MakeVector(std::move(all));
  return first;
}

Evaluator::Flow Evaluator::Done() {
  Check();
  Warn();
  if (!errors_.empty()) {
    // Output that can no longer be written ends the run, even with
    // keepGoing and inside a try.
    bool broken = !out_ || !err_;
    if (tries_ > 0 && !broken) {
      caught_.swap(errors_);
      errors_.clear();
      caughtLine_ = line_;
      throwing_ = true;
      fatal_ = false;
      return kThrow;
    }
    Report(errors_);
    errors_.clear();
    if (!keepGoing_ || fatal_ || broken) stop_ = true;
  }
  if (stop_) return kStop;
  return throwing_ ? kThrow : kNext;
}

void Evaluator::Report(const Errors& errors) {
  std::string at = file_ + ':' + std::to_string(line_) + ": ";
  std::string text;
  for (std::size_t i = 0; i < errors.size() && i < kMaxReported; ++i) {
    const ScriptError& e = errors[i];
    text += at + "error " + std::to_string(e.number);
    if (!e.text.empty()) text += ": " + e.text;
    if (!e.where.empty()) text += " (in " + e.where + ")";
    text += '\n';
  }
  if (errors.size() > kMaxReported)
    text += at + std::to_string(errors.size() - kMaxReported) +
            " more errors not shown\n";
  // The calls on the way, the innermost first; a call repeated from the
  // same line (recursion) shows once with its count.
  for (auto site = sites_.rbegin(); site != sites_.rend();) {
    auto same = site;
    while (same != sites_.rend() && same->line == site->line &&
           same->file == site->file && same->function == site->function)
      ++same;
    text += site->file + ':' + std::to_string(site->line) +
            ": from the call of " + site->function;
    long count = same - site;
    if (count > 1) text += " (" + std::to_string(count) + " times)";
    text += '\n';
    site = same;
  }
  errorCount_ += static_cast<long long>(errors.size());
  out_ << std::flush;
  err_ << EscapeLines(text) << std::flush;
}

void Evaluator::Warn() {
  std::vector<std::string> warnings = engine_.TakeWarnings();
  if (warnings.empty() || !warned_.emplace(file_, line_).second) return;
  out_ << std::flush;
  err_ << EscapeForMessage(file_ + ':' + std::to_string(line_) +
                           ": warning: " + warnings[0])
       << '\n'
       << std::flush;
}

bool Evaluator::CallFunction(const Function& f, const Expr& call,
                             Variable& out) {
  std::string usage = f.name + "(";
  for (std::size_t i = 0; i < f.params.size(); ++i)
    usage += (i ? ", " : "") + f.params[i];
  usage += ")";
  int n = static_cast<int>(f.params.size());
  if (!ArgumentCount(usage, n, n, static_cast<int>(call.args.size())))
    return Check();
  if (sites_.size() >= static_cast<std::size_t>(kMaxCallDepth)) {
    // Recursion without end: the script stops, even with keepGoing (unless
    // a try catches it).
    RaiseHostError(ZE_LIMIT, "calls of functions nested more than " +
                                 std::to_string(kMaxCallDepth) + " deep (" +
                                 usage + ")");
    fatal_ = true;
    return Check();
  }
  // Arguments are copies, as assignment makes them.
  Variables locals;
  for (std::size_t i = 0; i < f.params.size(); ++i) {
    Variable value;
    if (!Eval(*call.args[i], value)) return false;
    locals[f.params[i]] = std::move(value);
  }
  sites_.push_back(CallSite{file_, line_, f.name});
  Variables* vars = vars_;
  std::string file = file_;
  int line = line_;
  Errors pending;
  pending.swap(errors_);
  vars_ = &locals;
  file_ = f.file;
  ++depth_;
  Flow flow = RunBlock(*f.body);
  --depth_;
  if (flow == kReturn) out = std::move(returned_);
  returned_._Clear();
  vars_ = vars;
  file_ = file;
  line_ = line;
  errors_.swap(pending);
  sites_.pop_back();
  return !stop_ && !throwing_;
}

}  // namespace zorl
