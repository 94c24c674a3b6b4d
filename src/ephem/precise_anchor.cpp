// The per-instant part of the precise model set: precession-nutation and the Earth's motion.

#include <cmath>

#include "ephem/erfa_glue.hpp"
#include "ephem/precise.hpp"

namespace kv::ephem::precise {

// anchor -- slowly varying quantities of one instant, shared by every apparent place, the
// Sun, the Moon and sidereal time.
//
// Given:    t  time arguments (TT used as TDB for the Earth ephemeris: |TDB - TT| < 2 ms)
// Returned: npb  GCRS to true equator and equinox of date, IAU 2006/2000A with frame bias
//                (eraPnm06a);
//           eo   equation of the origins (ERA - GAST), radians, from npb and the CIO locator s
//                (eraS06, eraEors), as eraGst06 forms it;
//           ph, vh, vb  Earth heliocentric position (au), heliocentric and barycentric
//                velocity (au/day), BCRS axes (eraEpv00);
//           eh, em  unit vector Sun to Earth and its distance (au); v, bm1  Earth barycentric
//                velocity in units of c and sqrt(1 - |v|^2), as eraAb takes them.
// Notes:    the cost is that of eraPnm06a (the 1365-term nutation series). The quantities
//           change slowly (nutation's shortest important period is 13.7 days, the Earth's
//           velocity turns by 1 degree a day), so one anchor can serve many samples.
//           eraEpv00 errors: Earth heliocentric position about 5 km (0.007 arcsec at the Sun),
//           velocity about 1 mm/s, 1900-2100.
// Reference: eraPnm06a, eraS06, eraEors, eraEpv00 (IAU SOFA); IERS Conventions (2010), ch. 5.
Anchor anchor(const TimeArgs& t) {
  Anchor a{};
  a.t = t;
  double npb[3][3];
  eraPnm06a(t.tt1, t.tt2, npb);
  a.npb = glue::from_c(npb);
  double x = 0, y = 0;
  eraBpn2xy(npb, &x, &y);
  a.eo = eraEors(npb, eraS06(t.tt1, t.tt2, x, y));

  double pvh[2][3], pvb[2][3];
  eraEpv00(t.tt1, t.tt2, pvh, pvb);
  a.ph = glue::from_c(pvh[0]);
  a.vh = glue::from_c(pvh[1]);
  a.vb = glue::from_c(pvb[1]);
  double eh[3], v[3];
  eraPn(pvh[0], &a.em, eh);
  a.eh = glue::from_c(eh);
  double v2 = 0;
  for (int i = 0; i < 3; ++i) {
    v[i] = pvb[1][i] * ERFA_AULT / ERFA_DAYSEC;
    v2 += v[i] * v[i];
  }
  a.v = glue::from_c(v);
  a.bm1 = std::sqrt(1 - v2);
  return a;
}

}  // namespace kv::ephem::precise
