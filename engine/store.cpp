// String storage: blocks that come zeroed. Blocks below 32 MiB come from
// calloc, which clears only memory that the heap reuses (fresh pages are
// zero already); larger ones are anonymous mappings, whose pages the system
// zeroes when they are first touched, in huge pages where it can, so that a
// large new String costs no memset and far fewer page faults.
#include "engine/store.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace {

// Blocks of this size and up (the usable size plus the end 0) are mappings;
// the C library maps blocks of this size itself, without huge pages.
constexpr std::size_t kMappedFrom = std::size_t(32) << 20;
constexpr std::size_t kHugePage = std::size_t(2) << 20;

std::size_t MappedSize(std::size_t size) {
  return (size + kHugePage - 1) / kHugePage * kHugePage;
}

// size zero bytes, or null. A mapping starts on a huge-page boundary, so
// that the system may back it with huge pages.
char* ZeroedBlock(std::size_t size) {
  if (size < kMappedFrom) return static_cast<char*>(std::calloc(size, 1));
  std::size_t len = MappedSize(size);
  if (len < size || len + kHugePage < len) return nullptr;
  void* p = mmap(nullptr, len + kHugePage, PROT_READ | PROT_WRITE,
                 MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return nullptr;
  char* start = static_cast<char*>(p);
  std::size_t skip =
      (kHugePage - reinterpret_cast<std::uintptr_t>(p) % kHugePage) % kHugePage;
  if (skip > 0) munmap(start, skip);
  if (kHugePage - skip > 0) munmap(start + skip + len, kHugePage - skip);
#ifdef MADV_HUGEPAGE
  madvise(start + skip, len, MADV_HUGEPAGE);  // a hint; failure is harmless
#endif
  return start + skip;
}

void FreeBlock(char* p, std::size_t size) {
  if (size < kMappedFrom)
    std::free(p);
  else
    munmap(p, MappedSize(size));
}

}  // namespace

char* ZeroedBytes::Empty() {
  static char empty = 0;
  return &empty;
}

ZeroedBytes::ZeroedBytes(const char* bytes, std::size_t n) {
  resize(n);
  if (n > 0) std::memcpy(p_, bytes, n);
}

ZeroedBytes& ZeroedBytes::operator=(const ZeroedBytes& o) {
  if (this != &o) {
    ZeroedBytes copy(o);
    swap(copy);
  }
  return *this;
}

ZeroedBytes::~ZeroedBytes() {
  if (cap_ > 0) FreeBlock(p_, cap_ + 1);
}

void ZeroedBytes::swap(ZeroedBytes& o) noexcept {
  std::swap(p_, o.p_);
  std::swap(n_, o.n_);
  std::swap(cap_, o.cap_);
}

void ZeroedBytes::resize(std::size_t n) {
  if (n <= cap_) {
    // Bytes past the size may hold what a shorter resize left there.
    if (n > n_) std::memset(p_ + n_, 0, n - n_);
    n_ = n;
    if (cap_ > 0) p_[n] = 0;
    return;
  }
  if (n == 0) return;  // the empty byte stays
  // Growing in steps, as a String lengthened a little at a time does.
  std::size_t cap = cap_ + cap_ / 2 > n ? cap_ + cap_ / 2 : n;
  if (cap + 1 < cap) throw std::bad_alloc();
  char* p = ZeroedBlock(cap + 1);
  if (!p && cap > n) p = ZeroedBlock((cap = n) + 1);
  if (!p) throw std::bad_alloc();
  if (n_ > 0) std::memcpy(p, p_, n_);
  if (cap_ > 0) FreeBlock(p_, cap_ + 1);
  p_ = p;
  n_ = n;
  cap_ = cap;
}
