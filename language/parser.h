// Parsing one line of a script into a statement.
#ifndef ZORL_LANGUAGE_PARSER_H
#define ZORL_LANGUAGE_PARSER_H

#include <string>

#include "language/ast.h"

namespace zorl {

struct SyntaxError {
  int column = 0;
  std::string message;  // "expected ')', found the end of the line"
};

// Whether a word is one of the language's keywords (if, while, and, ...),
// which name no variable or function.
bool IsKeyword(const std::string& word);

// Parses one line. On failure: false, and where and what was expected.
bool ParseLine(const std::string& line, Statement* out, SyntaxError* error);

}  // namespace zorl

#endif
