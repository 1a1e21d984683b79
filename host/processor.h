// Slots, the processor that runs a script, names, classes and objects.
#ifndef ZORL_HOST_PROCESSOR_H
#define ZORL_HOST_PROCESSOR_H

#include "host/platform.h"
#include "host/variable.h"

// An argument or result slot: it holds a value directly, or designates a
// value elsewhere (a script variable, an object).
class ZORL_API VarRegister {
 public:
  VarRegister();                           // holds an empty value
  explicit VarRegister(Variable* target);  // designates target
  VarRegister(VarRegister&& other) noexcept;
  VarRegister(const VarRegister&) = delete;
  VarRegister& operator=(const VarRegister&) = delete;
  ~VarRegister();

  operator Variable*();  // the value that the slot designates
  // Makes the slot hold its value directly (it stops designating anything)
  // and returns that value.
  Variable& Hold();
  void Refer(Variable* target);
  bool IsDirect() const { return target_ == nullptr; }

 private:
  Variable own_;
  Variable* target_;
};

// The class descriptor of an object: its name id and the name ids of its
// base classes, the direct base first, then its bases in turn.
class ZORL_API VarClass {
 public:
  const char* GetName() const;
  unsigned short GetNameID() const;
  int GetBaseCount() const;
  unsigned short GetBaseID(int i) const;

 protected:
  VarClass() = default;
  ~VarClass() = default;
};

// An object's own part: its class (its bytes and members are reached
// through its Variable).
class ZORL_API Object {
 public:
  VarClass* _GetClass() const;

 protected:
  Object() = default;
  ~Object() = default;
};

// The processor that runs the calling script.
class ZORL_API Processor {
 public:
  // Makes target a new object of the named class and runs the constructor
  // whose parameters match args (argc of them; none: the constructor
  // without parameters).
  void MakeInstance(Variable& target, const char* name, VarRegister* args,
                    int argc);
  // Runs a method of object; 0 when it ran, nonzero when no method matched.
  int RunMethodAsIs(VarRegister& result, const char* method, VarRegister* args,
                    int argc, Variable* object);

 protected:
  Processor() = default;
  ~Processor() = default;
};

// The host's name table.
class ZORL_API Token {
 public:
  // The id of a name, made on first use; 0 when the table is full.
  static unsigned short GetNameID(const char* name);
};

// The connector between the host and the script that runs.
class ZORL_API PVConnect {
 public:
  Processor* _GetOwner();

 protected:
  PVConnect() = default;
  ~PVConnect() = default;
};

// The connector of the script that runs on this thread; null when none runs.
ZORL_API PVConnect* GetConnector();

#endif
