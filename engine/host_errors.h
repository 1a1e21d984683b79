// The engine's own error numbers and texts.
#ifndef ZORL_ENGINE_HOST_ERRORS_H
#define ZORL_ENGINE_HOST_ERRORS_H

#include <new>
#include <string>

#include "host/errors.h"

namespace zorl {

enum EngineError : zlong {
  ZE_SYNTAX = 1,
  ZE_NO_MEMORY = 8,
  ZE_UNKNOWN_CLASS = 20,
  ZE_UNKNOWN_METHOD = 21,
  ZE_NO_SIGNATURE = 22,
  ZE_UNKNOWN_MEMBER = 23,
  ZE_UNKNOWN_VARIABLE = 24,
  ZE_NOT_AN_OBJECT = 25,
  ZE_READ_ONLY = 26,
  ZE_BAD_ARGUMENT = 27,
  ZE_INDEX = 28,
  ZE_LIMIT = 29,
  ZE_FILE = 30,
};

// The text of a host error number; null for numbers the host doesn't name.
const char* HostErrorText(zlong number);

// Raise a host error with a text made of its own text and a detail.
void RaiseHostError(zlong number, const std::string& detail);
void RaiseNoMemory(zlong n);
// Host error 8 for an allocation that threw e: the memory budget's totals
// when the budget refused it, else the detail (or n's).
void RaiseNoMemory(const std::bad_alloc& e, const std::string& detail);
void RaiseNoMemory(zlong n, const std::bad_alloc& e);

}  // namespace zorl

#endif
