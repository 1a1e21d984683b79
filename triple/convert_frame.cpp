// The conversion frame shared by the buffer conversions of LUT3 and LUTC3.
#include "triple/convert_frame.h"

#include <cstdio>
#include <cstring>
#include <limits>

#include "frame/exports.h"
#include "frame/kernels.h"
#include "frame/pixel_buffer.h"

namespace {

const long long kMaxLong = std::numeric_limits<zlong>::max();

// An index as the host's long, saturated, so that a huge index never reads
// as a small one.
zlong Saturated(long long x) {
  if (x > kMaxLong) return std::numeric_limits<zlong>::max();
  if (x < std::numeric_limits<zlong>::min())
    return std::numeric_limits<zlong>::min();
  return static_cast<zlong>(x);
}

bool Overlap(const void* a, long long lenA, const void* b, long long lenB) {
  if (!a || !b || lenA <= 0 || lenB <= 0) return false;
  std::uintptr_t x = reinterpret_cast<std::uintptr_t>(a);
  std::uintptr_t y = reinterpret_cast<std::uintptr_t>(b);
  return x - y < static_cast<unsigned long long>(lenB) ||
         y - x < static_cast<unsigned long long>(lenA);
}

// A String copy of len bytes in keep; null when the host could not make it.
const unsigned char* Keep(Variable* keep, const void* bytes, zlong len) {
  keep->Init(PV_STRING, len);
  char* d = keep->GetData();
  if (!d || keep->GetLen() != len) return nullptr;
  if (len > 0) std::memcpy(d, bytes, static_cast<std::size_t>(len));
  return reinterpret_cast<const unsigned char*>(d);
}

// The source is copied before the destination is used in place when the
// two share bytes, unless they are the very same bytes of a conversion that
// writes each pixel where it read it.
bool SourceAtRiskInPlace(const ConvertFrame& f, long long srcBytes,
                         const char* dst, zlong dstLen,
                         const FrameShape& shape) {
  if (reinterpret_cast<const unsigned char*>(dst) == f.src &&
      shape.pixelBytes == shape.outBytes)
    return false;
  return Overlap(f.src, srcBytes, dst, dstLen);
}

// Re-initialising the destination's value releases what it holds: a
// String's bytes, which may be the source's, or an object or Vector, which
// may own the source's memory or the table object itself. Whatever it may
// own is copied first.
bool KeepFromReplaced(Variable* out, ConvertFrame* f, long long srcBytes,
                      Variable* self) {
  PVARTYPE type = out->GetType();
  bool container = type == PV_OBJECT || type == PV_VECTOR;
  bool holdsSource =
      container || (type == PV_STRING &&
                    Overlap(f->src, srcBytes, out->GetData(), out->GetLen()));
  if (holdsSource) {
    f->src = Keep(&f->keptSource, f->src, static_cast<zlong>(srcBytes));
    if (!f->src) return false;
  }
  if (container) {
    if (!Keep(&f->keptTable, self->GetData(), self->GetLen())) return false;
    f->table = &f->keptTable;
  }
  return true;
}

}  // namespace

bool OpenFrame(VarRegister* args, int argc, Processor* proc,
               const FrameShape& shape, ConvertFrame* f) {
  Variable* self = Self(args, argc);
  zlong srcLen;
  f->src = reinterpret_cast<const unsigned char*>(
      GetPixelBuffer(Arg(args, 1), &srcLen, proc));
  if (shape.readsBaseLine) f->base = BaseLine(self);
  f->table = self;
  f->pixelBytes = shape.pixelBytes;
  f->outBytes = shape.outBytes;
  if (!self->GetData() || !f->src) return false;

  if (srcLen < 0) srcLen = 0;  // a Buffer's Len is taken as it is
  f->c = srcLen / shape.pixelBytes;
  long long srcBytes = static_cast<long long>(f->c) * shape.pixelBytes;
  long long size = shape.sizedBySource
                       ? srcLen
                       : static_cast<long long>(f->c) * shape.outBytes;
  if (size > kMaxLong) {
    char text[256];
    std::snprintf(text, sizeof text, "an output of %lld bytes out of range",
                  size);
    ZorlError(ZE_BAD_PARAMETER, text);
    return false;
  }

  zlong dstLen;
  char* dst = GetPixelBuffer(Arg(args, 0), &dstLen, proc);
  bool fits =
      shape.sizedBySource ? dstLen == srcLen : dstLen / shape.outBytes == f->c;
  if (dst && fits) {
    if (SourceAtRiskInPlace(*f, srcBytes, dst, dstLen, shape)) {
      f->src = Keep(&f->keptSource, f->src, static_cast<zlong>(srcBytes));
      if (!f->src) return false;
    }
  } else {
    Variable* out = Arg(args, 0);  // the slot's own value, not followed
    if (!KeepFromReplaced(out, f, srcBytes, self)) return false;
    out->Init(PV_STRING, static_cast<zlong>(size));
    dst = out->GetData();
    if (!dst || out->GetLen() != size) return false;
    f->fresh = true;
  }
  f->dst = reinterpret_cast<unsigned char*>(dst);
  return f->c > 0;
}

void ReportIndex(zlong i, long long index) {
  char text[256];
  std::sprintf(text, "offset = %d, pixel value = 0x%04x", i,
               static_cast<unsigned>(static_cast<zulong>(Saturated(index))));
  LutError(VALUE_OUT_OF_RANGE, text);
}

void ReportBytes(zlong i, const unsigned char* pixel) {
  char text[256];
  std::sprintf(text, "offset = %d, pixel value = (0x%02x, 0x%02x, 0x%02x)", i,
               pixel[0], pixel[1], pixel[2]);
  LutError(VALUE_OUT_OF_RANGE, text);
}

void ValidSums(zlong m, long long base, unsigned* lo, unsigned* hi) {
  auto clamp = [](long long x, long long least) {
    return x < least ? least : x > 766 ? 766 : x;
  };
  long long a = clamp(-3 * base, 0);
  *lo = static_cast<unsigned>(a);
  *hi = static_cast<unsigned>(clamp(m - 3 * base, a));
}

void ValidRun(ByteTables* t, long long first, long long count, int* lo,
              int* hi) {
  long long a = -first < 0 ? 0 : -first > 256 ? 256 : -first;
  long long b = count - first < a     ? a
                : count - first > 256 ? 256
                                      : count - first;
  *lo = static_cast<int>(a);
  *hi = static_cast<int>(b);
  std::memset(t->ok, 0, sizeof t->ok);
  std::memset(t->ok + a, 1, static_cast<std::size_t>(b - a));
  std::memset(t->out, 0, sizeof t->out);
  t->all = a == 0 && b == 256;
}

zlong RunByteTables(const ConvertFrame& f, const ByteTables& t, int outBytes) {
  return FrameParts(f, !t.all, [&f, &t, outBytes](zlong b, zlong e) {
    zlong stop = e;
    if (!t.all)
      for (zlong i = b; i < e; ++i)
        if (!t.ok[f.src[i]]) {
          stop = i;
          break;
        }
    std::size_t n = static_cast<std::size_t>(stop - b);
    if (outBytes == 1)
      Kernels().map8(t.out[0], f.src + b, f.dst + b, n);
    else
      Kernels().map8to3(t.out[0], t.out[1], t.out[2], f.src + b, f.dst + 3 * b,
                        n);
    return stop;
  });
}
