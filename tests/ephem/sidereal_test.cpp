// Nutation series and sidereal time: the model's own values at 2024 January 1 (regression
// values), identities of the series, and the IAU 1982 mean sidereal time as an independent
// reference.
#include <gtest/gtest.h>

#include <cmath>

#include "ephem/ephem.hpp"

namespace kv::ephem {
namespace {

TEST(Nutcof, ZeroAnglesGiveTheSumOfTheObliquityCoefficients) {
  const Nutation n = nutcof(0, 0, 0, 0, 0, 0);
  EXPECT_EQ(n.dpsi, 0.0);
  EXPECT_NEAR(n.deps / arcsec, 9.7966, 1e-10);
  EXPECT_NEAR(n.deps, 4.749525708e-5, 1e-14);
}

TEST(Nutcof, At2024January1) {
  const double t = (45290.0 + 0.5) / 36525;
  EXPECT_NEAR(t, 1.2399863107460642, 1e-15);
  const FundArgs a = fundargs(t, 1.88888888888888e-6);
  const Nutation n = nutcof(t, a.lm * cnr, a.gmp * cnr, a.om * cnr, a.l * cnr, a.gp * cnr);
  // regression value (the code's own output)
  EXPECT_NEAR(n.dpsi / arcsec, -5.41122, 5e-6);
  EXPECT_NEAR(n.deps / arcsec, 8.07607, 5e-6);
  EXPECT_NEAR(n.dpsi, -2.62343e-5, 5e-11);
  EXPECT_NEAR(n.deps, 3.91539e-5, 5e-11);
}

TEST(Nutcof, TimeEntersOnlyThroughTheRates) {
  const Nutation a = nutcof(0.0, 1, 2, 3, 4, 5);
  const Nutation b = nutcof(1.0, 1, 2, 3, 4, 5);
  // Rate sums at these angles, evaluated term by term.
  EXPECT_NEAR((b.dpsi - a.dpsi) / arcsec,
              -0.01737 * std::sin(3.0) + -0.00013 * std::sin(2 * (1 - 3) - 2 * (1 - 4) + 2 * 3) +
                  0.00002 * std::sin(6.0) - 0.00031 * std::sin(4 - 5.0) +
                  0.00012 * std::sin((4 - 5.0) + 2 * (1 - 3) - 2 * (1 - 4) + 6) -
                  0.00005 * std::sin(-(4 - 5.0) + 2 * (1 - 3) - 2 * (1 - 4) + 6) +
                  0.00001 * std::sin(2 * (1 - 3) - 2 * (1 - 4) + 3) -
                  0.00002 * std::sin(2 * (1 - 3) + 6) + 0.00001 * std::sin(1 - 2.0) -
                  0.00004 * std::sin(2 * (1 - 3) + 3),
              1e-12);
}

TEST(Sidtim, At2024January1) {
  const Sidereal s = sidtim(45290.0);
  // regression value (the code's own output): apparent angle, equation of the equinoxes,
  // mean angle 100.152222433 deg from Newcomb's expression, and the angle at 45290.37.
  EXPECT_NEAR(s.angle, 1.747961964940, 5e-13);
  EXPECT_NEAR(delong(45290.0), -2.406971e-5, 5e-12);
  EXPECT_NEAR(delong(45290.0) / arcsec, -4.9647, 5e-5);
  const double mean_deg = std::fmod(s.angle - delong(45290.0), tpi) * cdr;
  EXPECT_NEAR(mean_deg, 100.152222433, 5e-10);
  EXPECT_NEAR(sidtim(45290.37).angle, 4.079105528755, 5e-13);
  // Independent reference: the IAU 1982 expression for Greenwich mean sidereal time (Aoki
  // et al. 1982; Meeus, Astronomical Algorithms, eq. 12.4) gives 100.152630 deg at
  // 2024-01-01 0h UT1. The model uses Newcomb's 1900-based polynomial instead, with other
  // coefficients and epoch; the two differ here by about 1.5 arcsec (0.1 s of time), which
  // the tolerance of 0.0005 deg (1.8 arcsec) covers.
  EXPECT_NEAR(mean_deg, 100.152630, 0.0005);
}

TEST(Sidtim, OneDayAdvancesTheMeanAngleByTheDailyExcess) {
  const double m0 = sidtim(45290.0).angle - delong(45290.0);
  const double m1 = sidtim(45291.0).angle - delong(45291.0);
  // 0.9856473354 degrees plus the quadratic term 2.901509675e-13 (2 d0 + 1).
  EXPECT_NEAR((m1 - m0) * cdr, 0.9856473354 + 2.901509675e-13 * (2 * 45290.5 + 1), 1e-10);
  EXPECT_NEAR(sidtim(45290.0).rate,
              cnr * (2 * 2.901509675e-13 * 45290.5 + 0.9856473354 + 360) / 86400, 1e-20);
}

}  // namespace
}  // namespace kv::ephem
