#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

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
