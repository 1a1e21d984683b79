// The race check of conversions in parts, built with ThreadSanitizer by the
// sanitize stage of scripts/test.sh (ZORL_TSAN: only the pool, the parts
// and the kernels). Several host threads convert at once, one of them
// changing the thread count meanwhile; each conversion must give the bytes
// and the stop of the plain loop on one thread. Exits 1 on a difference.
#include <atomic>
#include <cstdio>
#include <random>
#include <thread>
#include <vector>

#include "engine/engine.h"
#include "frame/kernels.h"
#include "frame/parts.h"

namespace {

std::atomic<int> g_wrong{0};

// 2-byte pixels through 3000 entries from 1000 (some stop), into a new
// zero destination or a given one; 3-byte pixels through three full tables, in
// place.
void Convert(unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<u8> table(3 * 3000);
  for (u8& b : table) b = static_cast<u8>(rng());
  for (int round = 0; round < 40; ++round) {
    zlong c = 1000 + static_cast<zlong>(rng() % 40000);
    std::vector<u8> src(3 * static_cast<std::size_t>(c));
    for (zlong i = 0; i < c; ++i) {
      int p = static_cast<int>(rng() % 3000) - 1000;
      if (rng() % 20000 == 0) p = 2500;  // outside
      src[2 * i] = static_cast<u8>(p);
      src[2 * i + 1] = static_cast<u8>(p >> 8);
    }
    bool fresh = round % 2 == 0;  // else a given buffer, kept and put back
    std::vector<u8> want(c, fresh ? 0 : 0x77), got = want;
    std::size_t n = static_cast<std::size_t>(c);
    zlong stop = static_cast<zlong>(
        ScalarWords8(table.data(), 3000, 1000, src.data(), want.data(), n));
    PartsOut out = {got.data(), 1, fresh, true};
    zlong parts = ConvertInParts(c, 2, out, [&](zlong b, zlong e) {
      std::size_t k =
          Kernels().words8(table.data(), 3000, 1000, src.data() + 2 * b,
                           got.data() + b, static_cast<std::size_t>(e - b));
      return b + static_cast<zlong>(k);
    });
    g_wrong += parts != stop || got != want;
    std::vector<u8> place(src), whole(src.size());
    const u8 *t0 = table.data(), *t1 = t0 + 256, *t2 = t1 + 256;
    ScalarMap3To3(t0, t1, t2, src.data(), whole.data(), n);
    PartsOut same = {place.data(), 3, false, false};
    ConvertInParts(c, 3, same, [&](zlong b, zlong e) {
      Kernels().map3to3(t0, t1, t2, place.data() + 3 * b, place.data() + 3 * b,
                        static_cast<std::size_t>(e - b));
      return e;
    });
    g_wrong += place != whole;
  }
}

}  // namespace

int main() {
  zorl::SetConversionPartBytes(4096);
  zorl::SetConversionThreads(3);
  std::vector<std::thread> callers;
  for (unsigned k = 0; k < 3; ++k) callers.emplace_back(Convert, 24 + k);
  callers.emplace_back([] {
    for (int k = 0; k < 20; ++k) {
      zorl::SetConversionThreads(1 + k % 4);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  });
  for (std::thread& t : callers) t.join();
  std::printf("threads_race: %d conversions differ from one thread\n",
              g_wrong.load());
  return g_wrong.load() ? 1 : 0;
}
