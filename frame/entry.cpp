// Module entry and registration: the instance handle, the description, and
// the tables the host asks for.
#include <dlfcn.h>

#include <cstdio>
#include <cstring>

#include "frame/exports.h"
#include "frame/tables.h"

namespace {

HINSTANCE g_instance = nullptr;

// The module's entry point: attaching stores the instance handle. Loading
// never fails.
int LutEntryPoint(HINSTANCE instance, zulong reason, void* /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) g_instance = instance;
  return 1;
}

// ELF calls no entry point: attach when the loader maps the module, with the
// module's base address as its handle.
__attribute__((constructor)) void AttachOnLoad() {
  Dl_info info;
  if (dladdr(reinterpret_cast<void*>(&LibGetDescription), &info))
    LutEntryPoint(info.dli_fbase, DLL_PROCESS_ATTACH, nullptr);
}

}  // namespace

HINSTANCE ZorlSystemGetLibInst() { return g_instance; }

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
