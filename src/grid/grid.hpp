// Sample grids: the grid times of the scans and, at each, the quantities more than one
// detector reads, computed once and in parallel.
//
//   ScanSetup        what every scan needs of a run, independent of the source
//   grid_times       start, start + step, ... by repeated addition, up to a limit
//   user_samples     the user-period grid with state vectors and Sun and Moon directions
//   equator_samples  the grid from the orbit epoch with the satellite's z coordinate
#pragma once

#include <vector>

#include "common/types.hpp"
#include "orbit/orbit.hpp"

namespace kv::grid {

struct ScanSetup {
  orbit::MeanOrbit orbit;  // eleinr and the secular rates
  double tstreadif = 0;    // orbit time of the user start, s
  double tendinp = 0;      // orbit time of the user end, s
  double step = scan_step;
  double tstusr1900 = 0;  // orbit epoch, days since 1900 Jan 1, 0h UTC
  double epocsidang = 0;  // Greenwich sidereal angle at the orbit epoch, rad
};

// start, start + step, ... formed by repeated addition (as the scans form them), the first
// always, then every one not beyond `end`.
std::vector<double> grid_times(double start, double step, double end);

// Days since 1900 Jan 1, 0h UTC of orbit time t: the time argument of the ephemeris.
inline double ephemeris_day(const ScanSetup& s, double t) { return t / daysec + s.tstusr1900; }

// The user grid, from tstreadif to tendinp: state vector (stvsel) and the Sun and Moon unit
// vectors of date (surcha with nutation) at each grid time.
struct Samples {
  std::vector<double> t;
  std::vector<State> st;
  std::vector<Vec3> sun, moon;
  std::size_t size() const { return t.size(); }
};
Samples user_samples(const ScanSetup& s, int threads);

// The equator-crossing grid, from the orbit epoch (orbit time 0) to tendinp: the z
// coordinate of the satellite (km). Grid times shared with `user` take its state vectors.
struct EquatorSamples {
  std::vector<double> t, z;
};
EquatorSamples equator_samples(const ScanSetup& s, const Samples& user, int threads);

}  // namespace kv::grid
