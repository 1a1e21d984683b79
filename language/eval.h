// Running parsed statements: the script's variables, calls and operators.
#ifndef ZORL_LANGUAGE_EVAL_H
#define ZORL_LANGUAGE_EVAL_H

#include <ostream>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/engine.h"
#include "language/ast.h"

namespace zorl {

class Evaluator {
 public:
  Evaluator(Engine& engine, std::ostream& out) : engine_(engine), out_(out) {}

  // Runs one statement. The errors that stopped it, in the order raised;
  // the rest of the statement is skipped after the first failing step.
  Errors Run(const Statement& s);

  // A script variable, or null.
  Variable* Find(const std::string& name);

  // Whether the file built-ins may run; when not, they raise error 30.
  void AllowFiles(bool allow) { files_ = allow; }

 private:
  void RunStatement(const Statement& s);
  bool Eval(const Expr& e, Variable& out);
  // A call; *called tells whether the function or method ran (so that an
  // assignment keeps what it left even when it raised errors).
  bool EvalCall(const Expr& e, Variable& out, bool* called);
  bool Construct(const Expr& e, Variable& out, bool* called);
  bool Method(const Expr& e, Variable& out, bool* called);
  bool Builtin(const Expr& e, Variable& out, bool* called);
  // Argument values of a call of cls::method: a variable given by name is
  // passed itself, so that refer parameters bind to it (a new name is
  // created empty where a refer parameter takes it); other arguments are
  // evaluated into temps.
  bool Arguments(const Expr& call, const std::string& cls,
                 const std::string& method, std::vector<Variable>& temps,
                 std::vector<Variable*>* args);
  bool ReferAt(const std::string& cls, const std::string& method,
               std::size_t count, std::size_t i) const;
  // The variable or member that e names, for writing into.
  Variable* Place(const Expr& e);
  // *called tells whether an object's * method ran (as for EvalCall).
  bool Operator(const Expr& e, Variable& out, bool* called = nullptr);
  Variable* Named(const Expr& e);  // raises an error for an unknown name
  // Moves the engine's pending errors into errors_; false when there were.
  bool Check();

  Engine& engine_;
  std::ostream& out_;
  std::unordered_map<std::string, Variable> vars_;
  Errors errors_;
  bool files_ = true;
};

}  // namespace zorl

#endif
