// The text of a script, read whole before it runs.
#ifndef ZORL_LANGUAGE_SCRIPT_SOURCE_H
#define ZORL_LANGUAGE_SCRIPT_SOURCE_H

#include <string>

#include "host/platform.h"

namespace zorl {

// Scripts are at most this long.
constexpr long long kMaxScriptBytes = 64LL << 20;

// Reads a script file whole, or standard input for "-"; a UTF-8 byte-order
// mark at its start is dropped. A path that is not a readable regular file
// and a script longer than kMaxScriptBytes are refused. On failure: false
// and "cannot read NAME: REASON".
ZORL_API bool ReadScript(const std::string& path, std::string* text,
                         std::string* problem);

}  // namespace zorl

#endif
