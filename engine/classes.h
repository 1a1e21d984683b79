// Classes: descriptors, their methods and the class registry.
#ifndef ZORL_ENGINE_CLASSES_H
#define ZORL_ENGINE_CLASSES_H

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/signature.h"
#include "host/module.h"
#include "host/processor.h"

namespace zorl {

struct MethodInfo {
  std::string name;
  std::string signature;
  std::vector<Param> params;
  MethodHandler handler;
  bool fromModule = false;  // a plug-in module's method, not the host's
};

class ClassInfo final : public VarClass {
 public:
  ClassInfo(const std::string& name, unsigned short id)
      : name_(name), id_(id) {}

  const std::string& name() const { return name_; }
  unsigned short id() const { return id_; }
  // The base classes, the direct base first; their ids are the list that
  // the descriptor gives.
  std::vector<std::shared_ptr<ClassInfo>> bases;
  std::vector<MethodInfo> methods;
  std::set<std::string> readOnly;  // members scripts may read but not write
  bool IsA(const std::string& cls) const;

 private:
  friend class ::VarClass;
  std::string name_;
  unsigned short id_;
};

class ClassRegistry {
 public:
  std::shared_ptr<ClassInfo> Find(const std::string& name) const;
  // Finds or makes the class of that name.
  std::shared_ptr<ClassInfo> Declare(const std::string& name);
  std::vector<std::string> Names() const;

 private:
  std::map<std::string, std::shared_ptr<ClassInfo>> classes_;
};

}  // namespace zorl

#endif
