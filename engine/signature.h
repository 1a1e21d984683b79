// Method signatures in the host's syntax, parsed: what each parameter of a
// method asks for. Part of the embedding API (tests and fuzzers read the
// module's table through it).
#ifndef ZORL_ENGINE_SIGNATURE_H
#define ZORL_ENGINE_SIGNATURE_H

#include <string>
#include <vector>

#include "host/zorl.h"

namespace zorl {

// One parameter word of a signature.
struct Param {
  enum Kind {
    kInt,
    kChar,
    kNumber,
    kBoolean,
    kObject,
    kReferObject,
    kReferAny
  };
  Kind kind;
  std::string cls;  // for kObject and kReferObject
  bool IsRefer() const { return kind == kReferObject || kind == kReferAny; }
};

// A parsed signature: "Class::Method(word, word, ...)".
struct Signature {
  std::string cls, method;
  std::vector<Param> params;
};

// Parses a signature in the host's syntax. On failure: false and what was
// expected, and where.
ZORL_API bool ParseSignature(const std::string& text, Signature* out,
                             std::string* error);

}  // namespace zorl

#endif
