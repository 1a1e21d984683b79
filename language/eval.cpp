// Statements and expressions at run time. Variables live in one table;
// everything else is a temporary value of the statement that made it.
#include "language/eval.h"

#include <new>
#include <utility>

#include "engine/classes.h"
#include "engine/host_errors.h"
#include "engine/store.h"
#include "engine/values.h"
#include "language/arith.h"
#include "language/builtins.h"

namespace zorl {

Variable* Evaluator::Find(const std::string& name) {
  auto it = vars_.find(name);
  return it == vars_.end() ? nullptr : &it->second;
}

bool Evaluator::Check() {
  Errors e = engine_.TakeErrors();
  errors_.insert(errors_.end(), e.begin(), e.end());
  return errors_.empty();
}

Errors Evaluator::Run(const Statement& s) {
  Engine::Scope scope(engine_);
  errors_.clear();
  Check();  // errors raised outside any statement belong to none
  errors_.clear();
  try {
    RunStatement(s);
  } catch (const std::bad_alloc&) {
    RaiseHostError(ZE_NO_MEMORY,
                   "the statement needs more memory than there is");
    Check();
  }
  Errors out;
  out.swap(errors_);
  return out;
}

void Evaluator::RunStatement(const Statement& s) {
  Variable value;
  switch (s.kind) {
    case Statement::kNone:
      break;
    case Statement::kExpr: {
      bool called = false;
      if (s.value->kind == Expr::kCall || s.value->kind == Expr::kMethod)
        EvalCall(*s.value, value, &called);
      else
        Eval(*s.value, value);
      break;
    }
    case Statement::kAssign: {
      bool called = false;
      bool ok = s.value->kind == Expr::kCall || s.value->kind == Expr::kMethod
                    ? EvalCall(*s.value, value, &called)
                : s.value->kind == Expr::kBinary
                    ? Operator(*s.value, value, &called)
                    : Eval(*s.value, value);
      // What a call left in its result is kept even when it raised errors.
      if (ok || called) vars_[s.name] = std::move(value);
      break;
    }
    case Statement::kSetMember: {
      if (!Eval(*s.value, value)) break;
      Variable* target = Place(*s.target);
      if (target) engine_.SetMember(*target, s.name, value);
      Check();
      break;
    }
  }
}

Variable* Evaluator::Named(const Expr& e) {
  Variable* v = Find(e.name);
  if (!v) {
    RaiseHostError(ZE_UNKNOWN_VARIABLE, e.name);
    Check();
  }
  return v;
}

Variable* Evaluator::Place(const Expr& e) {
  if (e.kind == Expr::kName) return Named(e);
  Variable* object = Place(*e.object);  // the parser allows names and members
  if (!object) return nullptr;
  Variable* member = engine_.GetMember(*object, e.name);
  Check();
  return member;
}

bool Evaluator::Eval(const Expr& e, Variable& out) {
  switch (e.kind) {
    case Expr::kLiteral:
      out = e.value;
      return true;
    case Expr::kVector: {
      std::vector<Variable> elems(e.args.size());
      for (std::size_t i = 0; i < e.args.size(); ++i)
        if (!Eval(*e.args[i], elems[i])) return false;
      if (!CheckVectorSize("a Vector", elems, 1)) return Check();
      out = MakeVector(std::move(elems));
      return true;
    }
    case Expr::kName: {
      Variable* v = Named(e);
      if (!v) return false;
      out = *v;
      return true;
    }
    case Expr::kMember: {
      if (IsPlace(e)) {  // read in place: no copy of the whole object
        Variable* member = Place(e);
        if (!member) return false;
        out = *member;
        return true;
      }
      Variable object;
      if (!Eval(*e.object, object)) return false;
      Variable* member = engine_.GetMember(object, e.name);
      if (!Check()) return false;
      out = *member;
      return true;
    }
    case Expr::kCall:
    case Expr::kMethod: {
      bool called = false;
      return EvalCall(e, out, &called);
    }
    case Expr::kBinary:
      return Operator(e, out);
    case Expr::kNegate: {
      Variable operand;
      if (!Eval(*e.object, operand)) return false;
      Negate(operand, out);
      return Check();
    }
  }
  return false;
}

bool Evaluator::Operator(const Expr& e, Variable& out, bool* called) {
  const Expr& left = *e.object;
  const Expr& right = *e.args[0];
  Variable a, b;
  if (e.name == "*") {
    // An object's * is its method "*", whose refer parameter binds to a
    // variable given by name.
    Variable* pa = left.kind == Expr::kName ? Named(left) : &a;
    if (!pa || (pa == &a && !Eval(left, a))) return false;
    if (pa->GetPointer()->GetType() == PV_OBJECT) {
      Variable* pb = right.kind == Expr::kName ? Named(right) : &b;
      if (!pb || (pb == &b && !Eval(right, b))) return false;
      engine_.Call(*pa, "*", {pb}, &out);
      if (called) *called = true;
      return Check();
    }
    if (pa != &a) a = *pa;
  } else if (!Eval(left, a)) {
    return false;
  }
  if (!Eval(right, b)) return false;
  Arithmetic(e.name[0], a, b, out);
  return Check();
}

bool Evaluator::EvalCall(const Expr& e, Variable& out, bool* called) {
  if (e.kind == Expr::kMethod) return Method(e, out, called);
  if (FindBuiltin(e.name)) return Builtin(e, out, called);
  if (engine_.IsClass(e.name)) return Construct(e, out, called);
  RaiseHostError(ZE_UNKNOWN_CLASS,
                 e.name + " is neither a class nor a built-in function");
  return Check();
}

bool Evaluator::ReferAt(const std::string& cls, const std::string& method,
                        std::size_t count, std::size_t i) const {
  for (const std::string& text : engine_.Signatures(cls, method)) {
    Signature sig;
    std::string error;
    if (ParseSignature(text, &sig, &error) && sig.params.size() == count &&
        sig.params[i].IsRefer())
      return true;
  }
  return false;
}

bool Evaluator::Arguments(const Expr& call, const std::string& cls,
                          const std::string& method,
                          std::vector<Variable>& temps,
                          std::vector<Variable*>* args) {
  std::size_t n = call.args.size();
  temps.resize(n);  // never resized again: args point into it
  for (std::size_t i = 0; i < n; ++i) {
    const Expr& a = *call.args[i];
    if (a.kind != Expr::kName) {
      if (!Eval(a, temps[i])) return false;
      args->push_back(&temps[i]);
      continue;
    }
    Variable* v = Find(a.name);
    if (!v && ReferAt(cls, method, n, i)) v = &vars_[a.name];
    if (!v) v = Named(a);
    if (!v) return false;
    args->push_back(v);
  }
  return true;
}

bool Evaluator::Construct(const Expr& e, Variable& out, bool* called) {
  std::vector<Variable> temps;
  std::vector<Variable*> args;
  if (!Arguments(e, e.name, e.name, temps, &args)) return false;
  *called = true;
  engine_.Construct(out, e.name, args);
  return Check();
}

bool Evaluator::Method(const Expr& e, Variable& out, bool* called) {
  // A method works on a variable in place; on any other value (a member
  // included) it works on a copy.
  Variable temp;
  Variable* object = &temp;
  if (e.object->kind == Expr::kName) {
    object = Named(*e.object);
    if (!object) return false;
  } else if (!Eval(*e.object, temp)) {
    return false;
  }
  std::string cls = TypeName(*object->GetPointer());
  std::vector<Variable> temps;
  std::vector<Variable*> args;
  if (!Arguments(e, cls, e.name, temps, &args)) return false;
  *called = true;
  engine_.Call(*object, e.name, args, &out);
  return Check();
}

bool Evaluator::Builtin(const Expr& e, Variable& out, bool* called) {
  const zorl::Builtin* b = FindBuiltin(e.name);
  int n = static_cast<int>(e.args.size());
  if (n < b->minArgs || (b->maxArgs >= 0 && n > b->maxArgs)) {
    std::string takes =
        b->minArgs == b->maxArgs
            ? std::to_string(b->minArgs)
            : std::to_string(b->minArgs) + " to " + std::to_string(b->maxArgs);
    RaiseHostError(ZE_NO_SIGNATURE, std::string(b->usage) + " takes " + takes +
                                        " argument" +
                                        (takes == "1" ? "" : "s") + ", not " +
                                        std::to_string(n));
    return Check();
  }
  if (b->files && !files_) {
    RaiseHostError(ZE_FILE,
                   std::string(b->usage) + ": file access is disabled");
    return Check();
  }
  std::vector<Variable> args(e.args.size());
  for (std::size_t i = 0; i < e.args.size(); ++i)
    if (!Eval(*e.args[i], args[i])) return false;
  *called = true;
  BuiltinContext cx{engine_, out_};
  b->fn(cx, args, out);
  return Check();
}

}  // namespace zorl
