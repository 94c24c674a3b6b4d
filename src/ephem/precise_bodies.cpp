// Apparent geocentric Sun and Moon of the precise model set, and directions seen from the
// satellite.

#include <cmath>

#include "ephem/erfa_glue.hpp"
#include "ephem/precise.hpp"

namespace kv::ephem::precise {
namespace {

constexpr double kKmPerAu = ERFA_DAU / 1000;

// p rotated by the anchor's matrix (GCRS to true of date) and scaled by s.
Vec3 to_date(const Anchor& a, double p[3], double s) {
  double npb[3][3], r[3];
  glue::to_c(a.npb, npb);
  eraRxp(npb, p, r);
  return {r[0] * s, r[1] * s, r[2] * s};
}

}  // namespace

// sun_apparent -- apparent geocentric position of the Sun of date.
//
// Given:    a  anchor of the instant
// Returned: position, km, geocentric, true equator and equinox of date; its length is the
//           light-time distance
// Notes:    the Sun's barycentric position at the time of emission, t - tau with
//           tau = distance / c (the Sun moves about 13 m/s about the barycentre: 0.01 arcsec),
//           minus the Earth's barycentric position at t; then annual aberration (eraAb) and
//           bias-precession-nutation. No light deflection (the source is the deflector).
//           Accuracy: that of eraEpv00, about 0.01 arcsec and 10 km.
// Reference: eraEpv00, eraAb (IAU SOFA); Explanatory Supplement to the Astronomical Almanac
//           (3rd ed., 2013), section 7.2.
Vec3 sun_apparent(const Anchor& a) {
  const double tau = a.em * ERFA_AULT / ERFA_DAYSEC;  // light time, days
  double p[3];
  for (std::size_t i = 0; i < 3; ++i) p[i] = -a.ph[i] - (a.vb[i] - a.vh[i]) * tau;
  double d = 0, u[3], w[3];
  eraPn(p, &d, u);
  double v[3] = {a.v[0], a.v[1], a.v[2]};
  eraAb(u, v, a.em, a.bm1, w);
  return to_date(a, w, d * kKmPerAu);
}

// moon_apparent -- apparent geocentric position of the Moon of date.
//
// Given:    a  anchor of the instant, or of an instant within an hour of t; t  time arguments
//              (the anchor's own when not given)
// Returned: position, km, geocentric, true equator and equinox of date
// Notes:    eraMoon98 (Meeus' abridged ELP2000-82: about 10 arcsec in longitude, 4 arcsec in
//           latitude) gives the geometric GCRS position and velocity; the position is moved
//           back by the light time (1.3 s, 0.7 arcsec) with the geocentric velocity. No annual
//           aberration: for a body moving with the Earth it cancels, to first order, against
//           the Earth's own motion during the light time (both about 20 arcsec), so the
//           geocentric light-time position is the apparent one.
//           With an anchor other than t's, its matrix stands for t's: the matrix turns by less
//           than 0.02 arcsec per hour (precession and the 13.7-day nutation terms).
// Reference: eraMoon98 (IAU SOFA); Meeus, Astronomical Algorithms (2nd ed., 1998), ch. 47.
Vec3 moon_apparent(const Anchor& a) { return moon_apparent(a, a.t); }

Vec3 moon_apparent(const Anchor& a, const TimeArgs& t) {
  double pv[2][3];
  eraMoon98(t.tt1, t.tt2, pv);
  const double tau = std::sqrt(eraPdp(pv[0], pv[0])) * ERFA_AULT / ERFA_DAYSEC;  // days
  double p[3];
  for (int i = 0; i < 3; ++i) p[i] = pv[0][i] - pv[1][i] * tau;
  return to_date(a, p, kKmPerAu);
}

// seen_from -- unit vector from the satellite to a body.
//
// Given:    body  geocentric position, km; st  satellite state (position used, km), the same
//           frame
// Returned: unit vector of body - satellite, same frame
// Notes:    the parallax from a 7000 km orbit reaches 1 degree for the Moon and 9 arcsec for
//           the Sun.
Vec3 seen_from(const Vec3& body, const State& st) {
  double d[3] = {body[0] - st[0], body[1] - st[1], body[2] - st[2]};
  double r = 0, u[3];
  eraPn(d, &r, u);
  return glue::from_c(u);
}

}  // namespace kv::ephem::precise
