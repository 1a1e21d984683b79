// SetThreads(n): the threads that conversions over large buffers split their
// pixels over, for the rest of the run (and for every engine of the
// process): 1 to 256, or 0 for the default (ZORL_THREADS, else the
// processors the process may run on). Gives the count now in force.
//
//   SetThreads(1)      1: every conversion on the calling thread
//   SetThreads(0)      the default again
#include <string>

#include "language/builtin_args.h"

namespace zorl {

namespace {

const char kUsage[] = "SetThreads(n)";

void SetThreads(BuiltinContext&, Args& args, Variable& result) {
  long long n;
  if (!LongArgument(args[0], std::string(kUsage) + ": n", &n)) return;
  if (n < 0 || n > 256 || !SetConversionThreads(static_cast<int>(n))) {
    RaiseHostError(ZE_BAD_PARAMETER,
                   std::string(kUsage) + ": " + std::to_string(n) +
                       " threads; give 1 to 256, or 0 for the default");
    return;
  }
  result = static_cast<zlong>(ConversionThreads());
}

}  // namespace

const Builtin kThreadBuiltins[] = {
    {"SetThreads", 1, 1, SetThreads, kUsage, false},
    {nullptr, 0, 0, nullptr, nullptr, false},
};

}  // namespace zorl
