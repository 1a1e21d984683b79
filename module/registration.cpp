// Registration: the description and the tables the host asks for.
#include <cstdio>
#include <cstring>

#include "frame/exports.h"
#include "frame/tables.h"
#include "module/method_table.h"

char* LibGetDescription(char* dest, int n) {
  char buffer[256];
  std::sprintf(buffer, "ZORL Support DLL v3.7 |ZORL version:%d.%02d.%02d", 4,
               62, 12);
  if (n > 0) std::strncpy(dest, buffer, static_cast<std::size_t>(n));
  return dest;
}

const MethodEntry* LibGetMethodTable(zlong /*unused*/) { return kMethodTable; }

const ErrorEntry* LibGetErrorTable() { return kErrorTable; }

void LibNotify(zlong /*unused*/) {}
