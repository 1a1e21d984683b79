// The interactive prompt of the zorl command.
#ifndef ZORL_COMMAND_REPL_H
#define ZORL_COMMAND_REPL_H

#include "language/interpreter.h"

// Reads statements from standard input one line at a time and runs each
// as soon as it is complete (a block at its end), reporting errors and
// going on. On a terminal it shows a prompt, with line editing and history
// when the build has libedit. The exit status: 0, or 2 when the input
// ended inside a block.
int RunRepl(zorl::Interpreter& interpreter);

#endif
