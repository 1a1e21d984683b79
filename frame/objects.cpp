// The class test of host objects.
#include "frame/objects.h"

bool IsInstanceOf(Variable* value, unsigned short classId) {
  if (classId == 0 || value->GetType() != PV_OBJECT) return false;
  if (value->GetClassID() == classId) return true;
  Object* object = value->GetObject();
  VarClass* cls = object ? object->_GetClass() : nullptr;
  if (!cls) return false;
  int count = cls->GetBaseCount();
  for (int i = 0; i < count; ++i)
    if (cls->GetBaseID(i) == classId) return true;
  return false;
}
