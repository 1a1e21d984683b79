// LUT2: one-byte entries for signed 16-bit pixels. A pixel p selects entry
// p + BaseLine, so that a table of L entries covers the pixels -BaseLine to
// L - 1 - BaseLine. GetTable, SetItem and GetItem are LUT1's (table_items).
#include <atomic>
#include <cstdint>
#include <cstdio>

#include "frame/exports.h"
#include "frame/kernels.h"
#include "frame/parts.h"
#include "frame/word_blocks.h"
#include "single/single.h"

namespace {

const zlong kLut2DefaultSize = 2048;

unsigned char* Bytes(Variable* v) {
  return reinterpret_cast<unsigned char*>(v->GetData());
}

// The entry of pixel p: p + BaseLine as a signed 32-bit sum, wrapping.
zlong EntryOf(zlong p, zlong baseLine) {
  return static_cast<zlong>(static_cast<zulong>(p) +
                            static_cast<zulong>(baseLine));
}

// Pixel i of a String of 2-byte pixels, low byte first, signed.
zlong WidePixel(const unsigned char* s, zlong i) {
  return static_cast<zlong>(WordAt<std::int16_t>(s + 2 * i));
}

void ReportPixel(zlong offset, zlong entry) {
  char text[256];
  std::snprintf(text, sizeof text, "offset = %d, pixel value = 0x%04x", offset,
                static_cast<zulong>(entry));
  LutError(VALUE_OUT_OF_RANGE, text);
}

// What a conversion reads once before its loop.
struct WideSource {
  const unsigned char* pixels;
  zlong count;  // whole 2-byte pixels; a last odd byte is not read
  const unsigned char* table;
  zlong len;
  zlong baseLine;
};

WideSource ReadWideSource(VarRegister* args, int argc) {
  Variable* self = Self(args, argc);
  Variable* src = Arg(args, 0)->GetPointer();
  WideSource w;
  w.count = src->GetLen() / 2;
  w.pixels = Bytes(src);
  w.table = Bytes(self);
  w.len = self->GetLen();
  w.baseLine = (*self)("BaseLine").GetLongNumb();
  return w;
}

// Whether pixel p has an entry, for the blocks. The entry p + BaseLine
// wraps only past 2^31, where a table of up to 2^30 entries has none, so
// that the pixels with an entry are a run; a longer table is always checked
// pixel by pixel.
bool Inside(const WideSource& w, long long p) {
  zlong j = EntryOf(static_cast<zlong>(p), w.baseLine);
  return w.len <= (zlong(1) << 30) && j >= 0 && j < w.len;
}

}  // namespace

void Lut2New(VarRegister*, VarRegister* args, int argc, Processor*) {
  Variable* self = Self(args, argc);
  self->SetLen(kLut2DefaultSize);
  (*self)("BaseLine") = 0;
  unsigned char* table = Bytes(self);
  if (!table || self->GetLen() != kLut2DefaultSize) return;
  for (zlong i = 0; i < kLut2DefaultSize; ++i)
    table[i] = static_cast<unsigned char>(i >> 3);
}

void Lut2NewWithArgs(VarRegister*, VarRegister* args, int argc, Processor*) {
  Variable* self = Self(args, argc);
  if (argc == 2) {  // LUT2(int): a ramp of n entries
    zlong n = Arg(args, 0)->GetLongNumb();
    self->SetLen(n);
    (*self)("BaseLine") = 0;
    unsigned char* table = Bytes(self);
    if (!table || n <= 0 || self->GetLen() != n) return;
    zlong step = n / 256;
    if (step == 0) step = 1;
    // Past 255 * step the quotient passes 255 and wraps to 0.
    for (zlong i = 0; i < n; ++i)
      table[i] = static_cast<unsigned char>(i / step);
    return;
  }
  if (argc < 3) return;  // no Vector and BaseLine to read
  // LUT2(object Vector, int): the Vector's elements, with a BaseLine
  Variable* vec = Arg(args, 0)->GetPointer();
  zlong count = vec->GetCount();
  self->SetLen(count);
  (*self)("BaseLine") = *Arg(args, 1);
  unsigned char* table = Bytes(self);
  if (!table || count <= 0 || self->GetLen() != count) return;
  for (zlong i = 0; i < count; ++i) table[i] = (*vec)[i].GetCharNumb();
}

void Lut2ConvertVoxel(VarRegister* result, VarRegister* args, int argc,
                      Processor*) {
  Variable* self = Self(args, argc);
  zlong p = Arg(args, 0)->GetLongNumb();
  zlong j = EntryOf(p, (*self)("BaseLine").GetLongNumb());
  if (j < 0 || j >= self->GetLen()) {
    LutError(VALUE_OUT_OF_RANGE, nullptr);
    return;
  }
  result->Hold() = static_cast<unsigned char>(self->GetByte(j));
}

namespace {

// Whether every 16-bit pixel has an entry, so that no pixel can stop a
// conversion.
bool CoversAll(const WideSource& w) {
  return Inside(w, -32768) && Inside(w, 32767);
}

}  // namespace

// The chosen kernels convert up to the first pixel outside the table.
void Lut2Convert2To1(VarRegister* result, VarRegister* args, int argc,
                     Processor*) {
  WideSource w = ReadWideSource(args, argc);
  unsigned char* d = NewString(*result, w.count);
  if (!d || !w.pixels || !w.table || w.count <= 0) return;
  PartsOut out = {d, 1, true, !CoversAll(w)};
  zlong done = ConvertInParts(w.count, 2, out, [&w, d](zlong b, zlong e) {
    std::size_t n = static_cast<std::size_t>(e - b);
    std::size_t k = Kernels().words8(w.table, static_cast<std::uint32_t>(w.len),
                                     static_cast<std::uint32_t>(w.baseLine),
                                     w.pixels + 2 * b, d + b, n);
    return static_cast<zlong>(b + static_cast<zlong>(k));
  });
  if (done < w.count)
    ReportPixel(done, EntryOf(WidePixel(w.pixels, done), w.baseLine));
}

// Each pixel outside the table is reported and its bytes left as they are;
// the parts convert the others, and the reports follow, in pixel order.
void Lut2Convert2To3(VarRegister* result, VarRegister* args, int argc,
                     Processor*) {
  WideSource w = ReadWideSource(args, argc);
  unsigned char* d = NewString(*result, 3LL * w.count);
  if (!d || !w.pixels || !w.table || w.count <= 0) return;
  std::atomic<bool> outside{false};
  PartsOut out = {d, 3, true, false};
  ConvertInParts(w.count, 2, out, [&](zlong from, zlong to) {
    WordBlocks<std::int16_t>(
        w.pixels + 2 * from, to - from,
        [&w](long long p) { return Inside(w, p); },
        [&](zlong b, zlong e) {
          const unsigned char *s = w.pixels, *t = w.table;
          zlong base = w.baseLine;
          for (zlong i = from + b; i < from + e; ++i)
            d[3 * i] = d[3 * i + 1] = d[3 * i + 2] =
                t[EntryOf(WidePixel(s, i), base)];
          return true;
        },
        [&](zlong b, zlong e) {
          for (zlong i = from + b; i < from + e; ++i) {
            zlong j = EntryOf(WidePixel(w.pixels, i), w.baseLine);
            if (j < 0 || j >= w.len) {
              outside.store(true, std::memory_order_relaxed);
              continue;
            }
            d[3 * i] = d[3 * i + 1] = d[3 * i + 2] = w.table[j];
          }
          return true;
        });
    return to;
  });
  bool any = outside.load();
  for (zlong i = 0; any && i < w.count; ++i) {
    zlong j = EntryOf(WidePixel(w.pixels, i), w.baseLine);
    if (j < 0 || j >= w.len) ReportPixel(i, j);
  }
}
