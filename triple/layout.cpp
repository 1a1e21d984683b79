// Views of the three-channel table bytes, and the sizing of new tables.
#include "triple/layout.h"

#include <cstdio>
#include <limits>

namespace {

const long long kMaxLen = std::numeric_limits<zlong>::max();

unsigned char* Bytes(Variable* table) {
  return reinterpret_cast<unsigned char*>(table->GetData());
}

Lut3View MakeLut3View(unsigned char* d, zlong n) {
  if (!d) return Lut3View{0, nullptr, nullptr, nullptr, nullptr};
  return Lut3View{n, d, d + n, d + 2 * n, d + 3 * n};
}

Lutc3View MakeLutc3View(unsigned char* d, zlong m) {
  if (!d) return Lutc3View{0, nullptr, nullptr, nullptr, nullptr};
  return Lutc3View{m, d, d + m, d + 2 * m, d + 3 * m};
}

// Sets the byte length and hands back the data when the host granted it
// whole; null otherwise.
unsigned char* Resize(Variable* table, zlong size) {
  table->SetLen(size);
  unsigned char* d = Bytes(table);
  return d && table->GetLen() == size ? d : nullptr;
}

void Refuse(const char* what, long long count) {
  char text[256];
  std::snprintf(text, sizeof text, "%s %lld out of range", what, count);
  ZorlError(ZE_BAD_PARAMETER, text);
}

}  // namespace

Lut3View Lut3Of(Variable* table) {
  return MakeLut3View(Bytes(table), table->GetLen() / 6);
}

Lutc3View Lutc3Of(Variable* table) {
  return MakeLutc3View(Bytes(table), table->GetLen() / 4);
}

void RefuseChannelLength(long long n) { Refuse("channel length", n); }

void RefuseEntryCount(long long m) { Refuse("entry count", m); }

Lut3View Lut3Sized(Variable* table, long long n) {
  if (n < 0 || n > kMaxLen / 6) {
    RefuseChannelLength(n);
    return MakeLut3View(nullptr, 0);
  }
  zlong size = static_cast<zlong>(6 * n);
  return MakeLut3View(Resize(table, size), static_cast<zlong>(n));
}

Lutc3View Lutc3Sized(Variable* table, long long m) {
  if (m < 0 || m > kMaxLen / 4) {
    RefuseEntryCount(m);
    return MakeLutc3View(nullptr, 0);
  }
  zlong size = static_cast<zlong>(4 * m);
  return MakeLutc3View(Resize(table, size), static_cast<zlong>(m));
}

TableSpan TableOf(const Lut3View& t, zlong k) {
  switch (k) {
    case 0:
      return TableSpan{t.red, t.n};
    case 1:
      return TableSpan{t.green, t.n};
    case 2:
      return TableSpan{t.blue, t.n};
    default:
      return TableSpan{t.gray, t.GrayCount()};
  }
}

TableSpan TableOf(const Lutc3View& t, zlong k) {
  switch (k) {
    case 0:
      return TableSpan{t.red, t.m};
    case 1:
      return TableSpan{t.green, t.m};
    case 2:
      return TableSpan{t.blue, t.m};
    default:
      return TableSpan{t.gray, t.m};
  }
}

zlong BaseLine(Variable* table) { return (*table)("BaseLine").GetLongNumb(); }

void SetBaseLine(Variable* table, zlong value) {
  (*table)("BaseLine") = static_cast<int>(value);
}

void CopyBaseLine(Variable* to, Variable* from) {
  Variable& source = (*from)("BaseLine");
  Variable& target = (*to)("BaseLine");
  if (&source != &target) target = source;
}

Variable* NewTableLike(VarRegister* result, Processor* proc, const char* cls,
                       Variable* from) {
  Variable* fresh = static_cast<Variable*>(*result)->GetPointer();
  proc->MakeInstance(*fresh, cls, nullptr, 0);
  CopyBaseLine(fresh, from);
  return static_cast<Variable*>(*result)->GetPointer();
}

void FillGrayRamp(const Lut3View& t) {
  long long count = t.GrayCount();
  for (long long j = 0; j < count; ++j)
    t.gray[j] = static_cast<unsigned char>(j * 256 / count);
}

void FillGrayRamp(const Lutc3View& t) {
  for (long long j = 0; j < t.m; ++j) {
    t.red[j] = t.green[j] = t.blue[j] = 0;
    t.gray[j] = static_cast<unsigned char>(j * 255 / (t.m - 1));
  }
}

zlong SaturatedLong(long long x) {
  if (x > std::numeric_limits<zlong>::max())
    return std::numeric_limits<zlong>::max();
  if (x < std::numeric_limits<zlong>::min())
    return std::numeric_limits<zlong>::min();
  return static_cast<zlong>(x);
}
