// A script as a tree of blocks: lines parsed one by one and gathered into
// the blocks that their keywords open and `end` closes.
#ifndef ZORL_LANGUAGE_PROGRAM_H
#define ZORL_LANGUAGE_PROGRAM_H

#include <string>
#include <vector>

#include "language/ast.h"
#include "language/parser.h"

namespace zorl {

struct Node {
  int line = 0;
  Statement s;
  std::vector<Node> body;    // if, elif, while, for, def, try
  std::vector<Node> orElse;  // if: an elif (as one if node) or the else
                             // body; try: the catch body
};

typedef std::vector<Node> Block;

// A syntax error of a script: its line, column and message.
struct LineError {
  int line = 0;
  SyntaxError error;
};

// Gathers lines into blocks. Statements that may stand only in some places
// (elif and else after an if, catch after a try, break and continue in a
// loop, return in a function, def at the top level) are checked as they
// come.
class ProgramBuilder {
 public:
  // Adds one line; false when it is wrong (the errors keep each).
  bool Add(int line, const std::string& text);
  // Whether every block opened has been closed.
  bool Complete() const { return open_.empty(); }
  // Ends the script: a block still open is an error naming its first line.
  // The statements at the top level; the builder starts afresh.
  Block Finish();
  const std::vector<LineError>& Errors() const { return errors_; }

 private:
  struct Open {
    Node* node;   // the if, while, for, def or try
    Block* into;  // where the next statement goes: its body or else body
    int line;     // where the block began (an elif chain: at its if)
    bool sawElse = false;  // or the catch of a try
  };
  bool Fail(int line, int column, const std::string& message);
  Block* Current() { return open_.empty() ? &top_ : open_.back().into; }
  bool InLoop() const;
  bool InFunction() const;

  Block top_;
  std::vector<Open> open_;
  std::vector<LineError> errors_;
};

// Blocks nest at most this deep.
constexpr int kMaxBlockDepth = 100;

}  // namespace zorl

#endif
