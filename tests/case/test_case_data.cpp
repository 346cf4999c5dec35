#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <utility>

#include "case/CaseData.h"

namespace {

TEST(CaseData, CreateGivesOneEmptyIntervalZeroScalarsAndDefaults) {
  TCaseData d;
  d.base = 7;
  d.c0 = 3;
  d.alg.Rho = 2;
  ASSERT_TRUE(d.Create(1));
  EXPECT_EQ(d.N, 1);
  ASSERT_EQ(d.durations.size(), 1u);
  ASSERT_EQ(d.loads.size(), 1u);
  EXPECT_EQ(d.durations[0], 0.0);
  EXPECT_EQ(d.loads[0], 0.0);
  for (double v : {d.base, d.c0, d.c, d.q, d.a0, d.a1, d.Ptmin, d.Ptmax, d.Vtot, d.Phmin,
                   d.Phmax, d.Zeta0, d.Zetat, d.Zetah, d.Gammat, d.Gammah}) {
    EXPECT_EQ(v, 0.0);
    EXPECT_FALSE(std::signbit(v));
  }
  const TAlgorithmParameters& a = d.alg;
  EXPECT_EQ(a.nu, 40);
  EXPECT_EQ(a.nd, 30);
  EXPECT_EQ(a.klim, 10);
  EXPECT_EQ(a.Epsext, 0.0001);
  EXPECT_EQ(a.Rhoext, 0.995);
  EXPECT_EQ(a.xnl, 0.0);
  EXPECT_EQ(a.x0, 1.0);
  EXPECT_EQ(a.xlowbd, -1.0);
  EXPECT_EQ(a.y0, 0.0);
  EXPECT_EQ(a.z0, 1.0);
  EXPECT_EQ(a.Rho, 0.95);
  EXPECT_EQ(a.Epsln, 0.0001);
  EXPECT_EQ(a.Maxit, 30);
  EXPECT_EQ(a.Bigm, 1e8);
  EXPECT_EQ(a.Sigma, 0.01);
  EXPECT_EQ(a.Epslnp, 1e-5);
  EXPECT_EQ(a.Epslmek, 1e-20);
  EXPECT_EQ(a.Mu0, 5.0);
  EXPECT_EQ(a.iprint, 0);
}

TEST(CaseData, RedimensionDiscardsEveryValue) {
  TCaseData d;
  ASSERT_TRUE(d.Create(2));
  ASSERT_TRUE(d.SetDuration(1, 10));
  ASSERT_TRUE(d.SetLoad(2, 700));
  ASSERT_TRUE(d.Redimension(3));
  EXPECT_EQ(d.N, 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(d.durations[i], 0.0);
    EXPECT_EQ(d.loads[i], 0.0);
  }
}

TEST(CaseData, RefusedCountsLeaveTheTableAsItWas) {
  TCaseData d;
  ASSERT_TRUE(d.Create(2));
  ASSERT_TRUE(d.SetDuration(2, 14));
  for (int32_t n : {0, -1, INT32_MIN}) {
    SCOPED_TRACE(n);
    EXPECT_FALSE(d.Redimension(n));
    EXPECT_EQ(d.N, 2);
    ASSERT_EQ(d.durations.size(), 2u);
    EXPECT_EQ(d.durations[1], 14.0);
  }
}

TEST(CaseData, AMillionIntervalsAreZeroFilled) {
  TCaseData d;
  ASSERT_TRUE(d.Redimension(1000000));
  EXPECT_EQ(d.N, 1000000);
  EXPECT_EQ(d.durations[999999], 0.0);
  EXPECT_EQ(d.loads[0], 0.0);
}

TEST(CaseData, SettersStoreInsideTheTableOnly) {
  TCaseData d;
  ASSERT_TRUE(d.Create(3));
  EXPECT_TRUE(d.SetDuration(3, 1.5));
  EXPECT_TRUE(d.SetLoad(1, 300));
  EXPECT_EQ(d.durations[2], 1.5);
  EXPECT_EQ(d.loads[0], 300.0);
  for (int32_t k : {0, -1, 4, INT32_MAX, INT32_MIN}) {
    SCOPED_TRACE(k);
    EXPECT_FALSE(d.SetDuration(k, 9));
    EXPECT_FALSE(d.SetLoad(k, 9));
  }
  EXPECT_EQ(d.durations[0], 0.0);
  EXPECT_EQ(d.durations[1], 0.0);
  EXPECT_EQ(d.loads[2], 0.0);
}

}  // namespace

// Copies share their values until one of them is written through; every
// writing access (operator[], data()) leaves the others as they were, and a
// read through a const array copies nothing.
TEST(IntervalArray, CopiesShareUntilOneIsWritten) {
  TIntervalArray a = TIntervalArray::Zeros(3);
  a[1] = 7.0;
  TIntervalArray b = a;
  const TIntervalArray& cb = b;
  EXPECT_EQ(cb.data(), std::as_const(a).data()) << "a copy shares";
  EXPECT_TRUE(a.Shared());
  b[1] = 8.0;
  EXPECT_EQ(a[1], 7.0);
  EXPECT_EQ(b[1], 8.0);
  EXPECT_FALSE(a.Shared());
  EXPECT_FALSE(b.Shared());

  TIntervalArray c = a;
  double* p = c.data();  // as numpy gets it: writable, the array's own
  p[0] = -1.0;
  EXPECT_EQ(a[0], 0.0);
  EXPECT_EQ(c[0], -1.0);
  EXPECT_EQ(c.data(), p) << "an array of its own is not copied again";

  TIntervalArray moved = std::move(c);
  EXPECT_EQ(c.size(), 0u);
  EXPECT_EQ(std::as_const(c).data(), nullptr);
  EXPECT_EQ(moved.data(), p);
}

// A record stores into an array it shares (the memo keeps an opened table):
// the other holder keeps the values as they were.
TEST(IntervalArray, ARecordThatSharesItsTableDetachesOnItsFirstStore) {
  TCaseData d;
  ASSERT_TRUE(d.Create(2));
  ASSERT_TRUE(d.SetLoad(2, 500));
  const TIntervalArray kept = d.loads;
  ASSERT_TRUE(d.SetLoad(2, 600));
  EXPECT_EQ(kept[1], 500.0);
  EXPECT_EQ(d.loads[1], 600.0);
  TCaseData copy = d;  // and a whole record copies as cheaply
  EXPECT_EQ(std::as_const(copy).loads.data(), std::as_const(d).loads.data());
  ASSERT_TRUE(copy.Redimension(5));
  EXPECT_EQ(d.N, 2);
  EXPECT_EQ(d.loads[1], 600.0);
}
