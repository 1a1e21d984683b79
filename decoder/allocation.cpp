// The decoder's operator new and delete: the C library's allocator behind
// a cap on the size of one allocation.
#include "decoder/allocation.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "engine/store.h"

namespace zorl {

namespace {
std::atomic<std::size_t> g_cap{static_cast<std::size_t>(-1)};
constexpr std::size_t kSlack = std::size_t(64) << 20;
}  // namespace

void SetAllocationCap(std::size_t bytes) { g_cap = bytes; }
std::size_t AllocationCap() { return g_cap; }

// Deflate gives at most 1032 bytes for one byte of its stream, so a
// deflated data set is parsed as if it were that many times the file.
std::size_t ParseCap(std::size_t fileBytes, bool deflated) {
  const std::size_t most = static_cast<std::size_t>(MaxBytes());
  std::size_t parsed = fileBytes;
  if (deflated) parsed = fileBytes > most / 1032 ? most : fileBytes * 1032;
  if (parsed > most / 4) return LimitCap();
  return 4 * parsed + kSlack;
}

std::size_t LimitCap() { return static_cast<std::size_t>(MaxBytes()) + kSlack; }

bool LooksDeflated(const char* bytes, std::size_t n) {
  static const char kDeflated[] = "1.2.840.10008.1.2.1.99";
  const std::size_t look = n < 4096 ? n : 4096;
  const std::size_t k = sizeof kDeflated - 1;
  for (std::size_t at = 0; at + k <= look; ++at)
    if (std::memcmp(bytes + at, kDeflated, k) == 0) return true;
  return false;
}

}  // namespace zorl

void* operator new(std::size_t n) {
  if (n > zorl::AllocationCap()) throw std::bad_alloc();
  void* p = std::malloc(n ? n : 1);
  if (!p) throw std::bad_alloc();
  return p;
}

void* operator new[](std::size_t n) { return ::operator new(n); }

void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
  if (n > zorl::AllocationCap()) return nullptr;
  return std::malloc(n ? n : 1);
}

void* operator new[](std::size_t n, const std::nothrow_t& t) noexcept {
  return ::operator new(n, t);
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
