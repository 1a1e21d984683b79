// The most memory one allocation of the decoder may ask for.
#ifndef ZORL_DECODER_ALLOCATION_H
#define ZORL_DECODER_ALLOCATION_H

#include <cstddef>

namespace zorl {

// Every operator new of the process (the DICOM library's included) past
// this many bytes throws std::bad_alloc.
void SetAllocationCap(std::size_t bytes);
std::size_t AllocationCap();

// The cap while a file of that many bytes is parsed: a length read from a
// damaged file makes the library fail at once instead of clearing
// gigabytes it will never fill. A deflated data set counts as 1032 times
// its file (deflate's largest ratio). Never above LimitCap.
std::size_t ParseCap(std::size_t fileBytes, bool deflated);

// The engine's allocation limit and 64 MiB.
std::size_t LimitCap();

// Whether a file's meta group names the deflated transfer syntax.
bool LooksDeflated(const char* bytes, std::size_t n);

}  // namespace zorl

#endif
