// GetTable, SetItem and GetItem of every single-channel table: entry i is
// byte i of the object's buffer, whatever its length.
#include "frame/exports.h"
#include "single/single.h"

void SingleGetTable(VarRegister* result, VarRegister* args, int argc,
                    Processor*) {
  Variable* self = Self(args, argc);
  zlong n = self->GetLen();
  Variable* out = *result;
  out->Init(PV_VECTOR, n);
  const unsigned char* table =
      reinterpret_cast<unsigned char*>(self->GetData());
  if (!table || n <= 0 || out->GetCount() != n) return;
  for (zlong i = 0; i < n; ++i) (*out)[i] = static_cast<int>(table[i]);
}

void SingleSetItem(VarRegister*, VarRegister* args, int argc, Processor*) {
  Variable* self = Self(args, argc);
  zlong i = Arg(args, 0)->GetLongNumb();
  if (i < 0 || i >= self->GetLen()) {
    LutError(VALUE_OUT_OF_RANGE, nullptr);
    return;
  }
  self->PutByte(i, static_cast<char>(*Arg(args, 1)));
}

void SingleGetItem(VarRegister* result, VarRegister* args, int argc,
                   Processor*) {
  Variable* self = Self(args, argc);
  zlong i = Arg(args, 0)->GetLongNumb();
  if (i < 0 || i >= self->GetLen()) {
    LutError(VALUE_OUT_OF_RANGE, nullptr);
    return;
  }
  result->Hold() = self->GetByte(i);
}
