// The Python host of the plug-in: one engine for each thread that calls,
// each with the plug-in loaded as the zorl command loads it, and the
// classes and signatures read from the method table once, at import.
#ifndef ZORL_PYTHON_HOST_H
#define ZORL_PYTHON_HOST_H

#include <map>
#include <memory>
#include <shared_mutex>
#include <string>
#include <vector>

#include "engine/engine.h"

namespace zorl_python {

// One class as the method table gives it.
struct ClassTable {
  std::string name, base;
  // The signatures of each method name, parsed (the constructor's under
  // the class's own name).
  std::map<std::string, std::vector<zorl::Signature>> methods;
  std::map<std::string, std::vector<std::string>> texts;  // as written
};

// The plug-in beside the engine's library (the build tree and an install
// alike), or ZORL_PLUGIN when set.
std::string PluginPath();

// The classes, read at import from the first engine; not changed after.
const std::map<std::string, ClassTable>& Classes();

// The engine of the calling thread, made (and the plug-in loaded) at its
// first call. A process forked from one that had engines makes new ones.
// Throws std::runtime_error when the plug-in can't be loaded.
zorl::Engine& ThreadEngine();

// An engine object held by a Python object: the value, and the lock that
// lets calls that only read it run at once while a call that changes it
// runs alone.
struct Held {
  Variable value;
  std::shared_mutex lock;
};

}  // namespace zorl_python

#endif
