// The processor behind an Engine: classes, modules, pending errors, method
// resolution and calls.
#ifndef ZORL_ENGINE_MACHINE_H
#define ZORL_ENGINE_MACHINE_H

#include <string>
#include <vector>

#include "engine/classes.h"
#include "engine/error_sink.h"
#include "engine/records.h"
#include "host/zorl.h"

namespace zorl {

class Machine final : public Processor, public PVConnect, public ErrorSink {
 public:
  Machine();
  ~Machine();

  ClassRegistry classes;
  std::vector<ModuleInfo> modules;
  std::vector<void*> libraries;  // dlopen handles, closed last
  unsigned short nextOffset = 1000;
  Errors pending;
  // Warnings about calls that run but may not do what was meant.
  std::vector<std::string> warnings;
  // The plug-in methods running, the innermost last: errors raised while
  // one runs name it.
  std::vector<const MethodInfo*> running;

  void Raise(zlong number, const char* text) override;
  unsigned short ErrorOffset(HINSTANCE module) const override;

  // The methods `name` of cls that take n arguments (a class without a
  // method of that name has its bases'); none after raising the error that
  // says why (no such method, or the signatures it has).
  std::vector<const MethodInfo*> Counted(const ClassInfo& cls,
                                         const std::string& name,
                                         std::size_t n);
  // Resolves method `name` of cls for these arguments; null after raising
  // the error that explains why none fits.
  const MethodInfo* Resolve(const ClassInfo& cls, const std::string& name,
                            const std::vector<Variable*>& args);
  // Warns about each argument whose kind doesn't fit its parameter in the
  // only signature of that many arguments (the call still runs), and about
  // table entries that don't fit a byte (table_entries.h).
  void Mismatch(const MethodInfo& m, const std::vector<Variable*>& args);
  // Runs a method with the arguments bound to their slots (refer
  // parameters designate the given values, the others get copies) and the
  // object in the last slot.
  void Invoke(const MethodInfo& m, VarRegister& result,
              const std::vector<Variable*>& args, Variable* object);
  void Construct(Variable& target, const std::string& cls,
                 const std::vector<Variable*>& args);
  void Call(Variable& object, const std::string& method,
            const std::vector<Variable*>& args, VarRegister& result);
};

// The machine that runs on this thread, if any.
Machine* RunningMachine();
void SetRunningMachine(Machine* m);

// Makes m the running machine while it lives.
class Running {
 public:
  explicit Running(Machine* m);
  ~Running();
  Running(const Running&) = delete;
  Running& operator=(const Running&) = delete;

 private:
  Machine* saved_;
};

void RegisterHostClasses(ClassRegistry& classes);

bool LoadModule(Machine& m, const std::string& path, bool errorRange,
                std::string* message);

}  // namespace zorl

#endif
