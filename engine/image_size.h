// The size of a picture: width x height pixels of depth bytes; and products
// of sizes that never wrap around.
#ifndef ZORL_ENGINE_IMAGE_SIZE_H
#define ZORL_ENGINE_IMAGE_SIZE_H

#include <string>

namespace zorl {

// Checks the size of a picture before its pixels are allocated: at least one
// pixel, depth 1 to 3, and at most the engine's largest allocation. On
// failure: false and what is wrong.
bool CheckImageSize(long long width, long long height, long long depth,
                    std::string* error);

// Whether a * b * c, of factors that are not negative, is at most most;
// the product (when it is) in *product. Never overflows.
bool SizeWithin(long long a, long long b, long long c, long long most,
                long long* product);

// "a x b x c" for messages.
std::string SizeText(long long a, long long b, long long c);

// What a picture of that depth is unless its file says otherwise: the bits
// of its samples (8, or 16 for depth 2) and its photometric interpretation
// (MONOCHROME2 for gray, RGB for colour).
int DefaultBitsStored(long long depth);
const char* DefaultPhotometric(long long depth);

}  // namespace zorl

#endif
