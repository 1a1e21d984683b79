// The embedding interface over the machine.
#include "engine/engine.h"

#include <new>
#include <utility>

#include "engine/host_errors.h"
#include "engine/machine.h"
#include "engine/store.h"

namespace zorl {

Engine::Engine() : m_(new Machine) {}

Engine::~Engine() = default;

bool Engine::LoadPlugin(const std::string& path, bool errorRange,
                        std::string* message) {
  return LoadModule(*m_, path, errorRange, message);
}

const std::vector<ModuleInfo>& Engine::Modules() const { return m_->modules; }

bool Engine::IsClass(const std::string& name) const {
  return m_->classes.Find(name) != nullptr;
}

std::vector<std::pair<std::string, std::string>> Engine::Classes() const {
  std::vector<std::pair<std::string, std::string>> out;
  for (const std::string& name : m_->classes.Names()) {
    std::shared_ptr<ClassInfo> c = m_->classes.Find(name);
    out.emplace_back(name, c->bases.empty() ? "" : c->bases[0]->name());
  }
  return out;
}

std::vector<std::string> Engine::Signatures(const std::string& cls,
                                            const std::string& method) const {
  std::vector<std::string> out;
  std::shared_ptr<ClassInfo> c = m_->classes.Find(cls);
  if (!c) return out;
  for (const MethodInfo& mi : c->methods)
    if (method.empty() || mi.name == method) out.push_back(mi.signature);
  return out;
}

namespace {

// Runs a call of the embedder's; an allocation that it needs and cannot
// have is host error 8, never an exception.
template <typename Work>
void Guarded(Machine* m, Work work) {
  try {
    work();
  } catch (const std::bad_alloc& e) {
    Running run(m);
    RaiseNoMemory(e, "the call needs more memory than there is");
  }
}

}  // namespace

bool Engine::Takes(const std::string& cls, const std::string& method,
                   std::size_t n, std::vector<bool>* refer) {
  if (refer) refer->assign(n, false);
  std::shared_ptr<ClassInfo> c = m_->classes.Find(cls);
  if (!c) return true;
  if (method == cls && n == 0) {  // a class without a constructor takes none
    bool hasCtor = false;
    for (const MethodInfo& m : c->methods) hasCtor = hasCtor || m.name == cls;
    if (!hasCtor) return true;
  }
  Running run(m_.get());
  std::vector<const MethodInfo*> counted = m_->Counted(*c, method, n);
  for (const MethodInfo* m : counted)
    for (std::size_t i = 0; refer && i < n; ++i)
      if (m->params[i].IsRefer()) (*refer)[i] = true;
  return !counted.empty();
}

void Engine::Construct(Variable& target, const std::string& cls,
                       const std::vector<Variable*>& args) {
  Guarded(m_.get(), [&] { m_->Construct(target, cls, args); });
}

void Engine::Call(Variable& object, const std::string& method,
                  const std::vector<Variable*>& args, Variable* result) {
  VarRegister slot;
  Guarded(m_.get(), [&] { m_->Call(object, method, args, slot); });
  if (result) *result = std::move(*static_cast<Variable*>(slot));
}

Variable* Engine::GetMember(Variable& object, const std::string& name) {
  Running run(m_.get());
  ObjectStore* o = AsObject(object.GetPointer());
  if (!o) {
    RaiseHostError(ZE_NOT_AN_OBJECT,
                   "." + name + " of " + ATypeName(*object.GetPointer()));
    return nullptr;
  }
  auto it = o->members.find(name);
  if (it == o->members.end()) {
    RaiseHostError(ZE_UNKNOWN_MEMBER,
                   o->cls->name() + " has no member " + name);
    return nullptr;
  }
  return &it->second;
}

void Engine::SetMember(Variable& object, const std::string& name,
                       const Variable& value) {
  Running run(m_.get());
  ObjectStore* o = AsObject(object.GetPointer());
  if (!o) {
    RaiseHostError(ZE_NOT_AN_OBJECT,
                   "." + name + " of " + ATypeName(*object.GetPointer()));
    return;
  }
  if (ReadOnly(object, name)) {
    RaiseHostError(ZE_READ_ONLY, o->cls->name() + "." + name);
    return;
  }
  try {
    o->Member(name) = value;
  } catch (const std::bad_alloc& e) {
    RaiseNoMemory(e, "the member needs more memory than there is");
  }
}

bool Engine::ReadOnly(const Variable& object, const std::string& name) const {
  const ObjectStore* o = AsObject(const_cast<Variable&>(object).GetPointer());
  for (const ClassInfo* c = o ? o->cls.get() : nullptr; c;
       c = c->bases.empty() ? nullptr : c->bases[0].get())
    if (c->readOnly.count(name)) return true;
  return false;
}

void Engine::Raise(zlong number, const std::string& text) {
  m_->Raise(number, text.c_str());
}

void Engine::Warn(const std::string& text) { m_->warnings.push_back(text); }

Errors Engine::TakeErrors() {
  Errors out;
  out.swap(m_->pending);
  return out;
}

std::vector<std::string> Engine::TakeWarnings() {
  std::vector<std::string> out;
  out.swap(m_->warnings);
  return out;
}

Processor* Engine::GetProcessor() { return m_.get(); }

Engine::Scope::Scope(Engine& e) : saved_(RunningMachine()) {
  SetRunningMachine(e.m_.get());
}

Engine::Scope::~Scope() { SetRunningMachine(saved_); }

}  // namespace zorl
