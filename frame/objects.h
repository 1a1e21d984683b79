// Telling objects of the host's classes apart.
#ifndef LUT_FRAME_OBJECTS_H
#define LUT_FRAME_OBJECTS_H

#include "host/zorl.h"

// True when value (not followed) is an object whose class, or one of its
// base classes, has the name id classId: the object's own class first, then
// its base-class list from the first entry. The type code is compared whole,
// so a value that carries a further flag is no object here. A classId of 0
// (no name) matches nothing.
bool IsInstanceOf(Variable* value, unsigned short classId);

#endif
