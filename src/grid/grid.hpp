// Sample grids: the grid times of the scans and, at each, the quantities more than one
// detector reads, computed once and in parallel.
//
//   ScanSetup        what every scan needs of a run, independent of the source
//   state_at         the satellite's state at an orbit time, from either orbit source
//   grid_times       start, start + step, ... by repeated addition, up to a limit
//   user_samples     the user-period grid with state vectors and Sun and Moon directions
//   equator_samples  the grid from the orbit epoch with the satellite's z coordinate
#pragma once

#include <optional>
#include <vector>

#include "common/types.hpp"
#include "ephem/ephem.hpp"
#include "orbit/orbit.hpp"
#include "orbit/sgp4.hpp"

namespace kv::grid {

// An orbit from a two-line element set: SGP4 from the set's epoch.
struct TleOrbit {
  orbit::Sgp4 sgp4;
  double offset_min = 0;  // SGP4 time (minutes since the set's epoch) at orbit time 0
};

struct ScanSetup {
  orbit::MeanOrbit orbit;       // eleinr and the secular rates (orbit file)
  std::optional<TleOrbit> tle;  // when set, the orbit instead of the orbit file's elements
  double tstreadif = 0;         // orbit time of the user start, s
  double tendinp = 0;           // orbit time of the user end, s
  double step = scan_step;
  double tstusr1900 = 0;  // orbit epoch, days since 1900 Jan 1, 0h UTC
  double epocsidang = 0;  // Greenwich sidereal angle at the orbit epoch, rad
};

// start, start + step, ... formed by repeated addition (as the scans form them), the first
// always, then every one not beyond `end`.
std::vector<double> grid_times(double start, double step, double end);

// Days since 1900 Jan 1, 0h UTC of orbit time t: the time argument of the ephemeris.
inline double ephemeris_day(const ScanSetup& s, double t) { return t / daysec + s.tstusr1900; }

// The satellite's state (km, km/s) at orbit time t, true equator and equinox of date: stvsel
// of the orbit file's elements, or SGP4's state in TEME turned about the pole by the
// equation of the equinoxes of the ephemeris (TEME shares the true equator of date; its x
// axis lies on the mean equinox projected on that equator). err: the SGP4 error code (0 for
// the orbit file's elements).
State state_at(const ScanSetup& s, double t, int& err);
inline State state_at(const ScanSetup& s, double t) {
  int err = 0;
  return state_at(s, t, err);
}

// The Sun and Moon unit vectors of date at orbit time t (surcha with nutation).
ephem::SunMoonDirections sun_moon_at(const ScanSetup& s, double t);

// Grid times apart of the Sun and Moon anchors; between anchors the directions are
// interpolated linearly in time.
constexpr std::size_t anchor_stride = 10;
// Bound on the distance between an interpolated unit vector and the exact one. The Moon's
// direction turns at most 0.23 rad/day with an acceleration below 0.08 rad/day^2 (mean
// motion and Brown's leading terms), so a chord of 600 s errs by at most 5e-7 (about what
// a month of samples shows): this bound keeps a factor of ten or more.
constexpr double interpolation_error = 1e-5;

// The user grid, from tstreadif to tendinp: state vector (stvsel) at each grid time, and
// the Sun and Moon unit vectors of date: exact (sun_moon_at) where exact[k], interpolated
// between exact anchors (within interpolation_error) elsewhere. With all_exact every grid
// time is an anchor: a saving for callers that need the exact directions at every time
// for many sources (the detectors are exact on either grid).
struct Samples {
  std::vector<double> t;
  std::vector<State> st;
  std::vector<Vec3> sun, moon;
  std::vector<char> exact;
  std::size_t size() const { return t.size(); }
};
Samples user_samples(const ScanSetup& s, int threads, bool all_exact = false);

// Bound on |dz/dt| of the satellite (km/s): the perigee speed of the mean orbit times the
// sine of its inclination, each widened far beyond the short-period variations.
double max_z_rate(const orbit::MeanOrbit& orb);
// The same for the orbit of a scan set-up (from the TLE's mean elements when it has one).
double max_z_rate(const ScanSetup& s);

// The equator-crossing grid, from the orbit epoch (orbit time 0) to tendinp, for the sign
// of the satellite's z coordinate (km) at each grid time. z is exact (stvsel) where
// exact[j], among them both sides of every change of sign and the grid times shared with
// `user` (which take its state vectors); elsewhere only its sign is known, from an exact
// value nearby and the rate bound, and z holds that value.
struct EquatorSamples {
  std::vector<double> t, z;
  std::vector<char> exact;
};
EquatorSamples equator_samples(const ScanSetup& s, const Samples& user, int threads);

}  // namespace kv::grid
