// The allocation limits the decoder keeps to (those of the engine).
#ifndef ZORL_DECODER_LIMITS_H
#define ZORL_DECODER_LIMITS_H

namespace zorl {

// The limits of the engine that sent a request; values out of range keep
// the defaults (1 GiB, 2^26 elements).
void SetDecoderLimits(long long bytes, long long elements);

}  // namespace zorl

#endif
