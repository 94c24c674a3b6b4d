// Apparent places of sources in the precise model set.

#include "ephem/erfa_glue.hpp"
#include "ephem/precise.hpp"

namespace kv::ephem::precise {

// icrs_unit -- unit vector of a right ascension and declination.
//
// Given:    ra_deg, dec_deg  right ascension and declination, degrees, ICRS (J2000.0)
// Returned: unit vector, ICRS axes
Vec3 icrs_unit(double ra_deg, double dec_deg) {
  double c[3];
  eraS2c(ra_deg * ERFA_DD2R, dec_deg * ERFA_DD2R, c);
  return glue::from_c(c);
}

// apparent_place -- apparent geocentric direction of date of a source at infinity.
//
// Given:    a  anchor of the instant; icrs  unit vector of the source, ICRS axes (catalogue
//              place at the instant: proper motion, if any, applied by the caller)
// Returned: unit vector, true equator and equinox of date, geocentric
// Notes:    in order: light deflection by the Sun (eraLdsun: 1.75 arcsec at the limb, 4 mas at
//           90 degrees from the Sun), annual aberration with the Earth's barycentric velocity
//           (eraAb, relativistic, up to 20.5 arcsec), then bias-precession-nutation (npb).
//           This is eraAtciq with the equinox-based matrix in place of the CIO-based one.
//           No parallax. The observer is the geocentre: the satellite's own orbital velocity
//           (up to 7.8 km/s) would add up to 5.4 arcsec of diurnal-like aberration.
// Reference: eraLdsun, eraAb, eraAtciq (IAU SOFA); Klioner, AJ 125, 1580 (2003).
Vec3 apparent_place(const Anchor& a, const Vec3& icrs) {
  double p[3] = {icrs[0], icrs[1], icrs[2]};
  double eh[3] = {a.eh[0], a.eh[1], a.eh[2]};
  double v[3] = {a.v[0], a.v[1], a.v[2]};
  double npb[3][3], p1[3], p2[3], r[3];
  glue::to_c(a.npb, npb);
  eraLdsun(p, eh, a.em, p1);
  eraAb(p1, v, a.em, a.bm1, p2);
  eraRxp(npb, p2, r);
  return glue::from_c(r);
}

}  // namespace kv::ephem::precise
