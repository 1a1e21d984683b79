// The interactive prompt: lines from libedit on a terminal (a plain read
// where the build has no libedit, or the input is no terminal), fed to the
// interpreter one at a time. On a terminal Ctrl-C stops the statement that
// runs or drops the line being typed, and the history of lines is kept in
// a file between sessions.
#include "command/repl.h"

#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <iostream>
#include <string>

#ifdef ZORL_HAVE_LIBEDIT
#include <histedit.h>
#endif

namespace {

const char kPrompt[] = "zorl> ";
const char kMore[] = "....> ";

// Set by Ctrl-C (SIGINT), and nothing else is done in the handler.
volatile std::sig_atomic_t interrupted = 0;

extern "C" void OnInterrupt(int) { interrupted = 1; }

enum Got { kLine, kDropped, kEnd };

// Waits until standard input has something to read (true), or Ctrl-C was
// pressed (false; the flag is cleared). SIGINT is blocked except while
// waiting, so that one that comes just before the wait ends it too.
bool WaitForInput() {
  sigset_t block, old;
  sigemptyset(&block);
  sigaddset(&block, SIGINT);
  sigprocmask(SIG_BLOCK, &block, &old);
  bool ready = false;
  while (!interrupted) {
    pollfd p{STDIN_FILENO, POLLIN, 0};
    int n = ppoll(&p, 1, nullptr, &old);
    if (n > 0 || (n < 0 && errno != EINTR)) {
      ready = true;  // a failure shows in the read that follows
      break;
    }
  }
  interrupted = 0;
  sigprocmask(SIG_SETMASK, &old, nullptr);
  return ready;
}

#ifdef ZORL_HAVE_LIBEDIT

// Lines kept between sessions, the newest.
constexpr int kHistoryLines = 1000;

// The history file: ZORL_HISTORY, else .zorl_history in the home folder;
// none when ZORL_HISTORY is empty or there is no home.
std::string HistoryPath() {
  if (const char* set = std::getenv("ZORL_HISTORY")) return set;
  const char* home = std::getenv("HOME");
  return home && *home ? std::string(home) + "/.zorl_history" : "";
}

void Warn(const std::string& what, const std::string& path,
          const std::string& why) {
  std::cerr << "zorl: warning: cannot " << what << ' ' << path << ": " << why
            << '\n'
            << std::flush;
}

// Lines from libedit: its editing and history, characters read here so
// that Ctrl-C reaches the prompt as a key that drops the line.
class EditInput {
 public:
  EditInput() : path_(HistoryPath()) {
    HistEvent ev;
    history(history_, &ev, H_SETSIZE, kHistoryLines);
    history(history_, &ev, H_SETUNIQUE, 1);
    el_set(edit_, EL_EDITOR, "emacs");
    el_set(edit_, EL_SIGNAL, 1);  // the terminal set right on suspend, resize
    el_set(edit_, EL_HIST, history, history_);
    el_set(edit_, EL_PROMPT, &Prompt);
    el_set(edit_, EL_GETCFN, &ReadKey);
    el_set(edit_, EL_ADDFN, "zorl-drop", "Drop the line (Ctrl-C)", &Drop);
    el_source(edit_, nullptr);  // the user's ~/.editrc
    el_set(edit_, EL_BIND, kDropKey, "zorl-drop", nullptr);
    Load();
  }
  ~EditInput() {
    Save();
    el_end(edit_);
    history_end(history_);
  }
  EditInput(const EditInput&) = delete;
  EditInput& operator=(const EditInput&) = delete;

  Got Get(const char* prompt, std::string* line) {
    prompt_ = prompt;
    dropped_ = false;
    int count = 0;
    const char* text = el_gets(edit_, &count);
    if (dropped_) {
      std::cout << "^C\n" << std::flush;
      return kDropped;
    }
    if (!text || count <= 0) return kEnd;
    line->assign(text, static_cast<std::size_t>(count));
    if (!line->empty() && line->back() == '\n') line->pop_back();
    return kLine;
  }

  void Remember(const std::string& line) {
    HistEvent ev;
    if (line.find_first_not_of(" \t") != std::string::npos)
      history(history_, &ev, H_ENTER, line.c_str());
  }

 private:
  static constexpr char kDropKey[] = "^C";

  static char* Prompt(EditLine*) { return const_cast<char*>(prompt_); }

  // The next character of standard input, or Ctrl-C as its key.
  static int ReadKey(EditLine*, wchar_t* c) {
    std::mbstate_t state{};
    for (;;) {
      if (!WaitForInput()) {
        *c = 3;  // Ctrl-C
        return 1;
      }
      char byte;
      ssize_t n = read(STDIN_FILENO, &byte, 1);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return n == 0 ? 0 : -1;
      std::size_t got = std::mbrtowc(c, &byte, 1, &state);
      if (got == static_cast<std::size_t>(-2)) continue;  // more to come
      if (got == static_cast<std::size_t>(-1)) {  // not a character: dropped
        state = std::mbstate_t{};
        continue;
      }
      return 1;
    }
  }

  // Ctrl-C: the cursor goes to the end of the line (over its text, which
  // stays shown), and the line is dropped.
  static unsigned char Drop(EditLine* edit, int) {
    const LineInfo* line = el_line(edit);
    std::cout << std::string(line->cursor, line->lastchar) << std::flush;
    dropped_ = true;
    return CC_NEWLINE;
  }

  // A file that is not a history of libedit's is left as it is.
  void Load() {
    if (path_.empty()) return;
    std::FILE* f = std::fopen(path_.c_str(), "r");
    if (!f) {
      if (errno != ENOENT)
        Warn("read the history from", path_, std::strerror(errno));
      return;
    }
    static const char kCookie[] = "_HiStOrY_V2_\n";
    char head[sizeof kCookie] = "";
    std::size_t n = std::fread(head, 1, sizeof kCookie - 1, f);
    std::fclose(f);
    HistEvent ev;
    if (n == 0) return;
    if (std::strcmp(head, kCookie) == 0 &&
        history(history_, &ev, H_LOAD, path_.c_str()) >= 0)
      return;
    Warn("read the history from", path_,
         "not a history file of libedit (it is left as it is)");
    path_.clear();
  }

  void Save() {
    std::string why = path_.empty() ? "" : Write();
    if (!why.empty()) Warn("write the history to", path_, why);
  }

  // Writes the history under a temporary name beside its file (the file a
  // link points to) and renames it onto the file, so that a failed write
  // leaves the old history whole. Empty, or why it was not written.
  std::string Write() {
    if (access(path_.c_str(), F_OK) == 0 && access(path_.c_str(), W_OK) != 0)
      return std::strerror(errno);
    std::string target = path_;
    if (char* real = realpath(path_.c_str(), nullptr)) {
      target = real;
      std::free(real);
    }
    std::string temp = target + ".XXXXXX";
    int fd = mkstemp(&temp[0]);
    if (fd < 0) return std::strerror(errno);
    std::FILE* f = fdopen(fd, "w");
    HistEvent ev;
    int e = 0;
    errno = 0;
    if (!f || history(history_, &ev, H_SAVE_FP, f) < 0 || std::fflush(f) != 0)
      e = errno ? errno : EIO;
    if ((f ? std::fclose(f) : close(fd)) != 0 && !e) e = errno;
    if (!e && std::rename(temp.c_str(), target.c_str()) != 0) e = errno;
    if (!e) return "";
    std::remove(temp.c_str());
    return std::strerror(e);
  }

  static const char* prompt_;
  static bool dropped_;
  std::string path_;
  History* history_ = history_init();
  EditLine* edit_ = el_init("zorl", stdin, stdout, stderr);
};

const char* EditInput::prompt_ = kPrompt;
bool EditInput::dropped_ = false;

typedef EditInput TerminalInput;

#else

// Lines read from a terminal without libedit: the terminal gathers each
// line, and drops it itself on Ctrl-C.
class PlainInput {
 public:
  Got Get(const char* prompt, std::string* line) {
    std::cout << prompt << std::flush;
    for (;;) {
      std::size_t end = buffered_.find('\n');
      if (end != std::string::npos) {
        *line = buffered_.substr(0, end);
        buffered_.erase(0, end + 1);
        return kLine;
      }
      if (!WaitForInput()) {
        buffered_.clear();
        std::cout << '\n' << std::flush;
        return kDropped;
      }
      char chunk[4096];
      ssize_t n = read(STDIN_FILENO, chunk, sizeof chunk);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        if (buffered_.empty()) return kEnd;
        line->swap(buffered_);
        buffered_.clear();
        return kLine;
      }
      buffered_.append(chunk, static_cast<std::size_t>(n));
    }
  }
  void Remember(const std::string&) {}

 private:
  std::string buffered_;
};

typedef PlainInput TerminalInput;

#endif

// The lines of standard input, and the statements they hold, run.
template <typename Input>
int Session(zorl::Interpreter& interpreter, Input& input) {
  std::string line;
  int status = 0;
  for (int n = 1;; ++n) {
    Got got =
        input.Get(status == zorl::Interpreter::kMore ? kMore : kPrompt, &line);
    if (got == kEnd) break;
    if (got == kDropped) {
      interpreter.DropFeed();
      status = 0;
      continue;
    }
    input.Remember(line);
    status = interpreter.Feed("<stdin>", n, line);
    interrupted = 0;  // a Ctrl-C after the statement ended stops nothing
  }
  return interpreter.EndFeed("<stdin>") == 2 ? 2 : 0;
}

// Standard input that is no terminal: its lines, as they come.
struct PipedInput {
  Got Get(const char*, std::string* line) {
    return std::getline(std::cin, *line) ? kLine : kEnd;
  }
  void Remember(const std::string&) {}
};

}  // namespace

int RunRepl(zorl::Interpreter& interpreter) {
  interpreter.SetPrompt(true);
  if (!isatty(STDIN_FILENO)) {
    PipedInput input;
    return Session(interpreter, input);
  }
  std::cout << "zorl: statements run as they are entered; a block runs at "
               "its end. Ctrl-C stops a statement, Ctrl-D ends.\n"
            << std::flush;
  // Without SA_RESTART reads and writes elsewhere would fail on Ctrl-C;
  // the wait for input is woken all the same.
  struct sigaction on {};
  on.sa_handler = OnInterrupt;
  on.sa_flags = SA_RESTART;
  sigemptyset(&on.sa_mask);
  struct sigaction before {};
  sigaction(SIGINT, &on, &before);
  interpreter.SetInterrupt(&interrupted);
  int status;
  {
    TerminalInput input;
    status = Session(interpreter, input);
    std::cout << '\n' << std::flush;
  }
  interpreter.SetInterrupt(nullptr);
  sigaction(SIGINT, &before, nullptr);
  return status;
}
