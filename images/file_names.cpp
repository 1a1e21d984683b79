// What a file's name says about its format.
#include "images/file_names.h"

#include <cctype>

namespace zorl {

std::string Extension(const std::string& path) {
  std::size_t dot = path.rfind('.');
  std::size_t slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
    return "";
  std::string ext = path.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(c));
  return ext;
}

}  // namespace zorl
