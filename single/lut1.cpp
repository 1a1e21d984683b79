// LUT1: 256 one-byte entries that map an 8-bit pixel to an 8-bit value.
#include "frame/exports.h"
#include "frame/kernels.h"
#include "frame/parts.h"
#include "single/single.h"

namespace {

const zlong kLut1Size = 256;

// The table of a conversion: null unless it has all 256 entries, so that
// every 8-bit pixel indexes an entry.
const unsigned char* FullTable(Variable* self) {
  if (self->GetLen() < kLut1Size) return nullptr;
  return reinterpret_cast<const unsigned char*>(self->GetData());
}

}  // namespace

void Lut1New(VarRegister*, VarRegister* args, int argc, Processor*) {
  Variable* self = Self(args, argc);
  self->SetLen(kLut1Size);
  unsigned char* table = reinterpret_cast<unsigned char*>(self->GetData());
  if (!table) return;
  for (zlong i = 0; i < kLut1Size; ++i)
    table[i] = static_cast<unsigned char>(i);
}

void Lut1NewFromVector(VarRegister*, VarRegister* args, int argc, Processor*) {
  Variable* self = Self(args, argc);
  Variable* vec = Arg(args, 0)->GetPointer();
  zlong count = vec->GetCount();
  self->SetLen(kLut1Size);
  unsigned char* table = reinterpret_cast<unsigned char*>(self->GetData());
  if (!table) return;
  for (zlong i = 0; i < count && i < kLut1Size; ++i)
    table[i] = (*vec)[i].GetCharNumb();
}

void Lut1ConvertVoxel(VarRegister* result, VarRegister* args, int argc,
                      Processor*) {
  Variable* self = Self(args, argc);
  zlong v = Arg(args, 0)->GetLongNumb();
  if (v < 0 || v >= self->GetLen()) {
    LutError(VALUE_OUT_OF_RANGE, nullptr);
    return;
  }
  result->Hold() = static_cast<unsigned char>(self->GetByte(v));
}

void Lut1Convert1To1(VarRegister* result, VarRegister* args, int argc,
                     Processor*) {
  const unsigned char* table = FullTable(Self(args, argc));
  Variable* src = Arg(args, 0)->GetPointer();
  zlong n = src->GetLen();
  const unsigned char* s = reinterpret_cast<unsigned char*>(src->GetData());
  unsigned char* d = NewString(*result, n);
  if (!d || !s || !table || n <= 0) return;
  PartsOut out = {d, 1, true, false};
  ConvertInParts(n, 1, out, [=](zlong b, zlong e) {
    Kernels().map8(table, s + b, d + b, static_cast<std::size_t>(e - b));
    return e;
  });
}

void Lut1Convert1To3(VarRegister* result, VarRegister* args, int argc,
                     Processor*) {
  const unsigned char* table = FullTable(Self(args, argc));
  Variable* src = Arg(args, 0)->GetPointer();
  zlong n = src->GetLen();
  const unsigned char* s = reinterpret_cast<unsigned char*>(src->GetData());
  unsigned char* d = NewString(*result, 3LL * n);
  if (!d || !s || !table || n <= 0) return;
  PartsOut out = {d, 3, true, false};
  ConvertInParts(n, 1, out, [=](zlong b, zlong e) {
    Kernels().map8to3(table, table, table, s + b, d + 3 * b,
                      static_cast<std::size_t>(e - b));
    return e;
  });
}
