// Class descriptors and the class registry.
#include "engine/classes.h"

#include "engine/store.h"

namespace zorl {

bool ClassInfo::IsA(const std::string& cls) const {
  if (name_ == cls) return true;
  for (const auto& b : bases)
    if (b->name() == cls) return true;
  return false;
}

std::shared_ptr<ClassInfo> ClassRegistry::Find(const std::string& name) const {
  auto it = classes_.find(name);
  return it == classes_.end() ? nullptr : it->second;
}

std::shared_ptr<ClassInfo> ClassRegistry::Declare(const std::string& name) {
  auto& slot = classes_[name];
  if (!slot)
    slot = std::make_shared<ClassInfo>(name, Token::GetNameID(name.c_str()));
  return slot;
}

std::vector<std::string> ClassRegistry::Names() const {
  std::vector<std::string> names;
  for (const auto& c : classes_) names.push_back(c.first);
  return names;
}

}  // namespace zorl

const char* VarClass::GetName() const {
  return static_cast<const zorl::ClassInfo*>(this)->name().c_str();
}

unsigned short VarClass::GetNameID() const {
  return static_cast<const zorl::ClassInfo*>(this)->id();
}

int VarClass::GetBaseCount() const {
  return static_cast<int>(
      static_cast<const zorl::ClassInfo*>(this)->bases.size());
}

unsigned short VarClass::GetBaseID(int i) const {
  const auto& bases = static_cast<const zorl::ClassInfo*>(this)->bases;
  return i >= 0 && static_cast<std::size_t>(i) < bases.size() ? bases[i]->id()
                                                              : 0;
}

VarClass* Object::_GetClass() const {
  return static_cast<const ObjectStore*>(this)->cls.get();
}
