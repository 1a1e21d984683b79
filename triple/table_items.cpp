// GetTable, SetItem and GetItem of LUT3 and LUTC3.
#include "frame/exports.h"
#include "triple/layout.h"
#include "triple/triple.h"

namespace {

// Table number k (0 to 3) as a Vector of its entries, 0 to 255.
template <class View>
void GetTable(VarRegister* result, VarRegister* args, const View& t) {
  zlong k = Arg(args, 0)->GetLongNumb();
  if (k < 0 || k > 3) {
    ZorlError(ZE_BAD_PARAMETER);
    return;
  }
  TableSpan table = TableOf(t, k);
  Variable* out = *result;
  out->Init(PV_VECTOR, table.count);
  if (!table.first || out->GetCount() != table.count) return;
  for (zlong e = 0; e < table.count; ++e)
    (*out)[e] = static_cast<int>(table.first[e]);
}

// The byte offset of entry (k, i) of slots 0 and 1, or -1 after reporting
// an offset outside the table.
template <class View>
zlong ItemArgs(VarRegister* args, const View& t) {
  zlong k = Arg(args, 0)->GetLongNumb();
  zlong i = Arg(args, 1)->GetLongNumb();
  long long offset = ItemOffset(t, k, i);
  if (offset < 0 || offset >= t.Bytes()) {
    LutError(VALUE_OUT_OF_RANGE, nullptr);
    return -1;
  }
  return static_cast<zlong>(offset);
}

template <class View>
void SetItem(VarRegister* args, Variable* self, const View& t) {
  zlong offset = ItemArgs(args, t);
  if (offset >= 0) self->PutByte(offset, static_cast<char>(*Arg(args, 2)));
}

template <class View>
void GetItem(VarRegister* result, VarRegister* args, Variable* self,
             const View& t) {
  zlong offset = ItemArgs(args, t);
  if (offset >= 0) result->Hold() = self->GetByte(offset);
}

}  // namespace

void Lut3GetTable(VarRegister* result, VarRegister* args, int argc,
                  Processor*) {
  GetTable(result, args, Lut3Of(Self(args, argc)));
}

void Lut3SetItem(VarRegister*, VarRegister* args, int argc, Processor*) {
  Variable* self = Self(args, argc);
  SetItem(args, self, Lut3Of(self));
}

void Lut3GetItem(VarRegister* result, VarRegister* args, int argc, Processor*) {
  Variable* self = Self(args, argc);
  GetItem(result, args, self, Lut3Of(self));
}

void Lutc3GetTable(VarRegister* result, VarRegister* args, int argc,
                   Processor*) {
  GetTable(result, args, Lutc3Of(Self(args, argc)));
}

void Lutc3SetItem(VarRegister*, VarRegister* args, int argc, Processor*) {
  Variable* self = Self(args, argc);
  SetItem(args, self, Lutc3Of(self));
}

void Lutc3GetItem(VarRegister* result, VarRegister* args, int argc,
                  Processor*) {
  Variable* self = Self(args, argc);
  GetItem(result, args, self, Lutc3Of(self));
}
