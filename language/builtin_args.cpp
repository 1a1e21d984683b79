// What the built-ins share: reading their arguments and raising the errors
// that name them.
#include "language/builtin_args.h"

#include <utility>

#include "engine/host_errors.h"
#include "engine/values.h"

namespace zorl {

bool IsNumber(const Variable& v) {
  PVARTYPE t = v.type;
  return t == PV_BOOLEAN || t == PV_BYTE || t == PV_LONG || t == PV_FLOAT ||
         t == PV_DOUBLE;
}

// Raises the error for an argument of the wrong kind; always false.
// what: "a String expected, " or ""
bool BadArgument(const char* usage, const char* what, const Variable& v,
                 zlong number) {
  RaiseHostError(number,
                 std::string(usage) + ": " + what + "got " + ATypeName(v));
  return false;
}

bool Number(const char* usage, const Variable& v) {
  return IsNumber(v) || BadArgument(usage, "", v, ZE_NOT_A_NUMBER);
}

bool Text(const char* usage, const Variable& v) {
  return v.type == PV_STRING || BadArgument(usage, "a String expected, ", v);
}

bool LongArgument(const Variable& v, const std::string& what, long long* out) {
  return WholeNumber(v, what, kLongLowest, kLongHighest, out);
}

const ZeroedBytes& Store(const Variable& v) {
  return static_cast<const StringStore*>(v.val.store)->bytes;
}

// A copy of a String's bytes, for short texts such as paths.
std::string Bytes(const Variable& v) { return Store(v).str(); }

Variable TakeString(std::string&& bytes) { return MakeString(bytes); }

bool ArgumentCount(const std::string& usage, int minArgs, int maxArgs, int n) {
  if (n >= minArgs && (maxArgs < 0 || n <= maxArgs)) return true;
  std::string takes = minArgs == maxArgs ? std::to_string(minArgs)
                      : maxArgs < 0      ? "at least " + std::to_string(minArgs)
                                         : std::to_string(minArgs) + " to " +
                                          std::to_string(maxArgs);
  RaiseHostError(ZE_NO_SIGNATURE, usage + " takes " + takes + " argument" +
                                      (takes == "1" ? "" : "s") + ", not " +
                                      std::to_string(n));
  return false;
}

void RaiseFile(const std::string& path, const std::string& what) {
  RaiseHostError(ZE_FILE, path + ": " + what);
}

}  // namespace zorl
