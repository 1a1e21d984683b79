// The size of a part.
#include "frame/parts.h"

namespace {

// Measured on 2 shared cores (AMD EPYC, AVX-512): below 2 x 256 KiB read
// and written, the threads' wake-up costs what they save.
std::size_t g_partBytes = std::size_t(256) << 10;

}  // namespace

std::size_t PartBytes() { return g_partBytes; }
void SetPartBytes(std::size_t bytes) { g_partBytes = bytes ? bytes : 1; }

int PartCount(zlong c, int bytesPerPixel) {
  if (c <= 0) return 1;
  long long bytes = static_cast<long long>(c) * bytesPerPixel;
  long long most = static_cast<long long>(bytes / g_partBytes);
  int threads = ZorlThreads();
  if (most > threads) most = threads;
  if (most > kMostParts) most = kMostParts;
  if (most > c / 64) most = c / 64;  // parts start at multiples of 64
  return most < 1 ? 1 : static_cast<int>(most);
}
