// Running parsed scripts: the script's variables, blocks, functions, calls
// and operators, and the reports of what went wrong where.
#ifndef ZORL_LANGUAGE_EVAL_H
#define ZORL_LANGUAGE_EVAL_H

#include <csignal>
#include <map>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/engine.h"
#include "language/builtins.h"
#include "language/program.h"

namespace zorl {

// A function a script defined.
struct Function {
  std::string name, file;
  int line = 0;
  std::vector<std::string> params;
  const Block* body = nullptr;
  std::shared_ptr<const Block> program;  // keeps the body alive
};

// Where a function was called from.
struct CallSite {
  std::string file;
  int line;
  std::string function;
};

class Evaluator {
 public:
  // print writes to out; errors and warnings go to err. With keepGoing an
  // error is reported and the next statement runs.
  Evaluator(Engine& engine, std::ostream& out, std::ostream& err,
            bool keepGoing);

  // Runs a script's top level. Its functions are known from here on.
  // False when it stopped early (an error without keepGoing, or the step
  // limit).
  bool Run(const std::string& file, std::shared_ptr<const Block> program);

  // The errors reported since the evaluator was made.
  long long ErrorCount() const { return errorCount_; }

  // A variable of the top level, or null.
  Variable* Find(const std::string& name);
  // Sets a variable of the top level.
  void Define(const std::string& name, Variable value) {
    globals_[name] = std::move(value);
  }
  // Whether a name is taken by a built-in, a class or (with functions) a
  // function (and on which line the function was defined).
  bool NameTaken(const std::string& name, std::string* what,
                 bool functions = true) const;

  // Whether the file built-ins may run; when not, they raise error 30.
  void AllowFiles(bool allow) { files_ = allow; }
  // Statements (and loop rounds) one Run may take; 0: no limit.
  void SetStepLimit(long long steps) { stepLimit_ = steps; }
  // A flag that stops the running script when it is not zero.
  void SetInterrupt(const volatile std::sig_atomic_t* flag) {
    interrupt_ = flag;
  }

  // Calls inside calls are refused beyond this depth.
  static constexpr int kMaxCallDepth = 200;
  // One statement reports at most this many errors, and a script this many
  // syntax errors, then how many more.
  static constexpr std::size_t kMaxReported = 20;

 private:
  // kThrow: an error raised inside a try block leaves every block and call
  // up to that try.
  enum Flow { kNext, kBreak, kContinue, kReturn, kStop, kThrow };

  // Statements (exec.cpp).
  Flow RunBlock(const Block& block);
  Flow RunNode(const Node& n);
  Flow RunStatement(const Node& n);
  Flow Try(const Node& n);
  // The caught errors as the value a catch variable receives.
  Variable Caught();
  Flow Loop(const Node& n);
  Flow For(const Node& n);
  // The rounds of a for loop, its variable set to each value that next
  // gives until next gives false.
  template <typename Next>
  Flow Rounds(const Node& n, Next next);
  // One round of a loop's body: kNext to go on, kBreak to leave the loop,
  // or what leaves the loop's block too.
  Flow Round(const Node& n);
  void RunSimple(const Statement& s);
  bool Step();
  // Reports the errors of the statement that just ran: kStop when the
  // script stops here; inside a try block they are kept for its catch
  // instead (kThrow).
  Flow Done();
  void Report(const Errors& errors);
  void Warn();
  bool CallFunction(const Function& f, const Expr& call, Variable& out);

  // Expressions (eval.cpp).
  bool Eval(const Expr& e, Variable& out);
  bool EvalInner(const Expr& e, Variable& out);
  // A condition's truth; false (and the error) when it has none.
  bool Condition(const Expr& e, bool* holds);
  bool Logic(const Expr& e, Variable& out);
  // A call; *called tells whether the function or method ran (so that an
  // assignment keeps what it left even when it raised errors).
  bool EvalCall(const Expr& e, Variable& out, bool* called);
  bool Construct(const Expr& e, Variable& out, bool* called);
  bool Method(const Expr& e, Variable& out, bool* called);
  bool Builtin(const Expr& e, Variable& out, bool* called);
  bool InPlace(const PlaceBuiltin& p, const Expr& e, Variable& out,
               bool* called);
  // The arguments of a call of a method or a constructor.
  struct CallArgs {
    std::vector<Variable> temps;  // values that no variable holds
    std::vector<Variable*> args;  // what the call is given
    // A refer parameter that could only be given a copy: the argument's
    // number, its value before the call and why it is a copy.
    struct Copy {
      std::size_t i;
      Variable before;
      const char* why;
    };
    std::vector<Copy> copies;
  };
  // Whether some signature of cls::method takes as many arguments as the
  // call gives (else the error, and *called, as the call would leave
  // nothing); refer tells which are refer parameters.
  bool Takes(const Expr& call, const std::string& cls,
             const std::string& method, std::vector<bool>* refer, bool* called);
  // Argument values of a call: a variable given by name is passed itself,
  // so that refer parameters bind to it (a new name is created empty where
  // a refer parameter takes it), and so is a member or an element given to
  // a refer parameter; other arguments are evaluated into temps.
  bool Arguments(const Expr& call, const std::vector<bool>& refer,
                 CallArgs* out);
  // Warns when the call wrote into a copy that a refer parameter was given.
  void Lost(const CallArgs& a, const std::string& cls,
            const std::string& method);
  // The variable, member or element that e names, for writing into.
  Variable* Place(const Expr& e);
  // The indexes on the way to the place e, the outermost first.
  bool Indexes(const Expr& e, std::vector<Variable>& out);
  // The place e, its indexes worked out before (from indexes[k] on): finding
  // it runs nothing that could move another place.
  Variable* Locate(const Expr& e, const std::vector<Variable>& indexes,
                   std::size_t k);
  // A value to read: a place is read where it is, anything else is
  // evaluated into temp.
  const Variable* Read(const Expr& e, Variable& temp);
  // The first operand of an operator: a variable is read where it is (what
  // comes after may change its contents, never move it); anything else is
  // evaluated into temp.
  const Variable* Operand(const Expr& e, Variable& temp);
  bool Element(const Expr& e, Variable& out);
  void SetElement(const Expr& target, Variable&& value);
  // *called tells whether an object's * method ran (as for EvalCall).
  bool Operator(const Expr& e, Variable& out, bool* called = nullptr);
  // s = s + a + ... of a String s: the Strings are added to s in place, so
  // that growing a String in a loop takes time in proportion to its length.
  // False when the statement is no such assignment.
  bool AppendInPlace(const Statement& s);
  Variable* Named(const Expr& e);  // raises an error for an unknown name
  // Moves the engine's pending errors into errors_; false when there were.
  bool Check();

  Engine& engine_;
  std::ostream& out_;
  std::ostream& err_;
  bool keepGoing_;
  bool files_ = true;

  typedef std::unordered_map<std::string, Variable> Variables;
  Variables globals_;
  Variables* vars_ = &globals_;  // the running function's, or the globals
  std::map<std::string, Function> functions_;
  std::map<std::string, int> declared_;  // defs of the running script
  std::vector<CallSite> sites_;
  std::string file_;
  int line_ = 0;
  std::shared_ptr<const Block> program_;  // the one running
  Variable returned_;

  Errors errors_;
  long long errorCount_ = 0;
  bool stop_ = false;
  // A limit was passed (steps, calls or nesting): outside any try the
  // script stops, even with keepGoing.
  bool fatal_ = false;
  int tries_ = 0;          // try blocks running, inside each other
  bool throwing_ = false;  // errors on their way to a catch
  Errors caught_;          // those errors
  int caughtLine_ = 0;     // the line that raised them
  long long steps_ = 0, stepLimit_ = 0;
  const volatile std::sig_atomic_t* interrupt_ = nullptr;
  int depth_ = 0;  // expressions and calls being worked, inside each other
  std::set<std::pair<std::string, int>> warned_;
};

}  // namespace zorl

#endif
