// The memory budget: the count of what values hold, its limit, ZORL_MEMORY.
#include "engine/budget.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace zorl {

namespace {

// Budgets stay below this, so that a count and a charge never overflow.
constexpr std::int64_t kMostBudget = std::int64_t(1) << 62;
constexpr std::int64_t kGiB = std::int64_t(1) << 30;

std::atomic<std::int64_t> g_held{0};
std::atomic<std::int64_t> g_budget{-1};  // -1: not decided yet

// A byte count, or a number followed by K, M or G (powers of 1024).
bool ParseSize(const char* text, std::int64_t* bytes) {
  std::int64_t n = 0;
  const char* p = text;
  for (; *p >= '0' && *p <= '9'; ++p) {
    if (n > (kMostBudget - (*p - '0')) / 10) return false;
    n = n * 10 + (*p - '0');
  }
  if (p == text) return false;
  int shift = 0;
  switch (*p) {
    case 'K':
    case 'k':
      shift = 10;
      break;
    case 'M':
    case 'm':
      shift = 20;
      break;
    case 'G':
    case 'g':
      shift = 30;
      break;
    default:
      break;
  }
  if (shift && *++p) return false;
  if (*p || n > kMostBudget >> shift) return false;
  *bytes = n << shift;
  return true;
}

// Half the physical memory; in a 32-bit process, whose address space is
// 4 GiB, at most 2 GiB; 2 GiB when the system does not say.
std::int64_t DefaultBudget() {
  long pages = sysconf(_SC_PHYS_PAGES), page = sysconf(_SC_PAGESIZE);
  std::int64_t half =
      pages > 0 && page > 0 ? std::int64_t(pages) * page / 2 : 2 * kGiB;
  if (sizeof(void*) < 8 && half > 2 * kGiB) half = 2 * kGiB;
  return half;
}

const char* Setting() {
  const char* s = std::getenv("ZORL_MEMORY");
  return s && *s ? s : nullptr;
}

std::int64_t Budget() {
  std::int64_t b = g_budget.load(std::memory_order_relaxed);
  if (b >= 0) return b;
  std::int64_t chosen;
  const char* s = Setting();
  if (!s || !ParseSize(s, &chosen)) chosen = DefaultBudget();
  // A budget set meanwhile (SetMemoryBudget) stands.
  g_budget.compare_exchange_strong(b, chosen);
  return g_budget.load(std::memory_order_relaxed);
}

// n bytes in the unit, to a tenth below ten units, rounded up or down.
std::string Amount(std::uint64_t n, std::uint64_t unit, const char* name,
                   bool up) {
  if (unit == 1) return std::to_string(n) + " bytes";
  std::uint64_t whole = n / unit, rest = n % unit;
  std::uint64_t tenths = whole * 10 + (rest * 10 + (up ? unit - 1 : 0)) / unit;
  if (tenths >= 100)
    return std::to_string(whole + (up && rest ? 1 : 0)) + " " + name;
  std::string s = std::to_string(tenths / 10);
  if (tenths % 10) s += "." + std::to_string(tenths % 10);
  return s + " " + name;
}

}  // namespace

OverBudget::OverBudget(std::uint64_t wouldHold, std::uint64_t budget) {
  // Both in the budget's unit; what would be held is rounded up and the
  // budget down, so that the first reads larger.
  static const struct {
    std::uint64_t unit;
    const char* name;
  } kUnits[] = {{std::uint64_t(1) << 30, "GiB"},
                {std::uint64_t(1) << 20, "MiB"},
                {std::uint64_t(1) << 10, "KiB"},
                {1, "bytes"}};
  auto u = &kUnits[0];
  while (u->unit > 1 && budget < u->unit) ++u;
  std::snprintf(text_, sizeof text_,
                "values would hold %s; the memory budget is %s (ZORL_MEMORY)",
                Amount(wouldHold, u->unit, u->name, true).c_str(),
                Amount(budget, u->unit, u->name, false).c_str());
}

void ChargeMemory(std::uint64_t n) {
  std::int64_t budget = Budget();
  if (n > static_cast<std::uint64_t>(budget))
    throw OverBudget(
        n + static_cast<std::uint64_t>(g_held.load(std::memory_order_relaxed)),
        static_cast<std::uint64_t>(budget));
  std::int64_t add = static_cast<std::int64_t>(n);
  std::int64_t was = g_held.fetch_add(add, std::memory_order_relaxed);
  if (was + add > budget) {
    g_held.fetch_sub(add, std::memory_order_relaxed);
    throw OverBudget(static_cast<std::uint64_t>(was + add),
                     static_cast<std::uint64_t>(budget));
  }
}

void RefundMemory(std::uint64_t n) noexcept {
  g_held.fetch_sub(static_cast<std::int64_t>(n), std::memory_order_relaxed);
}

long long MemoryBudget() { return Budget(); }

void SetMemoryBudget(long long bytes) {
  g_budget.store(bytes < 0             ? 0
                 : bytes > kMostBudget ? kMostBudget
                                       : bytes,
                 std::memory_order_relaxed);
}

long long MemoryHeld() { return g_held.load(std::memory_order_relaxed); }

std::string MemoryBudgetProblem() {
  const char* s = Setting();
  std::int64_t bytes;
  if (!s || ParseSize(s, &bytes)) return "";
  return "ZORL_MEMORY=" + std::string(s) +
         " is not a size: give a byte count, or a number followed by K, M "
         "or G (512M, 4G)";
}

}  // namespace zorl
