// The parsed form of a script line: one statement over expressions.
#ifndef ZORL_LANGUAGE_AST_H
#define ZORL_LANGUAGE_AST_H

#include <memory>
#include <string>
#include <vector>

#include "host/variable.h"

namespace zorl {

struct Expr {
  enum Kind {
    kLiteral,  // value
    kVector,   // [args...]
    kName,     // name: a script variable
    kMember,   // object.name
    kCall,     // name(args...): a built-in function or a construction
    kMethod,   // object.name(args...)
    kBinary,   // object op args[0]
    kNegate,   // -object
  };
  Kind kind;
  int column = 1;
  Variable value;
  std::string name;  // variable, member, function, class or method; operator
  std::unique_ptr<Expr> object;
  std::vector<std::unique_ptr<Expr>> args;
};

// A variable, or a member of a variable, or a member of that, and so on.
inline bool IsPlace(const Expr& e) {
  if (e.kind == Expr::kName) return true;
  return e.kind == Expr::kMember && IsPlace(*e.object);
}

struct Statement {
  enum Kind {
    kNone,       // an empty line or a comment
    kExpr,       // value
    kAssign,     // name = value
    kSetMember,  // target.name = value
  };
  Kind kind = kNone;
  std::string name;
  std::unique_ptr<Expr> target;
  std::unique_ptr<Expr> value;
};

}  // namespace zorl

#endif
