// Parsing one line of a script into a statement.
#ifndef ZORL_ENGINE_SCRIPT_PARSER_H
#define ZORL_ENGINE_SCRIPT_PARSER_H

#include <string>

#include "engine/script_ast.h"

namespace zorl {

struct SyntaxError {
  int column = 0;
  std::string message;  // "expected ')', found the end of the line"
};

// Parses one line. On failure: false, and where and what was expected.
bool ParseLine(const std::string& line, Statement* out, SyntaxError* error);

}  // namespace zorl

#endif
