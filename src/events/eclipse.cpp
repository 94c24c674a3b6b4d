// Eclipses: a cylindrical shadow of a spherical Earth lit by a Sun at infinite distance.
#include <cmath>

#include "common/parallel.hpp"
#include "ephem/ephem.hpp"
#include "events/events.hpp"

namespace kv::events {

// shadow -- cosine of the Sun-nadir angle minus the cosine of the Earth's angular radius
// seen from the satellite, negated: >= 0 in shadow. st: state (km); sun: unit vector of date.
double shadow(const State& st, const Vec3& sun) {
  const double rho = std::sqrt(st[0] * st[0] + st[1] * st[1] + st[2] * st[2]);
  const Vec3 u{st[0] / rho, st[1] / rho, st[2] / rho};
  const double c = std::sqrt(1 - re_earth_sq_shadow / (rho * rho));
  const double m = sun[0] * u[0] + sun[1] * u[1] + sun[2] * u[2];
  return -(c + m);
}

// feclp -- the shadow function at orbit time t (s).
double feclp(const grid::ScanSetup& s, double t) {
  return shadow(grid::state_at(s, t), grid::sun_moon_at(s, t).sun);
}

// geteclp -- eclipses of the user period. The last grid time examined is the last one not
// beyond tendinp - step; a shadow in progress there runs to tendinp.
EventTable geteclp(const grid::ScanSetup& s, const grid::Samples& g, int threads) {
  if (s.model == Model::precise) return conical_shadow(s, g, umbra, threads);
  // With an interpolated Sun the function errs by at most interpolation_error: its sign is
  // certain beyond twice that, and the exact value is taken elsewhere and on both sides of
  // every change of sign, where the root finder uses it.
  const std::size_t n = g.size();
  std::vector<double> f(n);
  std::vector<char> exact(g.exact);
  auto make_exact = [&](std::size_t k) {
    if (exact[k]) return;
    f[k] = shadow(g.st[k], grid::sun_moon_at(s, g.t[k]).sun);
    exact[k] = 1;
  };
  parallel_for(n, threads, [&](std::size_t k) {
    f[k] = shadow(g.st[k], g.sun[k]);
    if (!(std::fabs(f[k]) > 2 * grid::interpolation_error)) make_exact(k);
  });
  std::vector<std::size_t> ends;
  for (std::size_t k = 1; k < n; ++k)
    if ((f[k] >= 0) != (f[k - 1] >= 0)) {
      if (ends.empty() || ends.back() != k - 1) ends.push_back(k - 1);
      ends.push_back(k);
    }
  parallel_for(
      ends.size(), threads, [&](std::size_t i) { make_exact(ends[i]); }, 64);
  const double last = s.tendinp - s.step;
  auto fn = [&](double t) { return feclp(s, t); };
  return sign_scan(g.t, f, fn, s.step, last, last, s.tendinp, threads).on;
}

}  // namespace kv::events
