// Sample grids: the grid times of the scans and, at each, the quantities more than one
// detector reads, computed once and in parallel.
//
//   ScanSetup        what every scan needs of a run, independent of the source
//   state_at         the satellite's state at an orbit time, from either orbit source
//   grid_times       start, start + step, ... by repeated addition, up to a limit
//   user_samples     the user-period grid with state vectors and Sun and Moon directions
//   equator_samples  the grid from the orbit epoch with the satellite's z coordinate
//   precise_table    the precise model's anchors, Sun and Moon nodes of a run
//   precise_bodies   the precise Sun and Moon (km) at any orbit time, from the table
//   precise_sidereal the precise Greenwich apparent sidereal time at an orbit time
//   directions_at    the exact Sun and Moon unit vectors of either model at a state
//   source_track     the source direction of date over the period, for either model
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "common/types.hpp"
#include "ephem/ephem.hpp"
#include "ephem/precise.hpp"
#include "orbit/orbit.hpp"
#include "orbit/sgp4.hpp"

namespace kv::grid {

// An orbit from a two-line element set: SGP4 from the set's epoch.
struct TleOrbit {
  orbit::Sgp4 sgp4;
  double offset_min = 0;  // SGP4 time (minutes since the set's epoch) at orbit time 0
};
struct PreciseTable;

struct ScanSetup {
  orbit::MeanOrbit orbit;       // eleinr and the secular rates (orbit file)
  std::optional<TleOrbit> tle;  // when set, the orbit instead of the orbit file's elements
  double tstreadif = 0;         // orbit time of the user start, s
  double tendinp = 0;           // orbit time of the user end, s
  double step = scan_step;
  double tstusr1900 = 0;  // orbit epoch, days since 1900 Jan 1, 0h UTC
  double epocsidang = 0;  // Greenwich sidereal angle at the orbit epoch, rad
  Model model = Model::classic;
  // The precise model's ephemeris of the period (precise_table); null in the classic model.
  std::shared_ptr<const PreciseTable> precise;
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
// a month of samples shows): this bound keeps a factor of ten or more. The precise model
// evaluates its Sun and Moon (km, interpolated between the table's nodes within 1 km and
// 0.03 km) at every grid time and subtracts the satellite's position there, so its grid
// directions are its exact ones; they lie within 1e-7 (0.02 arcsec) of the kernels evaluated
// at each instant (tests/grid/precise_table_test.cpp).
constexpr double interpolation_error = 1e-5;

// The user grid, from tstreadif to tendinp: state vector (stvsel) at each grid time, and
// the Sun and Moon unit vectors of date: exact (sun_moon_at) where exact[k], interpolated
// between exact anchors (within interpolation_error) elsewhere. With all_exact every grid
// time is an anchor: a saving for callers that need the exact directions at every time
// for many sources (the detectors are exact on either grid).
//
// In the precise model the Sun and Moon unit vectors run from the satellite to the bodies
// (seen_from): each grid time takes the bodies' geocentric positions from precise_bodies
// (interpolated in km between the table's nodes) minus its own satellite position, so every
// direction is the exact one of the model and the bound holds with nothing to spare; exact
// marks the same anchors as in the classic model, so that the detectors take the same
// shortcuts. sun_km holds the geocentric Sun (km) of every grid time for the conical shadow.
struct Samples {
  std::vector<double> t;
  std::vector<State> st;
  std::vector<Vec3> sun, moon;
  std::vector<Vec3> sun_km;  // precise model only
  std::vector<char> exact;
  std::size_t size() const { return t.size(); }
};
Samples user_samples(const ScanSetup& s, int threads, bool all_exact = false);

// The precise model's ephemeris of one run, computed once (precise_table) and shared by every
// source. Nodes cover the user period with a margin of a day before and two after.
//   days:  complete anchors (precession-nutation, the Earth's motion) a day apart, and the
//          apparent Sun of each (sun_apparent, km). Between days the anchors' matrix and
//          equation of the origins are interpolated linearly (nutation's shortest important
//          term, 13.7 days and 0.23 arcsec, leaves 0.006 arcsec), the Sun by cubic Lagrange
//          interpolation of four daily positions (under 0.5 km, 0.001 arcsec).
//   moon:  moon_apparent every moon_node_step with the interpolated matrix, cubic Lagrange
//          between: the Moon's fourth derivative (about 5e-17 km/s^4) leaves under 0.01 km.
// All positions geocentric, km, true equator and equinox of date.
constexpr double moon_node_step = 7200.0;  // s
struct PreciseTable {
  double tstusr1900 = 0;  // orbit epoch, days since 1900 Jan 1, 0h UTC
  double day0 = 0;        // orbit time of days[0], s
  std::vector<ephem::precise::Anchor> days;
  std::vector<Vec3> sun;   // sun_apparent of each day anchor, km
  double moon0 = 0;        // orbit time of moon[0], s
  std::vector<Vec3> moon;  // km
};
std::shared_ptr<const PreciseTable> precise_table(const ScanSetup& s, int threads);

// The precise Sun and Moon at orbit time t (s): geocentric positions, km, of date.
struct BodyPositions {
  Vec3 sun, moon;
};
BodyPositions precise_bodies(const PreciseTable& p, double t);
// The table's day anchor at orbit time t, its matrix and equation of the origins interpolated
// linearly (the Earth's motion is that of the day node before t).
ephem::precise::Anchor precise_anchor(const PreciseTable& p, double t);
// Greenwich apparent sidereal time at orbit time t, radians, [0, 2pi): the Earth rotation
// angle of t (UTC as UT1) minus the interpolated equation of the origins.
double precise_sidereal(const PreciseTable& p, double t);

// The exact Sun and Moon unit vectors of the run's model at orbit time t for the satellite
// state st: geocentric (sun_moon_at, st unused) in the classic model, from the satellite in
// the precise model.
ephem::SunMoonDirections directions_at(const ScanSetup& s, double t, const State& st);
// The geocentric Sun, km, of the precise model at orbit time t.
Vec3 precise_sun(const ScanSetup& s, double t);

// The source's unit vector of date over the period. Classic: the catalogue direction fc1 at
// every time. Precise: the apparent place (light deflection, annual aberration,
// precession-nutation) at each day anchor of the table, linearly interpolated and normalised
// between: the aberration turns by 1 degree a day, so the chord leaves under 0.001 arcsec,
// nutation's 13.7-day term 0.006 arcsec (light deflection changes faster only within a few
// degrees of the Sun, where no source is in view).
struct SourceTrack {
  Vec3 fixed{};
  double t0 = 0, dt = daysec;  // orbit time of nodes[0] and spacing, s
  std::vector<Vec3> nodes;     // empty in the classic model
  SourceTrack() = default;
  SourceTrack(const Vec3& f) : fixed(f) {}  // NOLINT(google-explicit-constructor): fc1 as a track
  Vec3 at(double t) const {
    if (nodes.empty()) return fixed;
    return interpolate(t);
  }

 private:
  Vec3 interpolate(double t) const;
};
SourceTrack source_track(const ScanSetup& s, const Vec3& fc1, double ra_deg, double dec_deg);

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
