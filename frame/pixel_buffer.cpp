// Resolution of pixel arguments: the one place that tells Strings and Buffer
// objects apart.
#include "frame/pixel_buffer.h"

#include <cstdint>

#include "frame/objects.h"

namespace {

// The name id of "Buffer"; 0 until a lookup has given one.
unsigned short bufferId = 0;

// Runs the object's IsBufferConnected; its answer read as a long. The
// temporary result slot is released when it goes out of scope.
bool IsConnected(Variable* object, Processor* proc) {
  VarRegister answer;
  proc->RunMethodAsIs(answer, "IsBufferConnected", nullptr, 0, object);
  return static_cast<Variable*>(answer)->GetLongNumb() != 0;
}

}  // namespace

char* GetPixelBuffer(Variable* value, zlong* len, Processor* proc) {
  *len = 0;
  value = value->GetPointer();
  if (bufferId == 0) bufferId = Token::GetNameID("Buffer");
  switch (value->GetType()) {
    case PV_STRING:
      *len = value->GetLen();
      return value->GetData();
    case PV_OBJECT:
      break;
    default:  // empty, numbers, Vectors, anything with a further flag
      return nullptr;
  }
  if (!proc || !IsInstanceOf(value, bufferId) || !IsConnected(value, proc))
    return nullptr;
  // The address is pointer-sized; the length is the host's long.
  std::uintptr_t address = (*value)("Address").GetAddress();
  *len = (*value)("Len").GetLongNumb();
  return reinterpret_cast<char*>(address);
}
