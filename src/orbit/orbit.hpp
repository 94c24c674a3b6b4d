// Orbit model: osculating and mean elements under J2, secular propagation, state vectors.
//
//   meaneq     Keplerian elements to the non-singular set (a, e cos w, i, e sin w, node, M + w)
//   eqckep     non-singular set back to Keplerian elements
//   sppmel     first-order J2 short-period corrections
//   meanosc    mean elements to osculating elements (degrees)
//   oscmean    osculating elements to mean elements by fixed-point iteration (degrees)
//   rates      J2 secular rates of perigee, node and mean anomaly
//   kepstv     Keplerian elements (degrees) to a state vector
//   orbpropj2  mean elements drifted by dt, then osculating elements, then state vector
//   mean_orbit mean elements in radians with their secular rates, set up once per run
//   stvsel     state vector at an orbit time (seconds since the orbit-file epoch)
//
// Two-line element sets and SGP4 (TEME states): orbit/tle.hpp, orbit/sgp4.hpp.
#pragma once

#include "common/kepler.hpp"
#include "common/types.hpp"

namespace kv::orbit {

constexpr double j2_short = 0.001082627;  // J2 of the short-period terms
constexpr double e_zero = 1e-7;           // replacement for an eccentricity of exactly 0

Elements meaneq(const Elements& kep);
Elements eqckep(const Elements& ns);
// Terms of the short-period corrections that depend only on a, e and i, which the secular
// propagation keeps constant: computed once per run for the propagation.
struct ShortPeriodTerms {
  double tan_half_factor;  // sqrt((1 + e) / (1 - e))
  double e2, eta, eta3, si, s2, q, y, ra, sin2i, cosi;
};
ShortPeriodTerms short_period_terms(double a, double e, double inc);
Elements sppmel(const Elements& kep);
Elements sppmel(const Elements& kep, const ShortPeriodTerms& k);
Elements meanosc(const Elements& mean);
// meanosc for a mean set whose a, e and i gave `terms`.
Elements meanosc(const Elements& mean, const ShortPeriodTerms& terms);
Elements oscmean(const Elements& osc);

struct Rates {
  double swdotr;  // argument of perigee, rad/s
  double cwdotr;  // right ascension of the ascending node, rad/s
  double amdotr;  // perturbed mean motion, rad/s
};
Rates rates(double a, double e, double i_deg);

// Mean elements at the orbit-file epoch (radians for indices 2-5), their secular rates and
// the short-period terms of their a, e and i.
struct MeanOrbit {
  Elements eleinr{};
  Rates rates{};
  ShortPeriodTerms terms{};
};
// The propagation set of mean elements qm (degrees): angles to radians, rates, terms.
MeanOrbit mean_orbit(const Elements& qm);

State kepstv(double mu, const Elements& elem_deg);
// State at dt seconds from the epoch; the drifted mean elements (radians) go to *mean if given.
State orbpropj2(const MeanOrbit& orb, double dt, Elements* mean = nullptr);
State stvsel(const MeanOrbit& orb, double t);

}  // namespace kv::orbit
