// The module instance handle, stored when the loader maps the module.
#include <dlfcn.h>

#include "frame/exports.h"

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
  if (dladdr(reinterpret_cast<void*>(&ZorlSystemGetLibInst), &info))
    LutEntryPoint(info.dli_fbase, DLL_PROCESS_ATTACH, nullptr);
}

}  // namespace

HINSTANCE ZorlSystemGetLibInst() { return g_instance; }
