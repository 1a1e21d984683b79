// Where raised errors go. The processor that runs on this thread receives
// them; the host functions ZorlError and GetErrorOffset, and the engine's
// own RaiseHostError, reach it through here without knowing what it is.
#ifndef ZORL_ENGINE_ERROR_SINK_H
#define ZORL_ENGINE_ERROR_SINK_H

#include "host/zorl.h"

namespace zorl {

class ErrorSink {
 public:
  // Records error number with its text (null: the text registered for the
  // number, if any).
  virtual void Raise(zlong number, const char* text) = 0;
  // The first error number of a module's range; 0xFFFF when it has none.
  virtual unsigned short ErrorOffset(HINSTANCE module) const = 0;

 protected:
  ~ErrorSink() = default;
};

// The sink of this thread; null when no script runs.
ErrorSink* RunningSink();
void SetRunningSink(ErrorSink* sink);

}  // namespace zorl

#endif
