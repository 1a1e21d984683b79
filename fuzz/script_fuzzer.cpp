// Fuzzes the script language: the input is a script, run line by line with
// --keep-going against an engine that has the plug-in loaded. Any input must
// end with output or clear errors: no crash, no hang, no leak.
//
// The file built-ins are disabled, so that no input reads or writes files;
// the engine's allocation limits are lowered to 16 MiB and 2^20 elements, so
// that fill(), range() and big tables are refused quickly instead of filling
// memory. Each script may take 20,000 steps (statements and rounds of
// loops), so that an endless loop ends with an error instead of a timeout.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "engine/engine.h"
#include "language/interpreter.h"

namespace {

zorl::Engine* g_engine = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Conversions run on the calling thread (see method_fuzzer.cpp); scripts
  // that would change that are skipped.
  setenv("ZORL_THREADS", "1", 1);
  g_engine = new zorl::Engine;  // lives for the whole run, plug-in loaded
  std::string message;
  if (!g_engine->LoadPlugin(LUT_PLUGIN_PATH, true, &message)) {
    std::fprintf(stderr, "%s\n", message.c_str());
    std::abort();
  }
  zorl::SetAllocationLimits(16 << 20, 1 << 20);
  zorl::SetDebugSink([](const std::string&) {});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  if (text.find("SetThreads") != std::string::npos) return -1;
  std::istringstream in(text);
  std::ostringstream out, err;
  {
    zorl::Interpreter interpreter(*g_engine, out, err, true);
    interpreter.AllowFiles(false);
    interpreter.SetStepLimit(20000);
    int status = interpreter.Run("fuzz.zs", in, true);
    if (status < 0 || status > 2) std::abort();
    // A failure is always explained.
    if (status != 0 && err.str().empty()) {
      std::fprintf(stderr, "status %d without a report\n", status);
      std::abort();
    }
  }
  g_engine->TakeErrors();
  zorl::TakeDebugOutput();
  return 0;
}
