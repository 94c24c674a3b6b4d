// The Sun, the Moon and sidereal time against published worked examples, within the
// accuracy the README states. Examples: J. Meeus, Astronomical Algorithms (2nd ed., 1998),
// examples 25.a (Sun), 47.a (Moon) and 12.a (sidereal time). The examples are in dynamical
// time (TD); the ephemeris takes UTC, which in 1992 was TD - 59 s (Delta T).
#include <gtest/gtest.h>

#include <cmath>

#include "common/timescales.hpp"
#include "ephem/ephem.hpp"

namespace kv::ephem {
namespace {

constexpr double kDeltaT1992 = 59.0;    // TD - UTC, s
constexpr double kArcsec = 1.0 / 3600;  // degrees

// Angle between two directions given by right ascension and declination, arcseconds.
double separation_arcsec(double ra1, double dec1, double ra2, double dec2) {
  const double c = std::sin(dec1 * cnr) * std::sin(dec2 * cnr) +
                   std::cos(dec1 * cnr) * std::cos(dec2 * cnr) * std::cos((ra1 - ra2) * cnr);
  return std::acos(std::min(1.0, c)) * cdr * 3600;
}

double utc_days_of_td(const Epoch& td) { return timdif(td).days - kDeltaT1992 / 86400; }

// Meeus 25.a: 1992 October 13.0 TD, apparent RA 13h13m31.4s, Dec -7 deg 47' 06".
TEST(Accuracy, SunWithinFiftyArcseconds) {
  const SunMoon sm = surcha(utc_days_of_td({1992, 10, 13, 0, 0, 0, 0}), -1);
  const double ra = (13 + 13 / 60.0 + 31.4 / 3600) * 15, dec = -(7 + 47 / 60.0 + 6 / 3600.0);
  EXPECT_LT(separation_arcsec(sm.sun_ra * cdr, sm.sun_dec * cdr, ra, dec), 50.0);
}

// Meeus 47.a: 1992 April 12.0 TD, apparent RA 134.688470 deg, Dec 13.768368 deg, distance
// 368409.7 km.
TEST(Accuracy, MoonWithin204ArcsecondsAnd50Kilometres) {
  const SunMoon sm = surcha(utc_days_of_td({1992, 4, 12, 0, 0, 0, 0}), -1);
  EXPECT_LT(separation_arcsec(sm.moon_ra * cdr, sm.moon_dec * cdr, 134.688470, 13.768368), 204.0);
  EXPECT_NEAR(sm.moon_dist, 368409.7, 50.0);
}

// Meeus 12.a: apparent sidereal time at Greenwich on 1987 April 10, 0h UT: 13h10m46.1351s
// (UTC taken as UT1, 0.1 s of time = 1.5 arcseconds).
TEST(Accuracy, SiderealTimeWithinOneAndAHalfArcseconds) {
  double a = std::fmod(sidtim(timdif({1987, 4, 10, 0, 0, 0, 0}).days).angle, tpi);
  if (a < 0) a += tpi;
  const double ref = (13 + 10 / 60.0 + 46.1351 / 3600) * 15;
  EXPECT_NEAR(a * cdr, ref, 1.5 * kArcsec);
}

}  // namespace
}  // namespace kv::ephem
