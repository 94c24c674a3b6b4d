// Osculating <-> mean elements with the first-order J2 short-period terms (Kozai 1959,
// Brouwer 1959), written in the true anomaly and added in a non-singular element set.
#include <cmath>

#include "orbit/orbit.hpp"

namespace kv::orbit {
namespace {

// Floating remainder by tpi, brought into [0, tpi).
double reduce(double x) {
  double r = std::fmod(x, tpi);
  if (r < 0) r += tpi;
  return r;
}

// Non-singular correction D of an element set x (radians) from its short-period terms.
Elements nonsingular_correction(const Elements& x, const ShortPeriodTerms& terms) {
  const Elements ns = meaneq(x);
  const Elements c = sppmel(x, terms);
  const double k = ns[1];
  const double h = ns[3];
  const double t = c[1] / x[1];
  return {c[0], k * t - h * c[3], c[2], k * c[3] + h * t, c[4], c[5] + c[3]};
}

// Copies an element set in degrees to radians; a zero eccentricity becomes 1e-7.
Elements to_radians(const Elements& deg) {
  Elements x = deg;
  for (int k = 2; k < 6; ++k) x[k] *= cnr;
  if (x[1] == 0) x[1] = e_zero;
  return x;
}

// Reduces indices 2-5 to [0, tpi) and converts them to degrees.
Elements to_degrees(Elements x) {
  for (int k = 2; k < 6; ++k) x[k] = reduce(x[k]) * cdr;
  return x;
}

}  // namespace

Elements meaneq(const Elements& kep) {
  return {kep[0],         kep[1] * std::cos(kep[3]), kep[2], kep[1] * std::sin(kep[3]), kep[4],
          kep[5] + kep[3]};
}

Elements eqckep(const Elements& ns) {
  const double e = std::sqrt(ns[1] * ns[1] + ns[3] * ns[3]);
  const double w = std::atan2(ns[3], ns[1]);
  return {ns[0], e, ns[2], w, ns[4], ns[5] - w};
}

// sppmel -- first-order short-period corrections due to J2.
//
// Given:    kep  a (km), e, i, w, node (unused), M (radians)
// Returned: da (km), de, di, dw, dnode, dM (radians)
// Notes:    the truncated decimals are kept as written; the equation of the centre
//           Phi = f - M + e sin f is brought into [-pi, pi] (f is reduced, M is not).
ShortPeriodTerms short_period_terms(double a, double e, double inc) {
  ShortPeriodTerms k{};
  k.tan_half_factor = std::sqrt((1 + e) / (1 - e));
  k.e2 = e * e;
  k.eta = std::sqrt(1 - k.e2);
  k.eta3 = k.eta * k.eta * k.eta;
  const double p = a * (1 - k.e2);
  k.si = std::sin(inc);
  k.s2 = k.si * k.si;
  k.q = 1 - 1.5 * k.s2;
  const double rp = re_earth / p;
  k.y = j2_short * (rp * rp);
  k.ra = re_earth / a;
  k.sin2i = std::sin(2 * inc);
  k.cosi = std::cos(inc);
  return k;
}

Elements sppmel(const Elements& kep) {
  return sppmel(kep, short_period_terms(kep[0], kep[1], kep[2]));
}

Elements sppmel(const Elements& kep, const ShortPeriodTerms& k) {
  const double a = kep[0], e = kep[1], w = kep[3], m = kep[5];
  const double ea = reduce(solkep(e, m));
  const double f = reduce(2 * std::atan(k.tan_half_factor * std::tan(ea / 2)));

  const double e2 = k.e2, eta = k.eta, eta3 = k.eta3, s2 = k.s2, q = k.q, y = k.y, ra = k.ra;
  const double aor = (1 + e * std::cos(f)) / (1 - e2);
  double phi = f - m + e * std::sin(f);
  // note: a carried anomaly outside [0, 2pi) would add a whole turn to this small angle.
  // An anomaly of many turns (never carried by the iteration) is first cut by the remainder,
  // so that the loops below end after at most one pass.
  if (std::fabs(phi) > 2 * tpi) phi = std::fmod(phi, tpi);
  while (phi > tpi / 2) phi -= tpi;
  while (phi < -tpi / 2) phi += tpi;

  auto c = [&](int n) { return std::cos(2 * w + n * f); };
  auto s = [&](int n) { return std::sin(2 * w + n * f); };

  Elements d{};
  d[0] = a * j2_short * (ra * ra) * ((q + 1.5 * s2 * c(2)) * (aor * aor * aor) - q / eta3);
  d[1] = 0.5 * y * q *
             ((1 + 1.5 * e2 - eta3) / e + 3 * (1 + 0.25 * e2) * std::cos(f) +
              1.5 * e * std::cos(2 * f) + 0.25 * e2 * std::cos(3 * f)) +
         0.375 * y * s2 *
             ((1 + 2.75 * e2) * c(1) + 0.25 * e2 * c(-1) + 5 * e * c(2) +
              (2.333333333333 + 1.4166666666666 * e2) * c(3) + 1.5 * e * c(4) + 0.25 * e2 * c(5) +
              1.5 * e * std::cos(2 * w));
  d[2] = 0.375 * y * k.sin2i * (c(2) + e * c(1) + 0.33333333333333 * e * c(3));
  d[3] = 0.75 * y * (4 - 5 * s2) * phi +
         1.5 * y * q *
             ((1 - 0.25 * e2) * std::sin(f) / e + 0.5 * std::sin(2 * f) +
              0.08333333333333 * e * std::sin(3 * f)) -
         1.5 * y *
             ((0.25 * s2 + 0.5 * e2 * (1 - 1.875 * s2)) * s(1) / e + 0.5 * (1 - 2.5 * s2) * s(2) +
              0.0625 * e * s2 * s(-1) -
              (0.583333333333 * s2 - 0.1666666666666 * e2 * (1 - 2.375 * s2)) * s(3) / e -
              0.375 * s2 * s(4) - 0.0625 * e * s2 * s(5)) -
         0.5625 * y * s2 * std::sin(2 * w);
  d[4] = -1.5 * y * k.cosi * (phi - 0.5 * e * s(1) - 0.5 * s(2) - (1.0 / 6.0) * e * s(3));
  d[5] = 0.5625 * y * eta * s2 * std::sin(2 * w) -
         1.5 * y * (eta / e) *
             (q * ((1 - 0.25 * e2) * std::sin(f) + 0.5 * e * std::sin(2 * f) +
                   0.08333333333333 * e2 * std::sin(3 * f)) +
              0.5 * s2 *
                  (-0.5 * (1 + 1.25 * e2) * s(1) - 0.125 * e2 * s(-1) +
                   1.1666666666666 * (1 - 0.0357142857142 * e2) * s(3) + 0.75 * e * s(4) +
                   0.125 * e2 * s(5)));
  return d;
}

// meanosc -- mean elements (degrees) to osculating elements (degrees), angles in [0, 360).
Elements meanosc(const Elements& mean) {
  const Elements x = to_radians(mean);
  return meanosc(mean, short_period_terms(x[0], x[1], x[2]));
}

Elements meanosc(const Elements& mean, const ShortPeriodTerms& terms) {
  const Elements x = to_radians(mean);
  const Elements ns = meaneq(x);
  const Elements d = nonsingular_correction(x, terms);
  Elements sum{};
  for (int k = 0; k < 6; ++k) sum[k] = ns[k] + d[k];
  return to_degrees(eqckep(sum));
}

// oscmean -- osculating elements (degrees) to mean elements (degrees), angles in [0, 360).
//
// Notes: fixed-point iteration X <- eqckep(T - D(X)) with T the osculating non-singular set;
//        stops when all six changes are below their tolerances, after 11 passes at most.
//        The estimate is carried between passes without reduction.
Elements oscmean(const Elements& osc) {
  constexpr double tol[6] = {1e-6, 1e-7, 1e-21, 1e-5, 1e-21, 1e-5};
  Elements x = to_radians(osc);
  const Elements target = meaneq(x);
  Elements r{};
  for (int j = 1;; ++j) {
    const Elements d = nonsingular_correction(x, short_period_terms(x[0], x[1], x[2]));
    Elements diff{};
    for (int k = 0; k < 6; ++k) diff[k] = target[k] - d[k];
    r = eqckep(diff);
    bool converged = true;
    for (int k = 0; k < 6; ++k) converged = converged && std::fabs(r[k] - x[k]) < tol[k];
    if (converged || j > 10) break;
    x = r;
  }
  return to_degrees(r);
}

}  // namespace kv::orbit
