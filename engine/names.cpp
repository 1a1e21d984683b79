// The host's name table: one id per name, given on first use.
#include <string>
#include <unordered_map>
#include <vector>

#include "host/processor.h"

unsigned short Token::GetNameID(const char* name) {
  static std::unordered_map<std::string, unsigned short> ids;
  if (!name) return 0;
  auto it = ids.find(name);
  if (it != ids.end()) return it->second;
  if (ids.size() >= 0xFFFE) return 0;  // full: id 0 means "no id"
  unsigned short id = static_cast<unsigned short>(ids.size() + 1);
  ids.emplace(name, id);
  return id;
}
