// The engine's embedding interface: load plug-in modules, make objects, call
// methods, read and write members, and collect the errors they raise. The
// `zorl` command, the script language, the tests, benchmarks and fuzzers
// use it; with it come values.h (making and describing values),
// signature.h (the parameters a method's signature asks for) and budget.h
// (the memory budget).
#ifndef ZORL_ENGINE_ENGINE_H
#define ZORL_ENGINE_ENGINE_H

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/budget.h"
#include "engine/records.h"
#include "engine/signature.h"
#include "engine/values.h"
#include "host/zorl.h"

namespace zorl {

class Machine;

class ZORL_API Engine {
 public:
  Engine();
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // Loads a plug-in module, registers its classes and, when errorRange is
  // true, gives it the next range of error numbers (the first starts at
  // 1000). On failure: false, and a message naming the file and the fault.
  bool LoadPlugin(const std::string& path, bool errorRange,
                  std::string* message);
  const std::vector<ModuleInfo>& Modules() const;

  bool IsClass(const std::string& name) const;
  // Every registered class, host classes and modules' alike, with its
  // direct base class ("" for none), sorted by name.
  std::vector<std::pair<std::string, std::string>> Classes() const;
  // The signatures of a class's methods of that name (all, for "").
  std::vector<std::string> Signatures(const std::string& cls,
                                      const std::string& method) const;

  // Whether a call of cls's method (its constructor when method is cls)
  // with n arguments finds a signature of that many; when it would not,
  // raises the error that the call would raise (no such method, or the
  // signatures it has) and gives false. refer, when given, receives for
  // each argument whether a signature of n parameters takes it as refer.
  // A cls that is no class gives true (the call itself says what is wrong).
  bool Takes(const std::string& cls, const std::string& method, std::size_t n,
             std::vector<bool>* refer);

  // target becomes a new object of class cls, made by the constructor that
  // the arguments select. Arguments of refer parameters are bound to the
  // given values; the others are passed as copies. A value that Construct,
  // Call or SetMember needs and the memory budget refuses is host error 8,
  // never an exception.
  void Construct(Variable& target, const std::string& cls,
                 const std::vector<Variable*>& args);
  // Calls a method of object (a reference is followed). What the method
  // leaves in its result slot is moved into *result when result is given.
  void Call(Variable& object, const std::string& method,
            const std::vector<Variable*>& args, Variable* result);

  // Script member access: reading a member that does not exist, or writing
  // one that the class keeps read-only, raises an error.
  Variable* GetMember(Variable& object, const std::string& name);
  void SetMember(Variable& object, const std::string& name,
                 const Variable& value);
  // Whether the object's class keeps that member read-only.
  bool ReadOnly(const Variable& object, const std::string& name) const;

  // Raises an error as a module would.
  void Raise(zlong number, const std::string& text);
  // Adds a warning, as a call that runs with an argument of a kind that
  // doesn't fit adds one.
  void Warn(const std::string& text);
  // The errors raised since the last call, in the order raised.
  Errors TakeErrors();
  // The warnings since the last call: calls that ran with an argument of a
  // kind that doesn't fit its parameter, and those that Warn added.
  std::vector<std::string> TakeWarnings();

  // The processor that runs this engine's calls.
  Processor* GetProcessor();

  // While a Scope lives, this engine's processor is the one that runs on
  // this thread: ZorlError and GetConnector reach it (for calling handlers
  // directly, as the engine does).
  class ZORL_API Scope {
   public:
    explicit Scope(Engine& e);
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    Machine* saved_;
  };

 private:
  std::unique_ptr<Machine> m_;
};

// Lowers (or restores) the largest allocation the engine grants: byte
// lengths above bytes and Vectors of more than elements elements in all are
// refused with host error 8. The defaults are 1 GiB and 2^26 elements, which
// are also the most that can be set. The fuzzers lower them so that refusals
// are cheap to reach.
ZORL_API void SetAllocationLimits(zlong bytes, zlong elements);

// The threads a conversion over a large buffer splits its pixels over, for
// every engine of the process: by default the processors the process may
// run on, or ZORL_THREADS (a whole number from 1 to 256) when it is set.
// SetConversionThreads(n) sets 1 to 256 threads, or the default again for 0;
// any other n is refused (false). It waits for a conversion that runs on the
// threads. A ZORL_THREADS that is not such a number leaves the default, and
// ConversionThreadsProblem says why (the zorl command refuses to run then).
ZORL_API int ConversionThreads();
ZORL_API bool SetConversionThreads(int n);
ZORL_API std::string ConversionThreadsProblem();
// The smallest part of a split conversion, in bytes read and written (1 MiB;
// 0 restores it): a conversion of less than twice as much stays on the
// calling thread. For tests and measurements.
ZORL_API void SetConversionPartBytes(long long bytes);

// The platform's debug output. Each text is handed to the sink (by default
// kept until taken).
ZORL_API void SetDebugSink(std::function<void(const std::string&)> sink);
ZORL_API std::vector<std::string> TakeDebugOutput();

}  // namespace zorl

#endif
