// Reading a script whole: a file or standard input.
#include "language/script_source.h"

#include <unistd.h>

#include "engine/whole_file.h"

namespace zorl {

bool ReadScript(const std::string& path, std::string* text,
                std::string* problem) {
  ZeroedBytes bytes;
  std::string reason;
  bool stdinput = path == "-";
  bool read;
  try {
    read = stdinput
               ? ReadWholeStream(STDIN_FILENO, kMaxScriptBytes, &bytes, &reason)
               : ReadWholeFile(path, kMaxScriptBytes, &bytes, &reason);
  } catch (const OverBudget& e) {
    read = false;
    reason = e.what();
  }
  if (!read) {
    *problem =
        "cannot read " + (stdinput ? "standard input" : path) + ": " + reason;
    return false;
  }
  static const std::string kBom = "\xef\xbb\xbf";
  std::size_t skip =
      bytes.size() >= 3 && kBom.compare(0, 3, bytes.data(), 3) == 0 ? 3 : 0;
  text->assign(bytes.data() + skip, bytes.size() - skip);
  return true;
}

}  // namespace zorl
