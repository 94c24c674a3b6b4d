#include "grid/grid.hpp"

#include <cmath>

#include "common/parallel.hpp"
#include "ephem/ephem.hpp"

namespace kv::grid {

std::vector<double> grid_times(double start, double step, double end) {
  std::vector<double> t{start};
  for (double x = start + step; x <= end; x = x + step) t.push_back(x);
  return t;
}

Samples user_samples(const ScanSetup& s, int threads) {
  Samples g;
  g.t = grid_times(s.tstreadif, s.step, s.tendinp);
  g.st.resize(g.size());
  g.sun.resize(g.size());
  g.moon.resize(g.size());
  parallel_for(g.size(), threads, [&](std::size_t k) {
    g.st[k] = orbit::stvsel(s.orbit, g.t[k]);
    const ephem::SunMoonDirections sm = ephem::sun_moon_directions(ephemeris_day(s, g.t[k]), -1);
    g.sun[k] = sm.sun;
    g.moon[k] = sm.moon;
  });
  return g;
}

EquatorSamples equator_samples(const ScanSetup& s, const Samples& user, int threads) {
  EquatorSamples g;
  g.t = grid_times(0.0, s.step, s.tendinp);
  g.z.resize(g.t.size());
  // Times of this grid are whole multiples of the step; the user grid meets them only when
  // its start is one, and then index j of this grid is index j - j0 of the user grid.
  const double j0d = user.size() > 0 ? std::floor(user.t[0] / s.step) : -1;
  const auto j0 = static_cast<std::size_t>(j0d >= 0 ? j0d : 0);
  parallel_for(g.t.size(), threads, [&](std::size_t j) {
    if (j0d >= 0 && j >= j0 && j - j0 < user.size() && user.t[j - j0] == g.t[j]) {
      g.z[j] = user.st[j - j0][2];
    } else {
      g.z[j] = orbit::stvsel(s.orbit, g.t[j])[2];
    }
  });
  return g;
}

}  // namespace kv::grid
