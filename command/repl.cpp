// The interactive prompt: lines from libedit on a terminal (a plain read
// where the build has no libedit, or the input is no terminal), fed to the
// interpreter one at a time.
#include "command/repl.h"

#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <string>

#ifdef ZORL_HAVE_LIBEDIT
#include <editline/readline.h>
#endif

namespace {

const char kPrompt[] = "zorl> ";
const char kMore[] = "....> ";

// The next line; false at the end of the input.
bool ReadLine(bool terminal, const char* prompt, std::string* line) {
#ifdef ZORL_HAVE_LIBEDIT
  if (terminal) {
    char* text = readline(prompt);
    if (!text) return false;
    *line = text;
    if (!line->empty()) add_history(text);
    std::free(text);
    return true;
  }
#endif
  if (terminal) std::cout << prompt << std::flush;
  return static_cast<bool>(std::getline(std::cin, *line));
}

}  // namespace

int RunRepl(zorl::Interpreter& interpreter) {
  bool terminal = isatty(STDIN_FILENO) != 0;
  if (terminal)
    std::cout << "zorl: statements run as they are entered; a block runs at "
                 "its end. End with Ctrl-D.\n"
              << std::flush;
  std::string line;
  int status = 0;
  for (int n = 1;
       ReadLine(terminal, status == zorl::Interpreter::kMore ? kMore : kPrompt,
                &line);
       ++n)
    status = interpreter.Feed("<stdin>", n, line);
  if (terminal) std::cout << '\n' << std::flush;
  return interpreter.EndFeed("<stdin>") == 2 ? 2 : 0;
}
