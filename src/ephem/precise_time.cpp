// Time arguments and Greenwich apparent sidereal time of the precise model set.

#include <cassert>
#include <cmath>

#include "ephem/erfa_glue.hpp"
#include "ephem/precise.hpp"

namespace kv::ephem::precise {

// time_args -- TT and UTC two-part Julian dates of a 1900 day count.
//
// Given:    x  days since 1900 Jan 1, 0h UTC (JD 2415020.5), days of 86400 s
// Returned: utc1 + utc2  UTC Julian date (utc1 = JD 2415020.5 + whole days of x), also used
//           as UT1; tt1 + tt2  TT Julian date (tt1 = utc1)
// Notes:    TT = UTC + (TAI - UTC) + 32.184 s, TAI - UTC from ERFA's leap-second table
//           (eraDat) at the UTC date of x. After the table's last leap second (2017 Jan 1) the
//           last value, 37 s, is kept: future leap seconds cannot be known. eraDat's
//           "dubious year" status for such dates is therefore ignored.
//           The day count has no 23:59:60, so TT jumps by 1 s at a leap second.
//           UT1 = UTC: |UT1 - UTC| < 0.9 s, i.e. at most 13.5 arcseconds of Earth rotation.
//           Dates before 1960 (no UTC) are outside the domain.
// Reference: eraDat (IAU SOFA iauDat); IERS Conventions (2010), section 1.2.
TimeArgs time_args(double x) {
  TimeArgs t{};
  const double whole = std::floor(x);
  t.utc1 = 2415020.5 + whole;
  t.utc2 = x - whole;
  int iy = 0, im = 0, id = 0;
  double fd = 0, dat = 0;
  [[maybe_unused]] const int cal = eraJd2cal(t.utc1, t.utc2, &iy, &im, &id, &fd);
  assert(cal == 0);
  [[maybe_unused]] const int status = eraDat(iy, im, id, fd, &dat);
  assert(status >= 0);
  t.tt1 = t.utc1;
  t.tt2 = t.utc2 + (dat + 32.184) / ERFA_DAYSEC;
  return t;
}

// gast -- Greenwich apparent sidereal time, IAU 2006/2000A.
//
// Given:    t  time arguments (UTC used as UT1)
// Returned: radians, [0, 2pi)
// Notes:    complete evaluation (precession-nutation at t): eraGst06a. The error of UT1 = UTC
//           (up to 13.5 arcseconds) dominates.
// Reference: eraGst06a; Wallace & Capitaine, A&A 459, 981 (2006).
double gast(const TimeArgs& t) { return eraGst06a(t.utc1, t.utc2, t.tt1, t.tt2); }

// gast -- Greenwich apparent sidereal time from an anchor's equation of the origins.
//
// Given:    a  anchor within an hour of t; t  time arguments (UTC used as UT1)
// Returned: radians, [0, 2pi): ERA(t) - EO(anchor)
// Notes:    the Earth rotation angle is evaluated at t; only the equation of the origins is
//           taken from the anchor. It changes by less than 0.33 arcsec per day (precession in
//           right ascension, 0.126 arcsec per day, plus the rates of the equation of the
//           equinoxes' terms), so an anchor 5 minutes away costs under 0.0012 arcsec, one hour
//           away under 0.014 arcsec.
// Reference: eraEra00, eraGst06 (IAU 2000 Earth rotation angle, IAU 2006 equation of origins).
double gast(const Anchor& a, const TimeArgs& t) { return eraAnp(eraEra00(t.utc1, t.utc2) - a.eo); }

}  // namespace kv::ephem::precise
