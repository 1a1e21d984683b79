// The engines of the Python host: one for each thread, so that threads
// converting at once share no pending errors or warnings.
#include "python/host.h"

#include <dlfcn.h>
#include <pthread.h>

#include <cstdlib>
#include <mutex>
#include <stdexcept>

namespace zorl_python {

namespace {

// Counts the forks this process came through (getpid is a system call;
// this is read at every call).
unsigned g_forks = 0;
const int g_countForks = pthread_atfork(nullptr, nullptr, [] { ++g_forks; });

struct ThreadSlot {
  unsigned forks = 0;
  std::unique_ptr<zorl::Engine> engine;
  ~ThreadSlot() {
    // An engine of the parent of a fork may hold what the child can't
    // free; it is left as it is.
    if (forks != g_forks) (void)engine.release();
  }
};

thread_local ThreadSlot t_slot;

std::once_flag g_classesOnce;
std::map<std::string, ClassTable> g_classes;

void ReadClasses(zorl::Engine& e) {
  for (const auto& [name, base] : e.Classes()) {
    ClassTable& c = g_classes[name];
    c.name = name;
    c.base = base;
    for (const std::string& text : e.Signatures(name, "")) {
      zorl::Signature sig;
      std::string error;
      if (!zorl::ParseSignature(text, &sig, &error)) continue;
      c.methods[sig.method].push_back(sig);
      c.texts[sig.method].push_back(text);
    }
  }
}

}  // namespace

std::string PluginPath() {
  if (const char* env = std::getenv("ZORL_PLUGIN"); env && *env) return env;
  Dl_info info;
  if (dladdr(reinterpret_cast<void*>(&zorl::MakeLong), &info) &&
      info.dli_fname) {
    std::string lib = info.dli_fname;
    return lib.substr(0, lib.rfind('/') + 1) + "liblut.so";
  }
  return "liblut.so";
}

zorl::Engine& ThreadEngine() {
  if (t_slot.engine && t_slot.forks == g_forks) return *t_slot.engine;
  if (t_slot.engine) (void)t_slot.engine.release();  // the parent's
  // Objects outlive the engine that made them (a thread's ends with it):
  // the plug-in, whose handlers they reach, stays loaded until the end.
  static void* pinned = dlopen(PluginPath().c_str(), RTLD_NOW | RTLD_NODELETE);
  (void)pinned;
  auto e = std::make_unique<zorl::Engine>();
  std::string message;
  if (!e->LoadPlugin(PluginPath(), true, &message))
    throw std::runtime_error(message);
  std::call_once(g_classesOnce, [&] { ReadClasses(*e); });
  t_slot.engine = std::move(e);
  t_slot.forks = g_forks;
  return *t_slot.engine;
}

const std::map<std::string, ClassTable>& Classes() {
  ThreadEngine();
  return g_classes;
}

}  // namespace zorl_python
