// The parsed form of a script line: one statement over expressions.
#ifndef ZORL_LANGUAGE_AST_H
#define ZORL_LANGUAGE_AST_H

#include <memory>
#include <string>
#include <vector>

#include "host/variable.h"

namespace zorl {

struct Builtin;

struct Expr {
  enum Kind {
    kLiteral,  // value
    kVector,   // [args...]
    kName,     // name: a script variable
    kMember,   // object.name
    kCall,     // name(args...): a built-in, a function or a construction
    kMethod,   // object.name(args...)
    kBinary,   // object ops[0] args[0] ops[1] args[1] ...: one level's chain,
               // worked left to right
    kNegate,   // -object
    kCompare,  // object name args[0]; name is == != < <= > >=
    kAnd,      // args[0] and args[1] and ...: stops at the first false
    kOr,       // args[0] or args[1] or ...: stops at the first true
    kNot,      // not object
    kIndex,    // object[args[0]]
    kSlice,    // object[args[0]:args[1]]; a bound left out is null
  };
  Kind kind;
  int column = 1;
  Variable value;
  std::string name;  // variable, member, function, class or method; operator
  std::unique_ptr<Expr> object;
  std::vector<std::unique_ptr<Expr>> args;
  std::vector<char> ops;  // kBinary: + - * / % | & ^
  // kCall: the built-in function of that name, once looked up (no script
  // function or class takes a built-in's name).
  mutable const Builtin* builtin = nullptr;
};

// A variable, or a member or an element of one, and so on.
inline bool IsPlace(const Expr& e) {
  if (e.kind == Expr::kName) return true;
  return (e.kind == Expr::kMember || e.kind == Expr::kIndex) &&
         IsPlace(*e.object);
}

struct Statement {
  enum Kind {
    kNone,        // an empty line or a comment
    kExpr,        // value
    kAssign,      // name = value
    kSetMember,   // target.name = value
    kSetElement,  // target (a kIndex) = value
    kIf,          // if value
    kElif,        // elif value
    kElse,        // else
    kWhile,       // while value
    kFor,         // for name in value
    kEnd,         // end
    kBreak,       // break
    kContinue,    // continue
    kDef,         // def name(params)
    kReturn,      // return [value]
    kTry,         // try
    kCatch,       // catch [name]
  };
  Kind kind = kNone;
  int column = 1;    // where the statement starts
  std::string name;  // also: a try's catch variable (none: empty)
  std::vector<std::string> params;
  std::unique_ptr<Expr> target;
  std::unique_ptr<Expr> value;
};

// Whether a statement opens a block that a later `end` closes.
inline bool OpensBlock(Statement::Kind k) {
  return k == Statement::kIf || k == Statement::kWhile ||
         k == Statement::kFor || k == Statement::kDef || k == Statement::kTry;
}

}  // namespace zorl

#endif
