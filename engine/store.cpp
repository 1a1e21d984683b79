// Engine storage: the blocks of Strings, and what Vectors and objects
// charge to the memory budget as they grow.
//
// String blocks come zeroed. Blocks below 32 MiB come from calloc, which
// clears only memory that the heap reuses (fresh pages are zero already);
// larger ones are anonymous mappings, in huge pages where the system can. A
// released block of 256 KiB and more is kept as a spare (a few, up to a
// total) and handed out again, cleared, for a String that fits it: a
// program that converts one large image after another then neither returns
// its memory to the system and faults it back in page by page on every
// call, nor grows. Spares are not charged to the budget: no value holds
// them.
#include "engine/store.h"

#include <sys/mman.h>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <utility>

#include "host/threads.h"

namespace {

// Blocks of this size and up (the usable size plus the end 0) are mappings;
// the C library maps blocks of this size itself, without huge pages.
constexpr std::size_t kMappedFrom = std::size_t(32) << 20;
constexpr std::size_t kHugePage = std::size_t(2) << 20;

std::size_t MappedSize(std::size_t size) {
  return (size + kHugePage - 1) / kHugePage * kHugePage;
}

// size bytes of the system's, zero, or null. A mapping starts on a
// huge-page boundary, so that the system may back it with huge pages.
char* SystemBlock(std::size_t size) {
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

void SystemFree(char* p, std::size_t size) {
  if (size < kMappedFrom)
    std::free(p);
  else
    munmap(p, MappedSize(size));
}

// The spare blocks. A block of `size` bytes serves a request of `want`
// bytes when want <= size <= want + want / 4, so that a spare is not
// wasted on a much smaller String.
constexpr std::size_t kSpareFrom = std::size_t(256) << 10;
constexpr int kMaxSpares = 4;
constexpr std::size_t kMaxSpareBytes = std::size_t(256) << 20;

struct Spare {
  char* p;
  std::size_t size;
};

struct Spares {
  std::mutex lock;
  Spare kept[kMaxSpares] = {};
  std::size_t bytes = 0;
  bool closed = false;  // at exit: blocks go back to the system at once
};

// Constant-initialised, and declared before the object that empties it at
// exit, so that it is destroyed after that one.
Spares g_spares;

Spares& TheSpares() { return g_spares; }

// Returns the spares to the system when the program ends; blocks released
// after that are returned at once.
struct SparesAtExit {
  ~SparesAtExit() {
    Spares& s = TheSpares();
    std::lock_guard<std::mutex> hold(s.lock);
    for (Spare& k : s.kept)
      if (k.p) SystemFree(k.p, k.size);
    s.closed = true;
    s.bytes = 0;
  }
} g_sparesAtExit;

// A spare that serves want bytes, taken out of the spares; null when none.
char* TakeSpare(std::size_t want, std::size_t* size) {
  if (want < kSpareFrom) return nullptr;
  Spares& s = TheSpares();
  std::lock_guard<std::mutex> hold(s.lock);
  for (Spare& k : s.kept)
    if (k.p && k.size >= want && k.size - want <= want / 4) {
      char* p = k.p;
      *size = k.size;
      s.bytes -= k.size;
      k = Spare{};
      return p;
    }
  return nullptr;
}

// Keeps a released block as a spare, in place of the oldest when all are
// taken; what does not fit goes back to the system.
void Release(char* p, std::size_t size) {
  if (size >= kSpareFrom && size <= kMaxSpareBytes) {
    Spares& s = TheSpares();
    std::lock_guard<std::mutex> hold(s.lock);
    if (!s.closed) {
      Spare* slot = &s.kept[0];
      for (Spare& k : s.kept)
        if (!k.p) slot = &k;
      if (slot->p) {  // all taken: the first is the oldest
        s.bytes -= slot->size;
        SystemFree(slot->p, slot->size);
        std::move(&s.kept[1], &s.kept[kMaxSpares], &s.kept[0]);
        slot = &s.kept[kMaxSpares - 1];
      }
      while (s.bytes + size > kMaxSpareBytes) {
        Spare* old = nullptr;
        for (Spare& k : s.kept)
          if (k.p && (!old || k.size > old->size)) old = &k;
        s.bytes -= old->size;
        SystemFree(old->p, old->size);
        *old = Spare{};
      }
      *slot = Spare{p, size};
      s.bytes += size;
      return;
    }
  }
  SystemFree(p, size);
}

// Clears n bytes at p. A large block is cleared with streaming stores,
// which do not first read into the caches the lines they overwrite (and
// which the caches could not hold anyway): twice as fast as memset there.
constexpr std::size_t kStreamClearFrom = std::size_t(16) << 20;

#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx2"))) void StreamClear(char* p, std::size_t n) {
  std::size_t head = (32 - reinterpret_cast<std::uintptr_t>(p) % 32) % 32;
  std::memset(p, 0, head);
  std::size_t i = head;
  for (; i + 32 <= n; i += 32)
    _mm256_stream_si256(reinterpret_cast<__m256i*>(p + i),
                        _mm256_setzero_si256());
  _mm_sfence();
  std::memset(p + i, 0, n - i);
}

bool HasAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}
#endif

void ClearOnce(char* p, std::size_t n) {
#if defined(__x86_64__) || defined(__i386__)
  static const bool streams = HasAvx2();
  if (n >= kStreamClearFrom && streams) return StreamClear(p, n);
#endif
  std::memset(p, 0, n);
}

// A large block is cleared in parts on the engine's threads, as the
// conversion that most often follows runs: cleared on the calling thread
// alone, a 32 MiB result took a third of a two-thread conversion's time.
void Clear(char* p, std::size_t n) {
  int parts =
      n >= kStreamClearFrom ? ZorlPartsFor(static_cast<long long>(n)) : 1;
  if (parts <= 1) return ClearOnce(p, n);
  struct Job {
    char* p;
    std::size_t n;
    int parts;
    std::size_t At(int k) const {  // 64-byte lines apart
      return k >= parts ? n : n / static_cast<std::size_t>(parts) * k & ~63u;
    }
  } job{p, n, parts};
  ZorlRunParts(
      parts,
      [](void* context, int k) {
        const Job& j = *static_cast<const Job*>(context);
        ClearOnce(j.p + j.At(k), j.At(k + 1) - j.At(k));
      },
      &job);
}

// A block of at least *size bytes (its whole size in *size), or null; its
// bytes are zero unless it is a spare (*spare). The block is charged to the
// memory budget, which is asked first: OverBudget when it refuses.
char* Block(std::size_t* size, bool* spare) {
  std::size_t want = *size;
  zorl::ChargeMemory(want);
  *spare = true;
  char* p = TakeSpare(want, size);
  if (!p) {
    *spare = false;
    p = SystemBlock(want);
  }
  if (!p) {
    zorl::RefundMemory(want);
  } else if (*size > want) {  // a spare a little larger
    try {
      zorl::ChargeMemory(*size - want);
    } catch (const zorl::OverBudget&) {
      Release(p, *size);
      zorl::RefundMemory(want);
      throw;
    }
  }
  return p;
}

// Returns a block and its charge.
void Unblock(char* p, std::size_t size) {
  Release(p, size);
  zorl::RefundMemory(size);
}

}  // namespace

char* ZeroedBytes::Empty() {
  static char empty = 0;
  return &empty;
}

void ZeroedBytes::Uncleared(std::size_t n) {
  std::size_t size = n + 1;
  bool spare;
  char* p = size > n ? Block(&size, &spare) : nullptr;
  if (!p) throw std::bad_alloc();
  p[n] = 0;
  p_ = p;
  n_ = n;
  cap_ = size - 1;
}

ZeroedBytes::ZeroedBytes(const char* bytes, std::size_t n) {
  if (n == 0) return;
  Uncleared(n);
  std::memcpy(p_, bytes, n);  // a spare is not cleared first
}

ZeroedBytes& ZeroedBytes::operator=(const ZeroedBytes& o) {
  if (this != &o) {
    ZeroedBytes copy(o);
    swap(copy);
  }
  return *this;
}

ZeroedBytes::~ZeroedBytes() { ReleaseBlock(); }

ZeroedBytes ZeroedBytes::AdoptMapping(char* p, std::size_t n) {
  ZeroedBytes b;
  if (n == 0) {
    munmap(p, 1);
    return b;
  }
  try {
    zorl::ChargeMemory(n + 1);
  } catch (...) {
    munmap(p, n + 1);
    throw;
  }
  b.p_ = p;
  b.n_ = b.cap_ = n;
  b.mapped_ = true;
  return b;
}

ZeroedBytes ZeroedBytes::Borrow(char* p, std::size_t n,
                                std::shared_ptr<void> lender) {
  ZeroedBytes b;
  if (n == 0) return b;
  b.p_ = p;
  b.n_ = n;
  b.lender_ = std::move(lender);
  return b;
}

void ZeroedBytes::ReleaseBlock() {
  if (lender_) {
    lender_.reset();
  } else if (mapped_) {
    munmap(p_, cap_ + 1);
    zorl::RefundMemory(cap_ + 1);
  } else if (cap_ > 0) {
    Unblock(p_, cap_ + 1);
  }
}

void ZeroedBytes::swap(ZeroedBytes& o) noexcept {
  std::swap(p_, o.p_);
  std::swap(n_, o.n_);
  std::swap(cap_, o.cap_);
  std::swap(mapped_, o.mapped_);
  std::swap(lender_, o.lender_);
}

void ZeroedBytes::resize(std::size_t n) {
  if (lender_) {  // into a block of the engine's, the first n bytes kept
    if (n == n_) return;
    ZeroedBytes own(p_, n < n_ ? n : n_);
    own.resize(n);
    swap(own);
    return;
  }
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
  std::size_t size = cap + 1;
  bool spare;
  char* p = nullptr;
  try {
    p = Block(&size, &spare);
  } catch (const zorl::OverBudget&) {
    if (cap == n) throw;  // else the room to grow is what passes it
  }
  if (!p && cap > n) p = Block(&(size = n + 1), &spare);
  if (!p) throw std::bad_alloc();
  if (n_ > 0) std::memcpy(p, p_, n_);
  if (spare) Clear(p + n_, n + 1 - n_);  // the rest is never read
  ReleaseBlock();
  mapped_ = false;
  p_ = p;
  n_ = n;
  cap_ = size - 1;
}

void VectorStore::Reserve(std::size_t n) {
  std::size_t cap = elems.capacity();
  if (n <= cap) return;
  std::size_t grown = n - cap < cap ? 2 * cap : n;
  std::uint64_t was = charge.size();
  charge.Resize(Cost(grown));
  try {
    elems.reserve(grown);
  } catch (...) {
    charge.Resize(was);
    throw;
  }
}

// An object counts its bytes and a share for each member.
ObjectStore::ObjectStore(const ObjectStore& o)
    : VarStore(o),
      Object(o),
      charge(o.charge.size()),
      cls(o.cls),
      hasData(o.hasData),
      bytes(o.bytes),
      members(o.members),
      native(o.native),
      host(o.host) {}

Variable& ObjectStore::Member(const std::string& name) {
  auto at = members.lower_bound(name);
  if (at != members.end() && at->first == name) return at->second;
  charge.Resize(charge.size() + zorl::kMemberBytes);
  try {
    return members.emplace_hint(at, name, Variable())->second;
  } catch (...) {
    charge.Resize(charge.size() - zorl::kMemberBytes);
    throw;
  }
}

void ObjectStore::ResizeBytes(std::size_t n) {
  std::uint64_t was = charge.size();
  charge.Resize(was - bytes.size() + n);
  try {
    bytes.resize(n);
  } catch (...) {
    charge.Resize(was);
    throw;
  }
}

void ObjectStore::DropBytes() {
  charge.Resize(charge.size() - bytes.size());
  std::string().swap(bytes);
  hasData = false;
}
