// Conversions over large buffers split in parts, one part a thread of the
// host's (host/threads.h). A part converts a run of whole pixels with the
// same loop or kernel as the whole, so that the bytes are those of one
// call; a part reports nothing, it returns where it stopped, and the caller
// reports the first pixel that stopped, on its own thread, as before.
//
// A conversion that may stop at a pixel outside its table leaves the bytes
// after that pixel as they were. Parts after the one that stopped have
// written theirs already: they are cleared again when the destination was
// made zero for this call (fresh); any other destination (a given buffer,
// the source itself) has the bytes of every part but the first kept by
// that part before it converts, and put back.
#ifndef LUT_FRAME_PARTS_H
#define LUT_FRAME_PARTS_H

#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "frame/kernels.h"
#include "host/zorl.h"

const int kMostParts = 64;

// The parts for c pixels of bytesPerPixel bytes read and written, as the
// host gives them (ZorlPartsFor: small conversions stay on the calling
// thread), at most 64.
inline int PartCount(zlong c, int bytesPerPixel) {
  if (c <= 0) return 1;
  int parts = ZorlPartsFor(static_cast<long long>(c) * bytesPerPixel);
  if (parts > kMostParts) parts = kMostParts;
  if (parts > c / 64) parts = static_cast<int>(c / 64);  // starts: 64 apart
  return parts < 1 ? 1 : parts;
}

// Where a conversion writes, and what a stop must put back.
struct PartsOut {
  unsigned char* dst;
  int outBytes;  // per pixel
  bool fresh;    // dst was made zero for this conversion
  bool mayStop;  // some pixel may be outside the table
};

// The pixel where part k of parts starts, for c pixels (a multiple of 64
// but for the end).
inline zlong PartStart(zlong c, int k, int parts) {
  if (k >= parts) return c;
  long long b = static_cast<long long>(c) * k / parts;
  return static_cast<zlong>(b & ~63LL);
}

// Runs convert(b, e) over parts [b, e) of the c pixels, which returns the
// first pixel it did not convert (e when none); gives the first of the
// whole, with the bytes after it as one call convert(0, c) leaves them.
template <typename Convert>
zlong ConvertInParts(zlong c, int inBytes, const PartsOut& out,
                     Convert convert) {
  int parts = PartCount(c, inBytes + out.outBytes);
  const std::size_t ob = static_cast<std::size_t>(out.outBytes);
  const zlong first = PartStart(c, 1, parts);  // where the kept bytes start
  unsigned char* kept = nullptr;
  if (parts > 1 && out.mayStop && !out.fresh) {
    kept = static_cast<unsigned char*>(
        std::malloc((static_cast<std::size_t>(c - first)) * ob));
    if (!kept) parts = 1;  // no room to keep them: one part
  }
  if (parts <= 1) return c > 0 ? convert(0, c) : c;
  struct Job {
    Convert* convert;
    zlong c, first;
    int parts;
    unsigned char *dst, *kept;
    std::size_t ob;
    zlong stop[kMostParts];
  } job = {&convert, c, first, parts, out.dst, kept, ob, {}};
  ZorlRunParts(
      parts,
      [](void* context, int k) {
        Job& j = *static_cast<Job*>(context);
        zlong b = PartStart(j.c, k, j.parts),
              e = PartStart(j.c, k + 1, j.parts);
        if (j.kept && k > 0 && b < e)
          std::memcpy(j.kept + (b - j.first) * j.ob, j.dst + b * j.ob,
                      static_cast<std::size_t>(e - b) * j.ob);
        SetPartShare(j.parts);
        j.stop[k] = b < e ? (*j.convert)(b, e) : e;
        SetPartShare(1);
      },
      &job);
  zlong stop = c;
  for (int k = 0; k < parts && stop == c; ++k) {
    zlong e = PartStart(c, k + 1, parts);
    if (job.stop[k] >= e) continue;
    stop = job.stop[k];
    std::size_t from = static_cast<std::size_t>(e) * ob;
    std::size_t to = static_cast<std::size_t>(c) * ob;
    if (to <= from) break;
    if (kept)
      std::memcpy(out.dst + from, kept + (e - first) * ob, to - from);
    else
      std::memset(out.dst + from, 0, to - from);
  }
  std::free(kept);
  return stop;
}

#endif
