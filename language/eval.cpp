// Expressions at run time. Variables live in the table of the top level or
// of the running function; everything else is a temporary value of the
// statement that made it.
#include "language/eval.h"

#include <algorithm>
#include <new>
#include <utility>

#include "engine/classes.h"
#include "engine/host_errors.h"
#include "engine/store.h"
#include "engine/values.h"
#include "language/arith.h"
#include "language/builtin_args.h"
#include "language/builtins.h"
#include "language/compare.h"
#include "language/elements.h"

namespace zorl {

Variable* Evaluator::Find(const std::string& name) {
  auto it = globals_.find(name);
  return it == globals_.end() ? nullptr : &it->second;
}

bool Evaluator::Check() {
  Errors e = engine_.TakeErrors();
  errors_.insert(errors_.end(), e.begin(), e.end());
  return errors_.empty();
}

Variable* Evaluator::Named(const Expr& e) {
  auto it = vars_->find(e.name);
  if (it != vars_->end()) return &it->second;
  RaiseHostError(ZE_UNKNOWN_VARIABLE, e.name);
  Check();
  return nullptr;
}

Variable* Evaluator::Place(const Expr& e) {
  // The indexes are worked out before the place they index, which they
  // might move (append).
  std::vector<Variable> indexes;
  if (!Indexes(e, indexes)) return nullptr;
  return Locate(e, indexes, 0);
}

bool Evaluator::Indexes(const Expr& e, std::vector<Variable>& out) {
  for (const Expr* p = &e; p->kind != Expr::kName; p = p->object.get()) {
    if (p->kind != Expr::kIndex) continue;
    out.emplace_back();
    if (!Eval(*p->args[0], out.back())) return false;
  }
  return true;
}

Variable* Evaluator::Locate(const Expr& e, const std::vector<Variable>& indexes,
                            std::size_t k) {
  if (e.kind == Expr::kName) return Named(e);
  bool element = e.kind == Expr::kIndex;
  Variable* object = Locate(*e.object, indexes, element ? k + 1 : k);
  if (!object) return nullptr;
  if (element) {
    std::size_t at = 0;
    Variable* seq = object->GetPointer();
    if (ElementIndex(*seq, indexes[k], &at) && seq->type == PV_STRING)
      RaiseHostError(ZE_NO_ELEMENTS,
                     "a String's byte has no elements or "
                     "members");
    if (!Check()) return nullptr;
    return &static_cast<VectorStore*>(seq->val.store)->elems[at];
  }
  Variable* member = engine_.GetMember(*object, e.name);
  Check();
  return member;
}

const Variable* Evaluator::Read(const Expr& e, Variable& temp) {
  if (e.kind == Expr::kName) return Named(e);
  if (!IsPlace(e)) return Eval(e, temp) ? &temp : nullptr;
  Variable index, inner;
  if (e.kind == Expr::kIndex && !Eval(*e.args[0], index)) return nullptr;
  const Variable* object = Read(*e.object, inner);
  if (!object) return nullptr;
  if (e.kind == Expr::kMember) {
    if (object == &inner) {  // a String's byte has no members
      Variable* m = engine_.GetMember(inner, e.name);
      if (!Check()) return nullptr;
      temp = *m;
      return &temp;
    }
    Variable* m = engine_.GetMember(*const_cast<Variable*>(object), e.name);
    return Check() ? m : nullptr;
  }
  std::size_t at = 0;
  const Variable* seq = const_cast<Variable*>(object)->GetPointer();
  if (!ElementIndex(*seq, index, &at)) {
    Check();
    return nullptr;
  }
  if (seq->type == PV_STRING) {
    temp = MakeLong(static_cast<unsigned char>(
        static_cast<const StringStore*>(seq->val.store)->bytes[at]));
    return &temp;
  }
  const Variable* element =
      &static_cast<const VectorStore*>(seq->val.store)->elems[at];
  if (object != &inner) return element;
  temp = *element;
  return &temp;
}

const Variable* Evaluator::Operand(const Expr& e, Variable& temp) {
  if (e.kind == Expr::kName) return Named(e);
  return Eval(e, temp) ? &temp : nullptr;
}

bool Evaluator::Element(const Expr& e, Variable& out) {
  Variable bounds[2], temp;
  for (std::size_t i = 0; i < e.args.size(); ++i)
    if (e.args[i] && !Eval(*e.args[i], bounds[i])) return false;
  const Variable* seq = Read(*e.object, temp);
  if (!seq) return false;
  if (e.kind == Expr::kIndex)
    ReadElement(*seq, bounds[0], out);
  else
    ReadSlice(*seq, e.args[0] ? &bounds[0] : nullptr,
              e.args[1] ? &bounds[1] : nullptr, out);
  return Check();
}

void Evaluator::SetElement(const Expr& target, Variable&& value) {
  Variable index;
  if (!Eval(*target.args[0], index)) return;
  Variable* seq = Place(*target.object);
  if (!seq) return;
  // A large value stored in an element counts against the allocation
  // limits over the whole variable; numbers and short Strings need no look.
  const Variable& v = *value.GetPointer();
  bool large = v.type == PV_VECTOR || v.type == PV_OBJECT ||
               (v.type == PV_STRING && v.GetLen() > 4096);
  Variable old;
  if (large) ReadElement(*seq, index, old);
  WriteElement(*seq, index, std::move(value));
  if (!Check() || !large) return;
  const Expr* root = &target;
  while (root->kind != Expr::kName) root = root->object.get();
  Variable* whole = Named(*root)->GetPointer();
  if (whole->type == PV_VECTOR &&
      !CheckVectorSize("an element",
                       static_cast<VectorStore*>(whole->val.store)->elems, 1)) {
    Variable* again = Place(*target.object);  // the same place
    if (again) WriteElement(*again, index, std::move(old));
  }
  Check();
}

// Expressions and calls nest at most this deep while they are worked, so
// that no script can exhaust the stack (a line's own nesting is bounded by
// the parser; this bounds it across calls).
constexpr int kMaxDepth = 3000;

bool Evaluator::Eval(const Expr& e, Variable& out) {
  if (depth_ >= kMaxDepth) {
    RaiseHostError(ZE_LIMIT, "expressions and calls nested more than " +
                                 std::to_string(kMaxDepth) + " deep");
    fatal_ = true;  // as for recursion without end
    return Check();
  }
  ++depth_;
  bool ok = EvalInner(e, out);
  --depth_;
  return ok;
}

bool Evaluator::EvalInner(const Expr& e, Variable& out) {
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
    case Expr::kName:
    case Expr::kMember: {
      Variable temp;
      const Variable* v = nullptr;
      if (IsPlace(e)) {  // read in place: no copy of the whole object
        v = Read(e, temp);
      } else if (Eval(*e.object, temp)) {
        v = engine_.GetMember(temp, e.name);
        if (!Check()) v = nullptr;
      }
      if (!v) return false;
      if (v == &temp)
        out = std::move(temp);
      else
        out = *v;
      return true;
    }
    case Expr::kIndex:
    case Expr::kSlice:
      return Element(e, out);
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
    case Expr::kCompare: {
      Variable at, bt;
      const Variable* a = Operand(*e.object, at);
      if (!a) return false;
      const Variable* b = Read(*e.args[0], bt);
      if (!b) return false;
      Compare(e.name, *a, *b, out);
      return Check();
    }
    case Expr::kAnd:
    case Expr::kOr:
      return Logic(e, out);
    case Expr::kNot: {
      bool holds = false;
      if (!Condition(*e.object, &holds)) return false;
      out = MakeBoolean(!holds);
      return true;
    }
  }
  return false;
}

bool Evaluator::Condition(const Expr& e, bool* holds) {
  Variable temp;
  const Variable* v = Read(e, temp);
  if (!v) return false;
  bool ok = true;
  *holds = Truth(*v, &ok);
  return ok || Check();
}

bool Evaluator::Logic(const Expr& e, Variable& out) {
  bool want = e.kind == Expr::kOr;  // the value that ends the chain
  for (const auto& operand : e.args) {
    bool holds = false;
    if (!Condition(*operand, &holds)) return false;
    if (holds == want) {
      out = MakeBoolean(want);
      return true;
    }
  }
  out = MakeBoolean(!want);
  return true;
}

bool Evaluator::Operator(const Expr& e, Variable& out, bool* called) {
  // The first operand is read in place when it is a variable: an object's
  // * is its method "*", which works on the variable, and whose refer
  // parameter binds to a variable given by name.
  Variable acc;
  const Variable* left = Operand(*e.object, acc);
  if (!left) return false;
  for (std::size_t i = 0; i < e.ops.size(); ++i) {
    const Expr& right = *e.args[i];
    Variable b, result;
    Variable* object = const_cast<Variable*>(left);
    if (e.ops[i] == '*' && object->GetPointer()->type == PV_OBJECT) {
      Variable* pb = right.kind == Expr::kName ? Named(right) : &b;
      if (!pb || (pb == &b && !Eval(right, b))) return false;
      Variable copy;  // a member or an element works as a copy
      if (left != &acc && e.object->kind != Expr::kName) {
        copy = *left;
        object = &copy;
      }
      engine_.Call(*object, "*", {pb}, &result);
      bool last = i + 1 == e.ops.size();
      if (called && last) *called = true;
      if (!Check()) {
        if (last) out = std::move(result);
        return false;
      }
    } else {
      const Variable* pb = Read(right, b);
      if (!pb) return false;
      Arithmetic(e.ops[i], *left, *pb, result);
      if (!Check()) return false;
    }
    acc = std::move(result);
    left = &acc;
  }
  if (left == &acc)
    out = std::move(acc);
  else
    out = *left;
  return true;
}

bool Evaluator::AppendInPlace(const Statement& s) {
  const Expr& e = *s.value;
  if (e.kind != Expr::kBinary || e.object->kind != Expr::kName ||
      e.object->name != s.name)
    return false;
  for (char op : e.ops)
    if (op != '+') return false;
  auto found = vars_->find(s.name);
  if (found == vars_->end() || found->second.type != PV_STRING) return false;
  std::vector<Variable> parts(e.args.size());
  for (std::size_t i = 0; i < parts.size(); ++i)
    if (!Eval(*e.args[i], parts[i])) return true;  // s as it was
  if (stop_) return true;
  // The operands may have made new variables, or changed s (append): s is
  // looked up again.
  Variable& target = (*vars_)[s.name];
  bool strings = target.type == PV_STRING;
  long long n = strings ? target.GetLen() : 0;
  for (const Variable& part : parts) {
    strings = strings && part.type == PV_STRING;
    n += strings ? part.GetLen() : 0;
  }
  strings = strings && n <= MaxBytes();
  if (strings) {
    ZeroedBytes& to = static_cast<StringStore*>(target.val.store)->bytes;
    std::size_t at = to.size();
    to.resize(static_cast<std::size_t>(n));
    for (const Variable& part : parts) {
      const ZeroedBytes& from =
          static_cast<const StringStore*>(part.val.store)->bytes;
      std::copy(from.data(), from.data() + from.size(), to.data() + at);
      at += from.size();
    }
    return true;
  }
  // Anything else is added as the operator adds it.
  Variable acc = target;
  for (const Variable& part : parts) {
    Variable result;
    Arithmetic('+', acc, part, result);
    if (!Check()) return true;
    acc = std::move(result);
  }
  target = std::move(acc);
  return true;
}

bool Evaluator::EvalCall(const Expr& e, Variable& out, bool* called) {
  if (e.kind == Expr::kMethod) return Method(e, out, called);
  if (!e.builtin) e.builtin = FindBuiltin(e.name);
  if (e.builtin) return Builtin(e, out, called);
  if (const PlaceBuiltin* p = FindPlaceBuiltin(e.name))
    return InPlace(*p, e, out, called);
  auto f = functions_.find(e.name);
  if (f != functions_.end()) {
    *called = true;
    return CallFunction(f->second, e, out);
  }
  if (engine_.IsClass(e.name)) return Construct(e, out, called);
  auto later = declared_.find(e.name);
  if (later != declared_.end()) {
    RaiseHostError(ZE_UNKNOWN_CLASS, e.name +
                                         " is a function defined on line " +
                                         std::to_string(later->second) +
                                         ", which has not run yet");
    return Check();
  }
  RaiseHostError(ZE_UNKNOWN_CLASS,
                 e.name +
                     " is neither a class, a function nor a built-in "
                     "function");
  return Check();
}

bool Evaluator::Takes(const Expr& call, const std::string& cls,
                      const std::string& method, std::vector<bool>* refer,
                      bool* called) {
  if (engine_.Takes(cls, method, call.args.size(), refer)) return true;
  *called = true;
  return Check();
}

bool Evaluator::Arguments(const Expr& call, const std::vector<bool>& refer,
                          CallArgs* out) {
  std::size_t n = call.args.size();
  out->temps.resize(n);  // never resized again: args point into it
  out->args.assign(n, nullptr);
  const char* notPlace = "is not a variable, a member or an element";
  // A member or an element given to a refer parameter is found after every
  // argument has been worked out, as nothing runs then that could move it.
  std::vector<std::vector<Variable>> indexes(n);
  for (std::size_t i = 0; i < n; ++i) {
    const Expr& a = *call.args[i];
    if (a.kind == Expr::kName) {
      auto found = vars_->find(a.name);
      Variable* v = found == vars_->end() ? nullptr : &found->second;
      if (!v && refer[i]) v = &(*vars_)[a.name];
      if (!v) v = Named(a);
      if (!v) return false;
      out->args[i] = v;
    } else if (refer[i] && IsPlace(a)) {
      if (!Indexes(a, indexes[i])) return false;
    } else {
      if (!Eval(a, out->temps[i])) return false;
      out->args[i] = &out->temps[i];
      if (refer[i]) out->copies.push_back({i, out->temps[i], notPlace});
    }
  }
  for (std::size_t i = 0; i < n; ++i) {
    if (out->args[i]) continue;
    const Expr& a = *call.args[i];
    bool element = a.kind == Expr::kIndex;
    Variable* object = Locate(*a.object, indexes[i], element ? 1 : 0);
    if (!object) return false;
    Variable* seq = object->GetPointer();
    Variable* place = nullptr;
    const char* why = nullptr;
    std::size_t at = 0;
    if (!element) {
      place = engine_.GetMember(*seq, a.name);
      if (place && engine_.ReadOnly(*seq, a.name))
        why = "is a read-only member";
    } else if (seq->type == PV_STRING) {
      ReadElement(*seq, indexes[i][0], out->temps[i]);
      why = "is a String's byte";
    } else if (ElementIndex(*seq, indexes[i][0], &at)) {
      place = &static_cast<VectorStore*>(seq->val.store)->elems[at];
    }
    if (!Check()) return false;
    out->args[i] = place;
    if (!why) continue;
    if (place) out->temps[i] = *place;
    out->args[i] = &out->temps[i];
    out->copies.push_back({i, out->temps[i], why});
  }
  return true;
}

void Evaluator::Lost(const CallArgs& a, const std::string& cls,
                     const std::string& method) {
  for (const CallArgs::Copy& c : a.copies) {
    if (Identical(c.before, a.temps[c.i])) continue;
    engine_.Warn(cls + "::" + method + ": argument " + std::to_string(c.i + 1) +
                 " " + c.why +
                 ", so what the method wrote into it went to a copy and is "
                 "lost");
    return;
  }
}

bool Evaluator::Construct(const Expr& e, Variable& out, bool* called) {
  std::vector<bool> refer;
  CallArgs a;
  if (!Takes(e, e.name, e.name, &refer, called) || !Arguments(e, refer, &a))
    return false;
  *called = true;
  engine_.Construct(out, e.name, a.args);
  Lost(a, e.name, e.name);
  return Check();
}

bool Evaluator::Method(const Expr& e, Variable& out, bool* called) {
  // A method works on a variable in place; on any other value (a member
  // included) it works on a copy, and a member's or an element's copy that
  // it changed is lost, with a warning.
  Variable temp, before;
  Variable* object = &temp;
  if (e.object->kind == Expr::kName) {
    object = Named(*e.object);
    if (!object) return false;
  } else if (!Eval(*e.object, temp)) {
    return false;
  }
  bool watch = object == &temp && IsPlace(*e.object);
  if (watch) before = temp;
  std::string cls = TypeName(*object->GetPointer());
  std::vector<bool> refer;
  CallArgs a;
  if (!Takes(e, cls, e.name, &refer, called) || !Arguments(e, refer, &a))
    return false;
  *called = true;
  engine_.Call(*object, e.name, a.args, &out);
  if (watch && !Identical(before, temp))
    engine_.Warn(cls + "::" + e.name +
                 ": its object is a member or an element, so what the "
                 "method changed went to a copy and is lost");
  Lost(a, cls, e.name);
  return Check();
}

bool Evaluator::InPlace(const PlaceBuiltin& p, const Expr& e, Variable& out,
                        bool* called) {
  int n = static_cast<int>(e.args.size());
  if (!ArgumentCount(p.usage, p.minArgs, p.maxArgs, n)) return Check();
  if (!IsPlace(*e.args[0])) {
    RaiseHostError(ZE_BAD_ARGUMENT, std::string(p.usage) +
                                        ": the first argument is a variable "
                                        "or an element, to change in place");
    return Check();
  }
  std::vector<Variable> args(e.args.size() - 1);
  for (std::size_t i = 1; i < e.args.size(); ++i)
    if (!Eval(*e.args[i], args[i - 1])) return false;
  Variable* place = Place(*e.args[0]);
  if (!place) return false;
  *called = true;
  BuiltinContext cx{engine_, out_};
  p.fn(cx, *place->GetPointer(), args, out);
  return Check();
}

bool Evaluator::Builtin(const Expr& e, Variable& out, bool* called) {
  const zorl::Builtin* b = e.builtin;
  int n = static_cast<int>(e.args.size());
  if (!ArgumentCount(b->usage, b->minArgs, b->maxArgs, n)) return Check();
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
