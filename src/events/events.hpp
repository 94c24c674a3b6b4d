// Orbital event detectors: each reads a sample grid, refines the sign changes of its event
// function between grid times, and returns a table. They write nothing.
//
//   sign_scan  common scan of an event function with refined sign changes
//   s0032      (s0032.hpp) the refinement: one sign change within a step, by false position
//   geteqcr    ascending and descending nodes from the orbit epoch; orbit-number table
//   getorbnum  orbit number of an orbit time
//   shadow     cylindrical-shadow function (>= 0: in shadow)
//   umbra      conical umbra function of the precise model (>= 0: Sun wholly hidden)
//   penumbra   conical penumbra function of the precise model (>= 0: Sun at least partly hidden)
//   geteclp    eclipse table of the user period (umbra in the precise model)
//   conical_shadow  umbra or penumbra table of the user period (precise model)
//   in_saa     whether a geodetic point lies in the South Atlantic Anomaly region
//   getsaa     SAA passages of the user period (grid times, not refined)
//   occultation  Earth-occultation function (>= 0: source hidden)
//   getoccult  occultation table of the user period
#pragma once

#include <vector>

#include "common/tables.hpp"
#include "grid/grid.hpp"

namespace kv::events {

struct SignScan {
  EventTable on;             // intervals where the function is >= 0
  bool on_at_start = false;  // the first interval began at the scan start (not refined)
};

// Scans the function values at the grid times (times[0], times[1], ...: the grid of a
// scan, holding every grid time up to skip_beyond). A grid time beyond `skip_beyond` ends
// the scan unexamined; the scan also ends after examining a grid time at or beyond `last`.
// Each change of sign is refined by s0032 on fn (the function at any orbit time) over the
// step before it, the changes in parallel; an interval still open at the end is closed at
// `end`.
template <typename Fn>
SignScan sign_scan(const std::vector<double>& times, const std::vector<double>& values, Fn&& fn,
                   double step, double skip_beyond, double last, double end, int threads);

// Northern half-orbits from the orbit epoch to the user end, numbered from iorb.
OrbitTable geteqcr(const grid::ScanSetup& s, const grid::EquatorSamples& g, int iorb, int threads);
int getorbnum(const OrbitTable& o, int iorb, double t);

// Cosine of the Sun-nadir angle minus that of the Earth's angular radius, negated.
double shadow(const State& st, const Vec3& sun);
// Conical shadow functions, radians: st (km) and sun (geocentric position, km) in one frame.
double umbra(const State& st, const Vec3& sun);
double penumbra(const State& st, const Vec3& sun);
double feclp(const grid::ScanSetup& s, double t);
EventTable geteclp(const grid::ScanSetup& s, const grid::Samples& g, int threads);
// The intervals where fn (umbra or penumbra) is >= 0, on the precise samples (sun_km), with
// the ends of geteclp.
EventTable conical_shadow(const grid::ScanSetup& s, const grid::Samples& g,
                          double (*fn)(const State&, const Vec3&), int threads);

bool in_saa(double lat, double lon);
EventTable getsaa(const grid::ScanSetup& s, const grid::Samples& g, int threads);

// The source-independent part of the occultation function at a state: the nadir unit
// vector u (negated) and the cosine c of the occultation cone's half-angle.
struct OccultationParts {
  Vec3 u;
  double c;
};
OccultationParts occultation_parts(const State& st, double thetainp);
// The occultation function of source fc1 (unit vector) from its parts; thetainp: margin
// above the Earth's limb, degrees.
double occultation(const OccultationParts& p, const Vec3& fc1);
double occultation(const State& st, const Vec3& fc1, double thetainp);
// The parts at every grid time, shared by the sources of a catalogue.
std::vector<OccultationParts> occultation_geometry(const grid::Samples& g, double thetainp,
                                                   int threads);
// geometry: the parts at the grid times when already computed (else nullptr).
// src: the source's direction (fc1 in the classic model) at every time.
EventTable getoccult(const grid::ScanSetup& s, const grid::Samples& g, const grid::SourceTrack& src,
                     double thetainp, int threads,
                     const std::vector<OccultationParts>* geometry = nullptr);

}  // namespace kv::events

#include "events/sign_scan.ipp"
