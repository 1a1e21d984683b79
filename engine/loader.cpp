// Loading a plug-in module: its registration functions by ordinal, its
// description, method table and error table, and its classes.
#include <dlfcn.h>

#include <cstring>
#include <string>

#include "engine/machine.h"

namespace zorl {

namespace {

// ELF has no ordinals: the module exports its registration functions under
// these names, and this is the one place that maps ordinals to them.
const char* OrdinalName(int ordinal) {
  switch (ordinal) {
    case 2:
      return "LibGetDescription";
    case 3:
      return "LibGetMethodTable";
    case 4:
      return "LibGetErrorTable";
    case 5:
      return "LibNotify";
    default:
      return nullptr;
  }
}

bool Fail(std::string* message, const std::string& path,
          const std::string& what) {
  if (message) *message = path + ": " + what;
  return false;
}

}  // namespace

bool LoadModule(Machine& m, const std::string& path, bool errorRange,
                std::string* message) {
  void* lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!lib) {
    const char* why = dlerror();
    return Fail(message, path,
                std::string("cannot load the plug-in: ") +
                    (why ? why : "unknown reason"));
  }
  void* fn[6] = {};
  for (int ordinal = 2; ordinal <= 5; ++ordinal) {
    fn[ordinal] = dlsym(lib, OrdinalName(ordinal));
    if (!fn[ordinal]) {
      dlclose(lib);
      return Fail(message, path,
                  "the plug-in lacks export " + std::to_string(ordinal) + " (" +
                      OrdinalName(ordinal) + ")");
    }
  }
  ModuleInfo mi;
  mi.path = path;
  Dl_info info;
  if (dladdr(fn[2], &info) && info.dli_fbase) mi.handle = info.dli_fbase;

  char description[257] = {};
  reinterpret_cast<LibGetDescriptionFn>(fn[2])(description, 256);
  mi.description = description;

  const MethodEntry* rows = reinterpret_cast<LibGetMethodTableFn>(fn[3])(0);
  for (int i = 0; rows && (rows[i].handler || rows[i].signature); ++i)
    mi.methods.push_back(rows[i]);

  const ErrorEntry* errs = reinterpret_cast<LibGetErrorTableFn>(fn[4])();
  for (int i = 0; errs && (errs[i].text || errs[i].name); ++i)
    mi.errors.push_back({errs[i].code, errs[i].text ? errs[i].text : "",
                         errs[i].name ? errs[i].name : ""});

  // Every row must parse, name a handler and belong to a class of this
  // module before anything is registered.
  std::vector<Signature> sigs;
  for (std::size_t i = 0; i < mi.methods.size(); ++i) {
    Signature sig;
    std::string error;
    const char* text = mi.methods[i].signature;
    std::string row = "method table row " + std::to_string(i);
    if (!text) {
      error = "no signature";
    } else if (!mi.methods[i].handler) {
      error = "no handler";
    } else if (ParseSignature(text, &sig, &error)) {
      std::shared_ptr<ClassInfo> known = m.classes.Find(sig.cls);
      bool ours = false;
      for (const Signature& s : sigs) ours = ours || s.cls == sig.cls;
      if (known && !ours) error = "class " + sig.cls + " is already registered";
    }
    if (!error.empty()) {
      Fail(message, path, row + " (\"" + (text ? text : "") + "\"): " + error);
      dlclose(lib);  // after the message: the text lives in the module
      return false;
    }
    sigs.push_back(sig);
  }
  for (std::size_t i = 0; i < sigs.size(); ++i)
    m.classes.Declare(sigs[i].cls)
        ->methods.push_back(MethodInfo{sigs[i].method, mi.methods[i].signature,
                                       sigs[i].params, mi.methods[i].handler,
                                       true});

  if (errorRange && !mi.errors.empty()) {
    mi.errorOffset = m.nextOffset;
    unsigned top = 0;
    for (const auto& e : mi.errors) top = e.code > top ? e.code : top;
    m.nextOffset =
        static_cast<unsigned short>(m.nextOffset + (top / 100 + 1) * 100);
  }
  m.libraries.push_back(lib);
  m.modules.push_back(mi);
  reinterpret_cast<LibNotifyFn>(fn[5])(0);
  return true;
}

}  // namespace zorl
