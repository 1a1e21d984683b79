// The memory budget: what the values of the whole process hold, counted
// against one limit.
#ifndef ZORL_ENGINE_BUDGET_H
#define ZORL_ENGINE_BUDGET_H

#include <cstddef>
#include <cstdint>
#include <new>
#include <string>

#include "host/platform.h"

namespace zorl {

// The memory budget: what the values of all engines in the process hold
// together (String bytes, Vector elements at every level, objects' bytes and
// members, Buffers, pictures) stays within it, whichever threads make them;
// an allocation that would pass it is refused with host error 8 naming the
// totals. The default is half the machine's physical memory, at most 2 GiB
// in a 32-bit process (2 GiB when the system does not say). The environment
// variable ZORL_MEMORY, read at the first allocation, sets it: a byte count, or
// a number followed by K, M or G (powers of 1024). A setting that is not a size
// leaves the default, and MemoryBudgetProblem says why (the zorl command
// refuses to run then).
ZORL_API long long MemoryBudget();
// A budget in place of the default or ZORL_MEMORY's (0 to 2^62 bytes).
ZORL_API void SetMemoryBudget(long long bytes);
// What values hold now, as counted below.
ZORL_API long long MemoryHeld();
// Why ZORL_MEMORY cannot be taken; empty when it can, or is unset or empty.
ZORL_API std::string MemoryBudgetProblem();

// Each owner of memory made on behalf of a script (a String's block, a
// Vector's elements, an object's bytes and members, a Buffer's memory)
// charges what it takes when it takes it and refunds it when it lets it go:
// one atomic addition a block, whichever thread. The amounts are fixed units
// rather than what the heap spends, so that a script's totals are the same
// on every build: a store (String, Vector or object) counts kStoreBytes
// beside its contents, an element kElementBytes, a member kMemberBytes.
constexpr std::uint64_t kStoreBytes = 64;
constexpr std::uint64_t kElementBytes = 16;
constexpr std::uint64_t kMemberBytes = 96;

// Thrown when a charge would pass the budget; what() gives the totals:
// "values would hold 4100 MiB; the memory budget is 4096 MiB (ZORL_MEMORY)".
class OverBudget : public std::bad_alloc {
 public:
  OverBudget(std::uint64_t wouldHold, std::uint64_t budget);
  const char* what() const noexcept override { return text_; }

 private:
  char text_[120];
};

// Counts n more bytes as held; throws OverBudget, counting nothing, when
// that would pass the budget.
void ChargeMemory(std::uint64_t n);
void RefundMemory(std::uint64_t n) noexcept;

// Bytes charged for as long as this lives.
class Charge {
 public:
  explicit Charge(std::uint64_t n) : n_(n) { ChargeMemory(n); }
  ~Charge() { RefundMemory(n_); }
  Charge(const Charge&) = delete;
  Charge& operator=(const Charge&) = delete;

  std::uint64_t size() const { return n_; }
  // Charges or refunds the difference; throws OverBudget, leaving the
  // charge as it was.
  void Resize(std::uint64_t n) {
    if (n > n_)
      ChargeMemory(n - n_);
    else
      RefundMemory(n_ - n);
    n_ = n;
  }

 private:
  std::uint64_t n_;
};

}  // namespace zorl

#endif
