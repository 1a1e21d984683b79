// The built-in Progress(i, n): how far a batch has come, one call per step.
//
// i counts the steps done (0 to n). A batch starts at a call with a new n
// or with an i below the last one. Once it has run for more than a second
// (ZORL_PROGRESS_DELAY seconds, when that is set) and while standard error
// is a terminal, a line redrawn in place shows
//
//    37/120  30%  12.4/s  0:06 left
//
// and when i reaches n the line shows the whole time and ends. Nothing is
// written when standard error is not a terminal, or for a batch quicker
// than the delay.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "language/builtin_args.h"

namespace zorl {

namespace {

typedef std::chrono::steady_clock Clock;

// The batch under way; a process runs one at a time.
struct Batch {
  long long n = -1, last = -1, first = 0;
  Clock::time_point start, drawn;
  double delay = 1;
  bool shown = false;
};

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

// m:ss, or h:mm:ss from an hour on.
std::string Clocktime(double seconds) {
  long long s = static_cast<long long>(seconds + 0.5);
  char text[40];
  if (s >= 3600)
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600,
                  s / 60 % 60, s % 60);
  else
    std::snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
  return text;
}

void Draw(const Batch& b, long long i, double elapsed) {
  double rate = elapsed > 0 ? static_cast<double>(i - b.first) / elapsed : 0;
  std::string tail =
      i == b.n   ? Clocktime(elapsed) + " in all"
      : rate > 0 ? Clocktime(static_cast<double>(b.n - i) / rate) + " left"
                 : "--:-- left";
  int width = static_cast<int>(std::to_string(b.n).size());
  std::fprintf(stderr, "\r%*lld/%lld %3lld%%  %.1f/s  %s\x1b[K%s", width, i,
               b.n, b.n ? i * 100 / b.n : 100, rate, tail.c_str(),
               i == b.n ? "\n" : "");
  std::fflush(stderr);
}

void Progress(BuiltinContext&, Args& a, Variable&) {
  static const char* usage = "Progress(i, n)";
  long long i = 0, n = 0;
  if (!LongArgument(a[0], std::string(usage) + ": i", &i) ||
      !LongArgument(a[1], std::string(usage) + ": n", &n))
    return;
  if (n < 0 || i < 0 || i > n) {
    RaiseHostError(ZE_BAD_PARAMETER, std::string(usage) +
                                         ": i = " + std::to_string(i) +
                                         " outside 0 to " + std::to_string(n));
    return;
  }
  static Batch b;
  Clock::time_point now = Clock::now();
  if (n != b.n || i < b.last) {
    b = Batch();
    b.n = n;
    b.first = i;
    b.start = now;
    const char* delay = std::getenv("ZORL_PROGRESS_DELAY");
    if (delay) b.delay = std::atof(delay);
  }
  b.last = i;
  double elapsed = Seconds(now - b.start);
  bool redraw = i == n || !b.shown || Seconds(now - b.drawn) >= 0.1;
  if (elapsed >= b.delay && redraw && isatty(STDERR_FILENO)) {
    Draw(b, i, elapsed);
    b.shown = true;
    b.drawn = now;
  }
  if (i == n) b = Batch();
}

}  // namespace

const Builtin kProgressBuiltins[] = {
    {"Progress", 2, 2, Progress, "Progress(i, n)", false},
    {nullptr, 0, 0, nullptr, nullptr, false},
};

}  // namespace zorl
