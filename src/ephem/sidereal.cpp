#include <cmath>

#include "ephem/ephem.hpp"

namespace kv::ephem {

// delong -- equation of the equinoxes, dpsi cos(eps + deps).
//
// Given:    x  days since 1900 Jan 1, 0h UTC
// Returned: radians
// Notes:    the time argument of the nutation is offset by a fixed 32.5 s.
double delong(double x) {
  const double t = (x + 0.5 + 0.0003761574074074074) / 36525;
  const FundArgs a = fundargs(t, 1.888888888888889e-6);
  const Nutation n = nutcof(t, a.lm * cnr, a.gmp * cnr, a.om * cnr, a.l * cnr, a.gp * cnr);
  return n.dpsi * std::cos(a.eps * cnr + n.deps);
}

// sidtim -- Greenwich apparent sidereal angle (Newcomb's mean sidereal time plus the
// equation of the equinoxes).
//
// Given:    x  days since 1900 Jan 1, 0h UTC (UTC used as UT1)
// Returned: apparent sidereal angle, radians, not reduced (may lie a few 1e-5 rad outside
//           [0, 2pi)); rate, radians per second
// Reference: Newcomb's expression 6h38m45.836s + 8640184.542s Tu + 0.0929s Tu^2.
Sidereal sidtim(double x) {
  const int n = static_cast<int>(x);
  const double d0 = n + 0.5;
  const double theta0 = (2.901509675e-13 * d0 + 0.9856473354) * d0 + 99.69098333333334;
  const double omega = 2 * 2.901509675e-13 * d0 + 0.9856473354 + 360;
  const double thetam = std::fmod(theta0 + (x - n) * omega, 360.0) * cnr;
  return {thetam + delong(x), cnr * omega / daysec};
}

}  // namespace kv::ephem
