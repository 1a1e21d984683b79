// The tokens of one line of a script.
#ifndef ZORL_LANGUAGE_LEXER_H
#define ZORL_LANGUAGE_LEXER_H

#include <string>
#include <vector>

#include "host/platform.h"

namespace zorl {

struct ScriptToken {
  enum Kind {
    kName,    // text
    kLong,    // number
    kDouble,  // real
    kString,  // text: the String's bytes, escapes resolved
    kPunct,   // text: one of ( ) [ ] , . : = + - * / % | & ^ < > == != <= >=
    kBad,     // text: what was expected here (a malformed token)
    kEnd,     // the end of the line (a comment ends it too)
  };
  Kind kind = kEnd;
  std::string text;
  zlong number = 0;
  double real = 0;
  int column = 1;     // 1-based
  std::string found;  // kBad: the character that no token starts with
};

// Splits one line into tokens; the last is always kEnd or kBad.
std::vector<ScriptToken> Tokenize(const std::string& line);

// Whether a line ends inside a String or a bracket, so that a prompt goes
// on with the next line; *head is then what the next line is joined to: the
// line and a line end (inside a String: the String holds it), or the line
// without its comment and a blank (inside a bracket).
bool OpenAtEnd(const std::string& line, std::string* head);

// How a token reads in a message: "'('", "the name x", "the end of the
// line".
std::string DescribeToken(const ScriptToken& t);

}  // namespace zorl

#endif
