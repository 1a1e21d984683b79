// The processor: method resolution, calls, object creation and errors.
#include "engine/machine.h"

#include <dlfcn.h>

#include <new>
#include <utility>

#include "engine/host_errors.h"
#include "engine/store.h"
#include "engine/table_entries.h"
#include "engine/values.h"

namespace zorl {

namespace {

thread_local Machine* g_running = nullptr;

bool IsNumber(PVARTYPE t) {
  return t == PV_BYTE || t == PV_LONG || t == PV_FLOAT || t == PV_DOUBLE;
}

bool Matches(const Param& p, Variable* arg) {
  Variable* v = arg->GetPointer();
  switch (p.kind) {
    case Param::kInt:
    case Param::kChar:
    case Param::kNumber:
      return IsNumber(v->type);
    case Param::kBoolean:
      return v->type == PV_BOOLEAN;
    case Param::kObject:
    case Param::kReferObject:
      if (p.cls == "Vector") return v->type == PV_VECTOR;
      if (p.cls == "String") return v->type == PV_STRING;
      if (const ObjectStore* o = AsObject(v)) return o->cls->IsA(p.cls);
      return false;
    case Param::kReferAny:
      return true;
  }
  return false;
}

std::string ArgKinds(const std::vector<Variable*>& args) {
  std::string s = "(";
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (i) s += ", ";
    s += TypeName(*args[i]->GetPointer());
  }
  return s + ")";
}

std::string List(const std::vector<const MethodInfo*>& ms) {
  std::string s;
  for (const MethodInfo* m : ms) {
    if (!s.empty()) s += ", ";
    s += m->signature;
  }
  return s;
}

}  // namespace

Machine* RunningMachine() { return g_running; }
void SetRunningMachine(Machine* m) {
  g_running = m;
  SetRunningSink(m);
}

Running::Running(Machine* m) : saved_(g_running) { SetRunningMachine(m); }
Running::~Running() { SetRunningMachine(saved_); }

Machine::Machine() { RegisterHostClasses(classes); }

Machine::~Machine() {
  pending.clear();
  for (void* lib : libraries) dlclose(lib);
}

unsigned short Machine::ErrorOffset(HINSTANCE module) const {
  for (const ModuleInfo& mi : modules)
    if (mi.handle == module) return mi.errorOffset;
  return 0xFFFF;
}

void Machine::Raise(zlong number, const char* text) {
  ScriptError e{number, text ? text : ""};
  if (!running.empty()) {
    const std::string& sig = running.back()->signature;
    e.where = sig.substr(0, sig.find('('));
  }
  if (!text) {
    bool found = false;
    for (const ModuleInfo& mi : modules) {
      if (mi.errorOffset == 0xFFFF) continue;
      for (const ModuleInfo::ErrorRow& row : mi.errors) {
        if (zlong(mi.errorOffset) + row.code == number) {
          e.text = row.text;
          found = true;
          break;
        }
      }
      if (found) break;
    }
    if (!found) {
      const char* host = HostErrorText(number);
      if (host) e.text = host;
    }
  }
  pending.push_back(std::move(e));
}

std::vector<const MethodInfo*> Machine::Counted(const ClassInfo& cls,
                                                const std::string& name,
                                                std::size_t n) {
  std::vector<const MethodInfo*> named, counted;
  for (const MethodInfo& m : cls.methods)
    if (m.name == name) named.push_back(&m);
  for (std::size_t b = 0; named.empty() && b < cls.bases.size(); ++b)
    for (const MethodInfo& m : cls.bases[b]->methods)
      if (m.name == name) named.push_back(&m);
  if (named.empty()) {
    RaiseHostError(ZE_UNKNOWN_METHOD, cls.name() + " has no method " + name);
    return counted;
  }
  for (const MethodInfo* m : named)
    if (m->params.size() == n) counted.push_back(m);
  if (counted.empty())
    RaiseHostError(ZE_NO_SIGNATURE, cls.name() + "::" + name + " takes no " +
                                        std::to_string(n) + " argument" +
                                        (n == 1 ? "" : "s") + "; it has " +
                                        List(named));
  return counted;
}

const MethodInfo* Machine::Resolve(const ClassInfo& cls,
                                   const std::string& name,
                                   const std::vector<Variable*>& args) {
  std::vector<const MethodInfo*> counted = Counted(cls, name, args.size());
  if (counted.empty()) return nullptr;
  if (counted.size() == 1) {
    Mismatch(*counted[0], args);
    return counted[0];
  }
  for (const MethodInfo* m : counted) {
    bool ok = true;
    for (std::size_t i = 0; ok && i < args.size(); ++i)
      ok = Matches(m->params[i], args[i]);
    if (ok) return m;
  }
  RaiseHostError(ZE_NO_SIGNATURE, cls.name() + "::" + name + ArgKinds(args) +
                                      " matches none of " + List(counted));
  return nullptr;
}

void Machine::Mismatch(const MethodInfo& m,
                       const std::vector<Variable*>& args) {
  // A table's entries get a warning of their own, kind included.
  const EntryRow* entries = FindEntryRow(m.signature);
  for (std::size_t i = 0; i < args.size(); ++i) {
    const Param& p = m.params[i];
    if (p.IsRefer() || Matches(p, args[i]) ||
        (entries && HoldsEntries(*entries, i)))
      continue;
    // The parameter's word as the signature gives it.
    std::string words = m.signature.substr(m.signature.find('(') + 1);
    for (std::size_t k = 0; k < i; ++k)
      words = words.substr(words.find(',') + 2);
    words = words.substr(0, words.find_first_of(",)"));
    warnings.push_back(m.signature + ": parameter " + std::to_string(i + 1) +
                       " (" + words + ") is given " +
                       ATypeName(*args[i]->GetPointer()));
  }
  if (!entries) return;
  std::string w = EntryWarning(*entries, args);
  if (!w.empty()) warnings.push_back(std::move(w));
}

void Machine::Invoke(const MethodInfo& m, VarRegister& result,
                     const std::vector<Variable*>& args, Variable* object) {
  std::vector<VarRegister> slots;
  slots.reserve(args.size() + 1);
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (m.params[i].IsRefer()) {
      slots.emplace_back(args[i]->GetPointer());  // a reference's target
    } else {
      slots.emplace_back();
      slots.back().Hold() = *args[i];
    }
  }
  slots.emplace_back(object);
  Running run(this);
  struct Named {  // errors raised while a plug-in method runs name it
    std::vector<const MethodInfo*>* stack;
    ~Named() {
      if (stack) stack->pop_back();
    }
  } named{m.fromModule ? &running : nullptr};
  if (m.fromModule) running.push_back(&m);
  try {
    m.handler(&result, slots.data(), static_cast<int>(slots.size()), this);
  } catch (const std::bad_alloc& e) {  // a value the method made, refused
    RaiseNoMemory(e, "the method needs more memory than there is");
  }
}

void Machine::Construct(Variable& target, const std::string& cls,
                        const std::vector<Variable*>& args) {
  Running run(this);
  std::shared_ptr<ClassInfo> info = classes.Find(cls);
  if (!info) {
    RaiseHostError(ZE_UNKNOWN_CLASS, cls);
    return;
  }
  Variable obj;
  auto* store = new ObjectStore;
  store->cls = info;
  obj.type = PV_OBJECT;
  obj.val.store = store;
  bool hasCtor = false;
  for (const MethodInfo& m : info->methods)
    if (m.name == cls) hasCtor = true;
  if (hasCtor || !args.empty()) {
    const MethodInfo* ctor = Resolve(*info, cls, args);
    if (!ctor) return;
    VarRegister result;
    Invoke(*ctor, result, args, &obj);
  }
  target = std::move(obj);
}

void Machine::Call(Variable& object, const std::string& method,
                   const std::vector<Variable*>& args, VarRegister& result) {
  Running run(this);
  Variable* obj = object.GetPointer();
  ObjectStore* o = AsObject(obj);
  if (!o) {
    RaiseHostError(ZE_NOT_AN_OBJECT,
                   "method " + method + " called on " + ATypeName(*obj));
    return;
  }
  std::shared_ptr<ClassInfo> keep = o->cls;  // the object may be replaced
  const MethodInfo* m = Resolve(*keep, method, args);
  if (m) Invoke(*m, result, args, obj);
}

}  // namespace zorl

using zorl::Machine;

void Processor::MakeInstance(Variable& target, const char* name,
                             VarRegister* args, int argc) {
  std::vector<Variable*> list;
  for (int i = 0; args && i < argc; ++i) list.push_back(args[i]);
  static_cast<Machine*>(this)->Construct(target, name ? name : "", list);
}

int Processor::RunMethodAsIs(VarRegister& result, const char* method,
                             VarRegister* args, int argc, Variable* object) {
  auto* m = static_cast<Machine*>(this);
  ObjectStore* o = object ? AsObject(object->GetPointer()) : nullptr;
  if (!o || !method) return 1;
  std::vector<Variable*> list;
  for (int i = 0; args && i < argc; ++i) list.push_back(args[i]);
  std::size_t before = m->pending.size();
  m->Call(*object, method, list, result);
  return m->pending.size() == before ? 0 : 1;
}

Processor* PVConnect::_GetOwner() { return static_cast<Machine*>(this); }

PVConnect* GetConnector() { return zorl::RunningMachine(); }
