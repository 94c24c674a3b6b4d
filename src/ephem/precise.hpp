// The precise model set: time scales, apparent places, Sun, Moon and Earth rotation from ERFA
// (IAU 2006/2000A precession-nutation, JPL-fitted Earth ephemeris, Meeus' lunar theory). Every
// vector is in the true equator and equinox of date, geocentric, unless it says otherwise.
//
//   time_args       TT and UTC (= UT1) two-part Julian dates of a 1900 day count
//   anchor          the slowly varying quantities of one instant (matrix, Earth's motion)
//   icrs_unit       unit vector of an ICRS right ascension and declination
//   apparent_place  ICRS direction to the apparent direction of date
//   sun_apparent    apparent geocentric Sun of date, km
//   moon_apparent   apparent geocentric Moon of date, km
//   seen_from       unit vector from a satellite to a body
//   gast            Greenwich apparent sidereal time (UTC used as UT1)
//
// Typical use, at each anchor time of a grid (days since 1900 Jan 1, 0h UTC):
//   const Anchor a = anchor(time_args(x));
//   Vec3 src = apparent_place(a, icrs_unit(ra_deg, dec_deg));     // one per source
//   Vec3 sun = sun_apparent(a), moon = moon_apparent(a);          // km, geocentric
//   Vec3 u = seen_from(sun, state);                              // from the satellite
// and at any time t within an hour of the anchor: gast(a, time_args(t)) and, where the Moon is
// wanted more often than the anchors come, moon_apparent(a, time_args(t)).
#pragma once

#include "common/types.hpp"

namespace kv::ephem::precise {

// Time arguments of one instant, two-part Julian dates (the sum is the date; the split is
// chosen for precision, the first part a whole or half day). UT1 is taken as UTC: no
// Earth-orientation data are used, so the Earth's rotation angle errs by |UT1 - UTC| < 0.9 s,
// at most 13.5 arcseconds.
struct TimeArgs {
  double utc1, utc2;  // UTC, also used as UT1
  double tt1, tt2;    // Terrestrial Time
};
// x: days since 1900 Jan 1, 0h UTC (86400 s days, no leap seconds within the count).
TimeArgs time_args(double x);

// Rotation matrix, applied to column vectors: v_date = m * v.
using Mat3 = std::array<Vec3, 3>;

// What varies slowly with time, computed once per instant and shared by every source and by
// the Sun, the Moon and sidereal time.
struct Anchor {
  TimeArgs t;
  Mat3 npb;    // GCRS to true equator and equinox of date (bias, precession, nutation)
  double eo;   // equation of the origins, radians (ERA - GAST)
  Vec3 ph;     // Earth heliocentric position, au, BCRS axes
  Vec3 vh;     // Earth heliocentric velocity, au/day, BCRS axes
  Vec3 vb;     // Earth barycentric velocity, au/day, BCRS axes
  Vec3 eh;     // unit vector Sun to Earth, BCRS axes
  double em;   // Sun-Earth distance, au
  Vec3 v;      // Earth barycentric velocity in units of c
  double bm1;  // sqrt(1 - |v|^2), the reciprocal Lorentz factor
};
Anchor anchor(const TimeArgs& t);

// Unit vector, ICRS axes, of a right ascension and declination in degrees.
Vec3 icrs_unit(double ra_deg, double dec_deg);
// Apparent geocentric direction of date (unit vector) of a star-like source at infinity.
Vec3 apparent_place(const Anchor& a, const Vec3& icrs);

// Apparent geocentric positions of date, km: at the anchor's instant, or (Moon) at t with the
// matrix of an anchor within an hour of t.
Vec3 sun_apparent(const Anchor& a);
Vec3 moon_apparent(const Anchor& a);
Vec3 moon_apparent(const Anchor& a, const TimeArgs& t);

// Unit vector from the satellite (position of st, km) to the body at body (km), both
// geocentric and in the same frame.
Vec3 seen_from(const Vec3& body, const State& st);

// Greenwich apparent sidereal time, radians, [0, 2pi): complete (IAU 2006/2000A) at t, or
// from the equation of the origins of an anchor within an hour of t.
double gast(const TimeArgs& t);
double gast(const Anchor& a, const TimeArgs& t);

}  // namespace kv::ephem::precise
