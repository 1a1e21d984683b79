// The conversion frame: the steps that every buffer conversion of LUT3 and
// LUTC3 takes before its pixel loop, and the pieces the loops share.
//
// A handler opens the frame, makes the view of its table and runs its own
// loop over the pixels; the frame resolves the source and the destination
// (Strings or connected Buffer objects), sizes a new destination when the
// existing one does not fit, and keeps copies of whatever re-initialising the
// destination would free under the loop.
#ifndef LUT_TRIPLE_CONVERT_FRAME_H
#define LUT_TRIPLE_CONVERT_FRAME_H

#include <cstdint>

#include "frame/parts.h"
#include "frame/word_blocks.h"
#include "host/zorl.h"
#include "triple/layout.h"

// The pixel formats of one conversion.
struct FrameShape {
  int pixelBytes;      // source bytes per pixel: 1, 2 or 3
  int outBytes;        // destination bytes per pixel: 1, 2 or 3
  bool sizedBySource;  // the destination has the source's byte length
  bool readsBaseLine;
};

// What the frame hands the pixel loop.
struct ConvertFrame {
  const unsigned char* src = nullptr;  // c whole pixels
  zlong c = 0;                         // pixel count, > 0
  unsigned char* dst = nullptr;        // room for c output pixels
  zlong base = 0;                      // BaseLine; 0 when not read
  int pixelBytes = 1, outBytes = 1;    // the shape's
  bool fresh = false;                  // dst was made for this call
  Variable* table = nullptr;           // the table object, or a copy
  Variable keptSource;                 // copies that outlive a replaced
  Variable keptTable;                  // destination
};

// Runs the frame's steps for the handler's arguments. False when there is
// nothing to convert: a table without data, a source that is no pixel
// buffer, no pixels, or a destination that could not be made (every such
// case but a size that does not fit is silent).
bool OpenFrame(VarRegister* args, int argc, Processor* proc,
               const FrameShape& shape, ConvertFrame* f);

// Reports the pixel i whose table index failed its check; the index is
// shown as the host's unsigned long.
void ReportIndex(zlong i, long long index);
// Reports the 3-byte pixel i by its raw bytes.
void ReportBytes(zlong i, const unsigned char* pixel);

// The frame's destination for ConvertInParts.
inline PartsOut FrameOut(const ConvertFrame& f, bool mayStop) {
  return {f.dst, f.outBytes, f.fresh, mayStop};
}

// Runs convert(b, e) over the frame's pixels in parts (see ConvertInParts);
// gives the first pixel not converted.
template <typename Convert>
inline zlong FrameParts(const ConvertFrame& f, bool mayStop, Convert convert) {
  return ConvertInParts(f.c, f.pixelBytes, FrameOut(f, mayStop), convert);
}

// The checked loop over 2-byte pixels: index(p) is the table index of pixel
// value p, valid from 0 to limit - 1, and never smaller for a larger p;
// write(i, k) writes pixel i from index k. Stops at the first pixel whose
// index fails, and reports it. Blocks whose every pixel has a valid index
// skip the check per pixel; the blocks run in parts.
template <typename Word, typename Index, typename Write>
inline void EachWord(const ConvertFrame& f, long long limit, Index index,
                     Write write) {
  const unsigned char* s = f.src;
  auto valid = [&](long long p) {
    long long k = index(p);
    return k >= 0 && k < limit;
  };
  const long long least = static_cast<Word>(0) > static_cast<Word>(-1)
                              ? -32768
                              : 0;  // the smallest Word and the largest
  bool mayStop = !(valid(least) && valid(least + 65535));
  zlong stop = FrameParts(f, mayStop, [&](zlong from, zlong to) {
    zlong stopped = to;
    WordBlocks<Word>(
        s + 2 * from, to - from, valid,
        [&](zlong b, zlong e) {
          for (zlong i = from + b; i < from + e; ++i)
            write(i, index(WordAt<Word>(s + 2 * i)));
          return true;
        },
        [&](zlong b, zlong e) {
          for (zlong i = from + b; i < from + e; ++i) {
            long long k = index(WordAt<Word>(s + 2 * i));
            if (k < 0 || k >= limit) {
              stopped = i;
              return false;
            }
            write(i, k);
          }
          return true;
        });
    return stopped;
  });
  if (stop < f.c) ReportIndex(stop, index(WordAt<Word>(s + 2 * stop)));
}

// Output tables for 1-byte pixels, made once per call: out[ch][p] is output
// byte ch of pixel value p, ok[p] whether its table index is valid (its
// outputs are 0 where not), all whether every one is.
struct ByteTables {
  unsigned char out[3][256];
  bool ok[256];
  bool all;
};

// Marks valid the pixel values p with 0 <= p + first < count, a run that
// it returns as [*lo, *hi), and clears the outputs of the others.
void ValidRun(ByteTables* t, long long first, long long count, int* lo,
              int* hi);

// The byte sums s (0 to 765) of 3-byte pixels whose entry s + 3 base is one
// of a LUTC3's m entries: a run, returned as [*lo, *hi).
void ValidSums(zlong m, long long base, unsigned* lo, unsigned* hi);

// Converts 1-byte pixels through their tables into outBytes (1 or 3) bytes
// each, with the chosen kernels, up to the first pixel whose index fails;
// returns that pixel, or the pixel count when none fails.
zlong RunByteTables(const ConvertFrame& f, const ByteTables& t, int outBytes);

// RunByteTables, then the report of the pixel that failed: index(p) is the
// table index of pixel value p.
template <typename Index>
inline void ConvertBytes(const ConvertFrame& f, const ByteTables& t,
                         int outBytes, Index index) {
  zlong stop = RunByteTables(f, t, outBytes);
  if (stop < f.c) ReportIndex(stop, index(f.src[stop]));
}

// The 1-byte output of LUTC3 entry j: its gray level, or the truncated mean
// of its colour.
inline unsigned char Lutc3Level(const Lutc3View& t, long long j) {
  unsigned g = t.gray[j];
  return static_cast<unsigned char>(
      g ? g : (t.red[j] + t.green[j] + t.blue[j]) / 3);
}

// The 3-byte output (blue, green, red) of LUTC3 entry j: the gray level in
// all three bytes, or the entry's colour.
inline void Lutc3Pixel(const Lutc3View& t, long long j, unsigned char* out) {
  unsigned char g = t.gray[j];
  out[0] = g ? g : t.blue[j];
  out[1] = g ? g : t.green[j];
  out[2] = g ? g : t.red[j];
}

#endif
