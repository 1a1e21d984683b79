// The host's error functions: they hand errors to this thread's sink, or to
// the debug output when no script runs.
#include "engine/error_sink.h"

#include <string>

namespace zorl {

namespace {
thread_local ErrorSink* g_sink = nullptr;
}  // namespace

ErrorSink* RunningSink() { return g_sink; }
void SetRunningSink(ErrorSink* sink) { g_sink = sink; }

}  // namespace zorl

void ZorlError(zlong number) { ZorlError(number, nullptr); }

void ZorlError(zlong number, const char* text) {
  if (zorl::ErrorSink* sink = zorl::RunningSink()) {
    sink->Raise(number, text);
    return;
  }
  std::string line = "error " + std::to_string(number);
  if (text) line += std::string(": ") + text;
  OutputDebugStringA((line + " (no script running)").c_str());
}

unsigned short GetErrorOffset(HINSTANCE module) {
  zorl::ErrorSink* sink = zorl::RunningSink();
  return sink ? sink->ErrorOffset(module) : 0xFFFF;
}
