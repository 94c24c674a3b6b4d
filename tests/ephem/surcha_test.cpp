// Sun and Moon ephemeris and the geodetic point against documented and independent values.
#include <gtest/gtest.h>

#include <cmath>

#include "common/timescales.hpp"
#include "ephem/ephem.hpp"

namespace kv::ephem {
namespace {

struct BodyRef {
  int nutation;
  double sun_ra, sun_dec, sun_dist, moon_ra, moon_dec, moon_dist;
};

// 2024 January 1, 0h UTC (1900 day count 45290.0), with and without nutation.
// regression value (the code's own output); independent references: Meeus's worked examples
// (accuracy_test.cpp) and the Sun at the 2024 March equinox (below).
TEST(Surcha, ReferenceValuesAt2024January1) {
  const BodyRef refs[] = {
      {-1, 280.929975, -23.058006, 147103844.2, 159.103604, 12.633029, 404555.64},
      {0, 280.931478, -23.055686, 147103840.4, 159.103134, 12.632229, 404555.64},
  };
  for (const BodyRef& r : refs) {
    SCOPED_TRACE(r.nutation);
    const SunMoon sm = surcha(45290.0, r.nutation);
    EXPECT_NEAR(sm.sun_ra * cdr, r.sun_ra, 5e-7);
    EXPECT_NEAR(sm.sun_dec * cdr, r.sun_dec, 5e-7);
    EXPECT_NEAR(sm.sun_dist, r.sun_dist, 0.05);
    EXPECT_NEAR(sm.moon_ra * cdr, r.moon_ra, 5e-7);
    EXPECT_NEAR(sm.moon_dec * cdr, r.moon_dec, 5e-7);
    EXPECT_NEAR(sm.moon_dist, r.moon_dist, 0.005);
  }
  // A positive switch is the same as zero.
  EXPECT_EQ(surcha(45290.0, 1).sun_ra, surcha(45290.0, 0).sun_ra);
}

TEST(Surcha, UnitVectorsAgreeWithRightAscensionAndDeclination) {
  for (double t = 40000; t < 50000; t += 123.456) {
    const SunMoon sm = surcha(t, -1);
    for (const Vec3* u : {&sm.sun, &sm.moon})
      EXPECT_NEAR((*u)[0] * (*u)[0] + (*u)[1] * (*u)[1] + (*u)[2] * (*u)[2], 1.0, 1e-14);
    EXPECT_NEAR(std::cos(sm.sun_dec) * std::cos(sm.sun_ra), sm.sun[0], 1e-14);
    EXPECT_NEAR(std::sin(sm.moon_dec), sm.moon[2], 1e-14);
    EXPECT_GT(sm.sun_ra, 0.0);
    EXPECT_LE(sm.sun_ra, tpi);
  }
}

TEST(Surcha, AtTZeroTheElementsAreTheirConstantTerms) {
  const FundArgs a = fundargs(0.0, 1.88888888888888e-6);
  EXPECT_EQ(a.l, 279.696677777778);
  EXPECT_EQ(a.gp, 281.220833333333);
  EXPECT_EQ(a.e, 0.01675104);
  EXPECT_EQ(a.eps, 23.45229444444445);
  EXPECT_EQ(a.lm, 270.4341638888889);
  EXPECT_NEAR(a.l - a.gp, -1.524155555555, 1e-12);
  const SunMoon sm = surcha(-0.5, 0);
  EXPECT_GE(sm.sun_dist, (1 - 0.01675104) * 149597961.8);
  EXPECT_LE(sm.sun_dist, (1 + 0.01675104) * 149597961.8);
}

TEST(Radec, RightAscensionOfExactlyZeroIsAFullTurn) {
  EXPECT_EQ(radec({1.0, 0.0, 0.0}).ra, tpi);
  EXPECT_EQ(radec({1.0, -0.0, 0.0}).ra, tpi);
  EXPECT_NEAR(radec({0.0, -1.0, 0.0}).ra, tpi - M_PI / 2, 1e-15);
}

// Independent checks: the Sun at the March equinox of 2024 (2024-03-20 03:06 UTC) stands at
// right ascension 0h and declination 0; the Moon stays 356,000-407,000 km away.
TEST(Surcha, SunAtTheEquinoxAndMoonDistanceOverAMonth) {
  const double t = timdif({2024, 3, 20, 3, 6, 0, 0}).days;
  const SunMoon sm = surcha(t, -1);
  const double ra = sm.sun_ra > M_PI ? sm.sun_ra - tpi : sm.sun_ra;
  EXPECT_NEAR(ra * cdr, 0.0, 0.02);
  EXPECT_NEAR(sm.sun_dec * cdr, 0.0, 0.01);
  double lo = 1e9, hi = 0;
  for (double d = 0; d < 30; d += 0.25) {
    const double r = surcha(45290.0 + d, -1).moon_dist;
    lo = std::min(lo, r);
    hi = std::max(hi, r);
  }
  EXPECT_GT(lo, 350000.0);
  EXPECT_LT(hi, 410000.0);
  EXPECT_GT(hi - lo, 30000.0);  // perigee and apogee both seen in a month
}

TEST(Geocor, ReferencePoints) {
  Geodetic g = geocor(7000, 0, 0, 0);
  EXPECT_EQ(g.lat, 0.0);
  EXPECT_EQ(g.lon, 0.0);
  EXPECT_NEAR(g.height, 621.834, 1e-9);
  const double c45 = 7000 * std::cos(M_PI / 4), s45 = 7000 * std::sin(M_PI / 4);
  g = geocor(c45, 0, s45, 0);
  // regression value (the code's own output): latitude and height after the iteration.
  EXPECT_NEAR(g.lat, 45.1750142387369, 1e-10);
  EXPECT_EQ(g.lon, 0.0);
  EXPECT_NEAR(g.height, 632.5486804553061, 1e-8);
  EXPECT_NEAR(geocor(0, 7000, 0, M_PI / 2).lon, 0.0, 1e-12);
  EXPECT_NEAR(geocor(0, 7000, 0, M_PI).lon, 270.0, 1e-9);
  g = geocor(0, 0, 7000, 0.3);
  EXPECT_NEAR(g.lat, 90.0, 1e-12);
  EXPECT_NEAR(g.height, 7000 - 6356.784, 1e-9);
  EXPECT_NEAR(g.lon, (tpi - 0.3) * cdr, 1e-9);
  g = geocor(0, 0, -7000, 0);
  EXPECT_NEAR(g.lat, -90.0, 1e-12);
}

TEST(Geocor, LongitudeStaysInRange) {
  for (double th = -7; th < 14; th += 0.01) {
    const Geodetic g = geocor(6000 * std::cos(th * 3), 6000 * std::sin(th * 3), 1000, th);
    ASSERT_GE(g.lon, 0.0) << th;
    ASSERT_LT(g.lon, 360.0) << th;
  }
}

}  // namespace
}  // namespace kv::ephem
