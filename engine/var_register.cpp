// Argument and result slots.
#include <utility>

#include "host/processor.h"

VarRegister::VarRegister() : target_(nullptr) {}

VarRegister::VarRegister(Variable* target) : target_(target) {}

VarRegister::VarRegister(VarRegister&& other) noexcept
    : own_(std::move(other.own_)), target_(other.target_) {
  other.target_ = nullptr;
}

VarRegister::~VarRegister() = default;

VarRegister::operator Variable*() { return target_ ? target_ : &own_; }

Variable& VarRegister::Hold() {
  target_ = nullptr;
  return own_;
}

void VarRegister::Refer(Variable* target) { target_ = target; }
