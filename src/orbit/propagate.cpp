// J2 secular propagation of mean elements and the state vector at an orbit time.
#include <cmath>

#include "orbit/orbit.hpp"

namespace kv::orbit {

// rates -- secular rates of perigee, node and mean anomaly under J2 (Kozai 1959).
//
// Given:    a (km), e, i (degrees) of the mean element set
// Returned: rates in rad/s
Rates rates(double a, double e, double i_deg) {
  const double inc = i_deg * cnr;
  const double nk = std::sqrt(amu / (a * a * a));
  const double p = a * (1 - e * e);
  const double rp = re_earth / p;
  const double m = ej2 * (rp * rp);
  const double si = std::sin(inc);
  const double s2 = si * si;
  const double eta = std::sqrt(1 - e * e);
  Rates r{};
  r.amdotr = nk * (1 + 1.5 * m * eta * (1 - 1.5 * s2));
  r.swdotr = 0.75 * r.amdotr * m * (4 - 5 * s2);
  r.cwdotr = -1.5 * r.amdotr * m * std::cos(inc);
  return r;
}

// kepstv -- Keplerian elements to position and velocity.
//
// Given:    mu (km^3/s^2); elem: a (km), e, i, w, node, M (degrees)
// Returned: state (km, km/s) in the frame of the elements
State kepstv(double mu, const Elements& elem) {
  constexpr double rad = deg_j2;
  const double a = elem[0], e = elem[1];
  const double inc = elem[2] * rad, w = elem[3] * rad, node = elem[4] * rad, m = elem[5] * rad;
  const double n = std::sqrt(mu / a) / a;
  const double eta = std::sqrt(1 - e * e);
  const double cw = std::cos(w), sw = std::sin(w), co = std::cos(node), so = std::sin(node);
  const double ci = std::cos(inc), si = std::sin(inc);
  const Vec3 pv{cw * co - sw * so * ci, sw * co * ci + cw * so, sw * si};
  const Vec3 qv{-(cw * so * ci + sw * co), cw * co * ci - sw * so, cw * si};
  const double ea = solkep(e, m);
  const double ce = std::cos(ea), se = std::sin(ea);
  const double vf = a * n / (1 - e * ce);
  State st{};
  for (int k = 0; k < 3; ++k) {
    st[k] = a * (ce - e) * pv[k] + a * eta * se * qv[k];
    st[k + 3] = vf * (-se * pv[k] + eta * ce * qv[k]);
  }
  return st;
}

// orbpropj2 -- state at dt seconds from the orbit-file epoch (J2 secular drift of the
// mean elements, short-period terms restored by meanosc).
State orbpropj2(const MeanOrbit& orb, double dt, Elements* mean_out) {
  Elements mean = orb.eleinr;
  mean[3] = orb.eleinr[3] + orb.rates.swdotr * dt;
  mean[4] = orb.eleinr[4] + orb.rates.cwdotr * dt;
  mean[5] = orb.eleinr[5] + orb.rates.amdotr * dt;
  for (int k = 3; k < 6; ++k) {
    mean[k] = std::fmod(mean[k], tpi);
    if (mean[k] < 0) mean[k] += tpi;
  }
  Elements work = mean;
  for (int k = 2; k < 6; ++k) work[k] *= cdr;
  if (mean_out) *mean_out = mean;
  return kepstv(amu, meanosc(work, orb.terms));
}

MeanOrbit mean_orbit(const Elements& qm) {
  MeanOrbit m;
  m.eleinr = qm;
  for (int k = 2; k < 6; ++k) m.eleinr[k] *= cnr;
  m.rates = rates(qm[0], qm[1], qm[2]);
  // The propagation hands meanosc degrees (radians times cdr), which it turns back to radians.
  const double e = m.eleinr[1] == 0 ? e_zero : m.eleinr[1];
  m.terms = short_period_terms(m.eleinr[0], e, m.eleinr[2] * cdr * cnr);
  return m;
}

State stvsel(const MeanOrbit& orb, double t) { return orbpropj2(orb, t); }

}  // namespace kv::orbit
