// The reciprocals that stand in for the division of a gray entry's rescale:
// wherever one is taken as exact, it gives the quotient for every component
// the pixels can have, at every sum index and gray level of the table.
#include <gtest/gtest.h>

#include "triple/colour.h"

namespace {

// Checks every gray level g, every sum index j from jFirst to jLast and
// every component v from 0 to vMax of a table of m entries; returns how many
// (g, j) pairs had an exact reciprocal. The quotient floor(v f / d) is kept
// step by step as v grows, so that the check needs no division per v.
long long CheckAll(long long m, long long jFirst, long long jLast,
                   unsigned long long vMax) {
  long long exact = 0;
  for (unsigned g = 1; g <= 255; ++g) {
    for (long long j = jFirst; j <= jLast; ++j) {
      unsigned long long f = static_cast<unsigned long long>(m - 1) * g;
      unsigned long long d = 255ULL * static_cast<unsigned long long>(j);
      unsigned long long mul;
      if (!ExactReciprocal(f, d, vMax, &mul)) continue;
      ++exact;
      const unsigned long long qStep = f / d, rStep = f % d;
      unsigned long long q = 0, r = 0;  // v f = q d + r
      for (unsigned long long v = 0; v <= vMax; ++v) {
        if ((v * mul >> 32) != q) {
          ADD_FAILURE() << "m=" << m << " g=" << g << " j=" << j << " v=" << v;
          return exact;
        }
        q += qStep;
        r += rStep;
        if (r >= d) {
          r -= d;
          ++q;
        }
      }
    }
  }
  return exact;
}

TEST(ColourReciprocal, ExactForEveryInputOfCommonTables) {
  // BaseLine 0: components 0 to 255, sums 1 to 765 (below m). Every pair is
  // exact, so these tables never divide per pixel.
  for (long long m : {766LL, 2902LL, 4096LL}) {
    long long last = m - 1 < 765 ? m - 1 : 765;
    EXPECT_EQ(CheckAll(m, 1, last, 255), 255 * last) << m;
  }
  // A BaseLine of 300: components up to 555, sums 900 to 1665.
  EXPECT_EQ(CheckAll(3000, 900, 1665, 555), 255 * 766);
}

TEST(ColourReciprocal, LargeTablesAreCheckedWhereTaken) {
  // Large tables and components: the reciprocal is taken only where it is
  // provably exact, and then it is.
  EXPECT_GT(CheckAll(1 << 20, 1, 765, 255), 0);
  EXPECT_GE(CheckAll((1 << 24) + 1, (1 << 24) - 766, (1 << 24) - 1, 255), 0);
  unsigned long long mul;
  EXPECT_FALSE(ExactReciprocal(1ULL << 32, 255, 255, &mul));  // 2^32 f
  EXPECT_FALSE(ExactReciprocal(5, 0, 255, &mul));
}

}  // namespace
