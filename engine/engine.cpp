// The embedding interface over the machine.
#include "engine/engine.h"

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

std::vector<std::string> Engine::Signatures(const std::string& cls,
                                            const std::string& method) const {
  std::vector<std::string> out;
  std::shared_ptr<ClassInfo> c = m_->classes.Find(cls);
  if (!c) return out;
  for (const MethodInfo& mi : c->methods)
    if (method.empty() || mi.name == method) out.push_back(mi.signature);
  return out;
}

void Engine::Construct(Variable& target, const std::string& cls,
                       const std::vector<Variable*>& args) {
  m_->Construct(target, cls, args);
}

void Engine::Call(Variable& object, const std::string& method,
                  const std::vector<Variable*>& args, Variable* result) {
  VarRegister slot;
  m_->Call(object, method, args, slot);
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
  for (const ClassInfo* c = o->cls.get(); c;
       c = c->bases.empty() ? nullptr : c->bases[0].get()) {
    if (c->readOnly.count(name)) {
      RaiseHostError(ZE_READ_ONLY, o->cls->name() + "." + name);
      return;
    }
  }
  o->members[name] = value;
}

void Engine::Raise(zlong number, const std::string& text) {
  m_->Raise(number, text.c_str());
}

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
