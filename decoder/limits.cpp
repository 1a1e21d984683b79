// The engine's allocation limits, as the decoder knows them: each request
// carries the limits of the engine that sent it, so that what the decoder
// refuses to make is what the engine would refuse to hold.
#include "decoder/limits.h"

#include "engine/store.h"

namespace zorl {

namespace {
zlong g_maxBytes = zlong(1) << 30;
zlong g_maxElements = zlong(1) << 26;
}  // namespace

void SetDecoderLimits(long long bytes, long long elements) {
  if (bytes > 0 && bytes <= (zlong(1) << 30))
    g_maxBytes = static_cast<zlong>(bytes);
  if (elements > 0 && elements <= (zlong(1) << 26))
    g_maxElements = static_cast<zlong>(elements);
}

zlong MaxBytes() { return g_maxBytes; }
zlong MaxElements() { return g_maxElements; }

}  // namespace zorl
