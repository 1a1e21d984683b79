// The engine's error texts, and raising engine errors.
#include "engine/host_errors.h"

#include "engine/budget.h"
#include "host/zorl.h"

namespace zorl {

const char* HostErrorText(zlong number) {
  switch (number) {
    case ZE_SYNTAX:
      return "syntax error";
    case ZE_NOT_A_NUMBER:
      return "number expected";
    case ZE_BAD_PARAMETER:
      return "parameter value refused";
    case ZE_NO_MEMORY:
      return "allocation refused";
    case ZE_ZERO_DIVISOR:
      return "division by zero";
    case ZE_UNKNOWN_CLASS:
      return "unknown class";
    case ZE_UNKNOWN_METHOD:
      return "unknown method";
    case ZE_NO_SIGNATURE:
      return "no signature matches the arguments";
    case ZE_UNKNOWN_MEMBER:
      return "unknown member";
    case ZE_UNKNOWN_VARIABLE:
      return "unknown variable";
    case ZE_NOT_AN_OBJECT:
      return "object expected";
    case ZE_READ_ONLY:
      return "member is read-only";
    case ZE_BAD_ARGUMENT:
      return "bad argument";
    case ZE_INDEX:
      return "index out of range";
    case ZE_LIMIT:
      return "limit reached";
    case ZE_FILE:
      return "file error";
    case ZE_NOT_BOOLEAN:
      return "boolean expected";
    case ZE_NO_ELEMENTS:
      return "value has no elements";
    default:
      return nullptr;
  }
}

void RaiseHostError(zlong number, const std::string& detail) {
  const char* text = HostErrorText(number);
  std::string full = text ? text : "error";
  if (!detail.empty()) full += ": " + detail;
  ZorlError(number, full.c_str());
}

void RaiseNoMemory(zlong n) {
  RaiseHostError(ZE_NO_MEMORY, std::to_string(n) + " bytes or elements");
}

void RaiseNoMemory(const std::bad_alloc& e, const std::string& detail) {
  bool budget = dynamic_cast<const OverBudget*>(&e) != nullptr;
  RaiseHostError(ZE_NO_MEMORY, budget ? e.what() : detail);
}

void RaiseNoMemory(zlong n, const std::bad_alloc& e) {
  RaiseNoMemory(e, std::to_string(n) + " bytes or elements");
}

}  // namespace zorl
