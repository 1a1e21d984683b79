// The size check of a picture, made before its pixels are allocated, and
// products of sizes.
#include "engine/image_size.h"

#include "engine/store.h"

namespace zorl {

namespace {

bool Refuse(std::string* error, const std::string& what) {
  *error = what;
  return false;
}

}  // namespace

bool SizeWithin(long long a, long long b, long long c, long long most,
                long long* product) {
  // Each step divides before it multiplies, so no step passes most.
  long long p = a;
  for (long long f : {b, c}) {
    if (p > most || (f > 0 && p > most / f)) return false;
    p *= f;
  }
  *product = p;
  return true;
}

std::string SizeText(long long a, long long b, long long c) {
  return std::to_string(a) + " x " + std::to_string(b) + " x " +
         std::to_string(c);
}

bool CheckImageSize(long long width, long long height, long long depth,
                    std::string* error) {
  if (width < 1 || height < 1)
    return Refuse(error, "an image of " + std::to_string(width) + " x " +
                             std::to_string(height) + " pixels has no pixels");
  if (depth < 1 || depth > 3)
    return Refuse(error,
                  "depth " + std::to_string(depth) + " is not 1, 2 or 3");
  long long most = MaxBytes(), bytes;
  if (!SizeWithin(width, height, depth, most, &bytes))
    return Refuse(error, std::to_string(width) + " x " +
                             std::to_string(height) + " pixels of depth " +
                             std::to_string(depth) + " are more than " +
                             std::to_string(most) + " bytes");
  return true;
}

int DefaultBitsStored(long long depth) { return depth == 2 ? 16 : 8; }

const char* DefaultPhotometric(long long depth) {
  return depth == 3 ? "RGB" : "MONOCHROME2";
}

}  // namespace zorl
