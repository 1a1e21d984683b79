// What the engine records and reports: a raised error, and what a loaded
// module told it.
#ifndef ZORL_ENGINE_RECORDS_H
#define ZORL_ENGINE_RECORDS_H

#include <string>
#include <vector>

#include "host/zorl.h"

namespace zorl {

// A script error as the engine reports it: its number and the text shown
// (the raiser's own text; else the module's or the host's text for that
// number; else empty).
struct ScriptError {
  zlong number;
  std::string text;
  // The plug-in method that raised it ("LUT1::Shrink"), or empty; shown
  // after the text, which stays the raiser's own.
  std::string where = "";
  bool operator==(const ScriptError& o) const {
    return number == o.number && text == o.text;
  }
};
typedef std::vector<ScriptError> Errors;

// What a loaded module told the engine.
struct ModuleInfo {
  struct ErrorRow {
    unsigned short code;
    std::string text, name;
  };
  std::string path;
  HINSTANCE handle = nullptr;
  std::string description;
  std::vector<MethodEntry> methods;  // up to the null row
  std::vector<ErrorRow> errors;      // up to the row of null pointers
  unsigned short errorOffset = 0xFFFF;
};

}  // namespace zorl

#endif
