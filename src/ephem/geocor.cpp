#include <cmath>

#include "ephem/ephem.hpp"

namespace kv::ephem {

// geocor -- geodetic latitude, east longitude and height of an inertial position.
//
// Given:    x, y, z  position, km, equatorial inertial frame; theta  Greenwich sidereal
//           angle, radians
// Returned: latitude (degrees), longitude (degrees, [0, 360)), height (km)
// Notes:    fixed-point iteration for the foot of the normal on the meridian ellipse of the
//           6378.166 / 6356.784 km ellipsoid, stopping when the change is at most 1e-4.
//           note: capped at 100 passes, never reached outside the Earth's centre.
Geodetic geocor(double x, double y, double z, double theta) {
  constexpr double ae = re_ellipsoid_a, be = re_ellipsoid_b, b2ma2 = -272298.7009000033;
  double lam = std::fmod(std::atan2(y, x) - theta, tpi);
  if (lam < 0) lam += tpi;
  const double rho = std::sqrt(x * x + y * y);
  const double aa = ae * rho, bb = be * z;
  const double r = std::sqrt(aa * aa + bb * bb);
  const double c0 = aa / r, s0 = bb / r, k = b2ma2 / r;
  double u = 0, v = 0, c = c0, s = s0;
  for (int pass = 0; pass < 100; ++pass) {
    const double p = c * s, q = u * u + v * v;
    const double un = k * s0 * p - 0.5 * c0 * q;
    const double vn = -k * c0 * p - 0.5 * s0 * q;
    c = c0 + un;
    s = s0 + vn;
    const double delta = std::fabs(un - u) + std::fabs(vn - v);
    u = un;
    v = vn;
    if (!(delta > 1e-4)) break;
  }
  const double phi = std::atan2(ae * s, be * c);
  return {phi * cdr, lam * cdr, (rho - ae * c) * std::cos(phi) + (z - be * s) * std::sin(phi)};
}

}  // namespace kv::ephem
