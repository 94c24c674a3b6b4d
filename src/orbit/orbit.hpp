// Orbit model: osculating and mean elements under J2, secular propagation, state vectors.
//
//   solkep     Kepler's equation E - e sin E = M by Newton's method
//   meaneq     Keplerian elements to the non-singular set (a, e cos w, i, e sin w, node, M + w)
//   eqckep     non-singular set back to Keplerian elements
//   sppmel     first-order J2 short-period corrections
//   meanosc    mean elements to osculating elements (degrees)
//   oscmean    osculating elements to mean elements by fixed-point iteration (degrees)
//   rates      J2 secular rates of perigee, node and mean anomaly
//   kepstv     Keplerian elements (degrees) to a state vector
//   orbpropj2  mean elements drifted by dt, then osculating elements, then state vector
//   stvsel     state vector at an orbit time (seconds since the orbit-file epoch)
#pragma once

#include "common/types.hpp"

namespace kv::orbit {

constexpr double j2_short = 0.001082627;   // J2 of the short-period terms
constexpr double re_orbit = 6378.1389997;  // Earth equatorial radius, km
constexpr double e_zero = 1e-7;            // replacement for an eccentricity of exactly 0

double solkep(double e, double m);
Elements meaneq(const Elements& kep);
Elements eqckep(const Elements& ns);
Elements sppmel(const Elements& kep);
Elements meanosc(const Elements& mean);
Elements oscmean(const Elements& osc);

struct Rates {
  double swdotr;  // argument of perigee, rad/s
  double cwdotr;  // right ascension of the ascending node, rad/s
  double amdotr;  // perturbed mean motion, rad/s
};
Rates rates(double a, double e, double i_deg);

// Mean elements at the orbit-file epoch (radians for indices 2-5) and their secular rates.
struct MeanOrbit {
  Elements eleinr{};
  Rates rates{};
};

State kepstv(double mu, const Elements& elem_deg);
// State at dt seconds from the epoch; the drifted mean elements (radians) go to *mean if given.
State orbpropj2(const MeanOrbit& orb, double dt, Elements* mean = nullptr);
State stvsel(const MeanOrbit& orb, double t);

}  // namespace kv::orbit
