// SGP4 for near-Earth orbits (period below 225 minutes) and the TEME frame.
//
//   sgp4_elements mean elements of a parsed TLE in the units of the model
//   sgp4_init     derived constants of an element set, set up once
//   sgp4_state    position and velocity in TEME at minutes since the element-set epoch
//   sgp4_period_min  anomalistic period from the recovered (Brouwer) mean motion
//   teme_to_tod   TEME state to the true equator and equinox of date
//
// Reference: Hoots, F. R. and Roehrich, R. L., Spacetrack Report No. 3, "Models for
// Propagation of NORAD Element Sets", 1980; with the corrections of Vallado, D. A.,
// Crawford, P., Hujsak, R. and Kelso, T. S., "Revisiting Spacetrack Report #3",
// AIAA 2006-6753, 2006 (improved mode). Earth constants of WGS-72.
#pragma once

#include "common/types.hpp"

namespace kv::orbit {

struct Tle;

// WGS-72 constants of SGP4 (Revisiting Spacetrack Report #3, table of gravity models).
namespace wgs72 {
constexpr double mu = 398600.8;        // km^3/s^2
constexpr double re = 6378.135;        // equatorial radius, km
constexpr double j2 = 0.001082616;     // unitless
constexpr double j3 = -0.00000253881;  // unitless
constexpr double j4 = -0.00000165597;  // unitless
}  // namespace wgs72

// Error codes of the propagation (Revisiting Spacetrack Report #3, section on error codes).
enum Sgp4Error : int {
  sgp4_ok = 0,
  sgp4_bad_mean_ecc = 1,     // mean eccentricity >= 1 or < -0.001
  sgp4_bad_mean_motion = 2,  // mean motion <= 0
  sgp4_bad_semi_latus = 4,   // semi-latus rectum < 0
  sgp4_decayed = 6,          // radius below one Earth radius: the satellite has decayed
};

// Mean elements of an element set in the units of SGP4.
struct Sgp4Elements {
  double no_kozai;  // mean motion (Kozai), rad/min
  double ecco;      // eccentricity
  double inclo;     // inclination, rad
  double nodeo;     // right ascension of the ascending node, rad
  double argpo;     // argument of perigee, rad
  double mo;        // mean anomaly, rad
  double bstar;     // drag term B*, 1/Earth radii
};

// Elements and derived constants of one set (Earth radii, minutes, radians). Built by
// sgp4_init; read-only afterwards.
struct Sgp4 {
  Sgp4Elements el{};
  double no = 0;       // recovered (Brouwer) mean motion, rad/min
  double ao = 0;       // recovered semi-major axis, Earth radii
  bool isimp = false;  // perigee below 220 km: simplified drag terms
  double con41 = 0, x1mth2 = 0, x7thm1 = 0, cosio = 0, sinio = 0;
  double eta = 0, cc1 = 0, cc4 = 0, cc5 = 0;
  double mdot = 0, argpdot = 0, nodedot = 0, nodecf = 0;
  double omgcof = 0, xmcof = 0, xlcof = 0, aycof = 0, delmo = 0, sinmao = 0;
  double t2cof = 0, t3cof = 0, t4cof = 0, t5cof = 0, d2 = 0, d3 = 0, d4 = 0;
  int error = sgp4_ok;  // error code of the propagation to the epoch
};

// sgp4_init -- recovers the Brouwer mean motion and semi-major axis and sets up the secular,
// drag and long-period constants; propagates once to the epoch to set `error`.
//
// Given:    el  mean elements (Sgp4Elements units), period below 225 minutes
// Returned: the set-up model; error != 0 when the epoch state itself is invalid
// Notes:    a deep-space set (period >= 225 minutes) is a precondition failure; the TLE
//           parser refuses them.
Sgp4 sgp4_init(const Sgp4Elements& el);
// The mean elements of a parsed set in Sgp4Elements units, and the model set up from them.
Sgp4Elements sgp4_elements(const Tle& tle);
Sgp4 sgp4_init(const Tle& tle);

// sgp4_state -- position and velocity at tsince minutes from the epoch of the set.
//
// Given:    m       model from sgp4_init
//           tsince  minutes since the element-set epoch (either sign)
// Returned: state: x, y, z (km), vx, vy, vz (km/s) in TEME, Earth-centred;
//           error: one of Sgp4Error (0 when the state is valid)
// Notes:    with error 1, 2 or 4 the state is all zeros; with error 6 it is the computed
//           state below the Earth's surface. Either way it is not to be used.
State sgp4_state(const Sgp4& m, double tsince, int& error);

// sgp4_period_min -- anomalistic period, minutes, from the mean motion recovered from the
// Kozai mean motion of a set (the period that separates near-Earth from deep-space sets).
//
// Given:    no_kozai (rad/min), ecco, inclo (rad)
double sgp4_period_min(double no_kozai, double ecco, double inclo);

// teme_to_tod -- TEME state to the true equator and equinox of date.
//
// Given:    teme  state (km, km/s) in TEME, Earth-centred
//           eqeq  equation of the equinoxes, radians (apparent minus mean sidereal time)
// Returned: the same state in the true equator and equinox of date
// Notes:    TEME shares the true equator of date; its x axis lies at Greenwich mean
//           sidereal time from the Greenwich meridian, the true equinox at apparent
//           sidereal time, east of it by eqeq. Hence r_tod = R3(-eqeq) r_teme: the vector
//           turns by +eqeq about z. The rate of eqeq (below 1e-10 rad/s) is neglected in
//           the velocity.
// Reference: Vallado et al., AIAA 2006-6753, section on the TEME frame.
State teme_to_tod(const State& teme, double eqeq);

}  // namespace kv::orbit
