// The platform's debug output: texts go to a sink, or are kept until taken.
#include <string>
#include <utility>
#include <vector>

#include "engine/engine.h"
#include "host/platform.h"

namespace {

std::function<void(const std::string&)>& Sink() {
  static std::function<void(const std::string&)> sink;
  return sink;
}

std::vector<std::string>& Kept() {
  static std::vector<std::string> kept;
  return kept;
}

}  // namespace

void OutputDebugStringA(const char* text) {
  std::string s = text ? text : "";
  if (Sink())
    Sink()(s);
  else
    Kept().push_back(s);
}

namespace zorl {

void SetDebugSink(std::function<void(const std::string&)> sink) {
  Sink() = std::move(sink);
}

std::vector<std::string> TakeDebugOutput() {
  std::vector<std::string> out;
  out.swap(Kept());
  return out;
}

}  // namespace zorl
