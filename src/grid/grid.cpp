#include "grid/grid.hpp"

#include <algorithm>
#include <cmath>

#include "common/parallel.hpp"

namespace kv::grid {

std::vector<double> grid_times(double start, double step, double end) {
  std::vector<double> t{start};
  for (double x = start + step; x <= end; x = x + step) t.push_back(x);
  return t;
}

State state_at(const ScanSetup& s, double t, int& err) {
  err = 0;
  if (!s.tle) return orbit::stvsel(s.orbit, t);
  const State teme = orbit::sgp4_state(s.tle->sgp4, t / 60 + s.tle->offset_min, err);
  return orbit::teme_to_tod(teme, ephem::delong(ephemeris_day(s, t)));
}

ephem::SunMoonDirections sun_moon_at(const ScanSetup& s, double t) {
  return ephem::sun_moon_directions(ephemeris_day(s, t), -1);
}

namespace {

Vec3 lerp(const Vec3& a, const Vec3& b, double w) {
  return {a[0] + (b[0] - a[0]) * w, a[1] + (b[1] - a[1]) * w, a[2] + (b[2] - a[2]) * w};
}

}  // namespace

Samples user_samples(const ScanSetup& s, int threads, bool all_exact) {
  Samples g;
  g.t = grid_times(s.tstreadif, s.step, s.tendinp);
  const std::size_t n = g.size();
  const std::size_t stride = all_exact ? 1 : anchor_stride;
  g.st.resize(n);
  g.sun.resize(n);
  g.moon.resize(n);
  g.exact.assign(n, 0);
  if (s.model == Model::precise) {
    g.sun_km.resize(n);
    parallel_for(n, threads, [&](std::size_t k) {
      g.st[k] = state_at(s, g.t[k]);
      const BodyPositions b = precise_bodies(*s.precise, g.t[k]);
      g.sun_km[k] = b.sun;
      g.sun[k] = ephem::precise::seen_from(b.sun, g.st[k]);
      g.moon[k] = ephem::precise::seen_from(b.moon, g.st[k]);
      g.exact[k] = k % stride == 0 || k + 1 == n;
    });
    return g;
  }
  parallel_for(n, threads, [&](std::size_t k) {
    g.st[k] = state_at(s, g.t[k]);
    if (k % stride == 0 || k + 1 == n) {
      const ephem::SunMoonDirections sm = sun_moon_at(s, g.t[k]);
      g.sun[k] = sm.sun;
      g.moon[k] = sm.moon;
      g.exact[k] = 1;
    }
  });
  parallel_for(n, threads, [&](std::size_t k) {
    if (g.exact[k]) return;
    const std::size_t a = k - k % stride, b = std::min(a + stride, n - 1);
    const double w = (g.t[k] - g.t[a]) / (g.t[b] - g.t[a]);
    g.sun[k] = lerp(g.sun[a], g.sun[b], w);
    g.moon[k] = lerp(g.moon[a], g.moon[b], w);
  });
  return g;
}

double max_z_rate(const orbit::MeanOrbit& orb) {
  const double a = orb.eleinr[0], e = orb.eleinr[1], inc = orb.eleinr[2];
  const double speed = std::sqrt(amu / a * (1 + e) / (1 - e));  // at perigee, vis-viva
  return 1.2 * speed * std::min(1.0, std::fabs(std::sin(inc)) + 0.05);
}

double max_z_rate(const ScanSetup& s) {
  if (!s.tle) return max_z_rate(s.orbit);
  orbit::MeanOrbit m;
  m.eleinr[0] = s.tle->sgp4.ao * orbit::wgs72::re;
  m.eleinr[1] = s.tle->sgp4.el.ecco;
  m.eleinr[2] = s.tle->sgp4.el.inclo;
  return max_z_rate(m);
}

namespace {

// Walks indices [begin, end) of the equator grid: z exactly at a time, then only the sign
// for the following times it cannot reach at the rate bound. False when two exact values
// contradict the bound (the caller then takes every z exactly).
bool walk_signs(const ScanSetup& s, EquatorSamples& g, std::size_t begin, std::size_t end,
                double rate) {
  std::size_t last = end;  // index of the previous exact value, if any
  for (std::size_t j = begin; j < end;) {
    if (!g.exact[j]) {
      g.z[j] = state_at(s, g.t[j])[2];
      g.exact[j] = 1;
    }
    if (last != end && std::fabs(g.z[j] - g.z[last]) > rate * (g.t[j] - g.t[last])) return false;
    last = j;
    std::size_t i = j + 1;
    for (; i < end && !g.exact[i] && rate * (g.t[i] - g.t[j]) < std::fabs(g.z[j]); ++i)
      g.z[i] = g.z[j];  // same sign as z[j]: the value itself is not used
    j = i;
  }
  return true;
}

}  // namespace

EquatorSamples equator_samples(const ScanSetup& s, const Samples& user, int threads) {
  EquatorSamples g;
  g.t = grid_times(0.0, s.step, s.tendinp);
  const std::size_t n = g.t.size();
  g.z.assign(n, 0.0);
  g.exact.assign(n, 0);
  // Times of this grid are whole multiples of the step; the user grid meets them only when
  // its start is one, and then index j of this grid is index j - j0 of the user grid.
  const double j0d = user.size() > 0 ? std::floor(user.t[0] / s.step) : -1;
  const auto j0 = static_cast<std::size_t>(j0d >= 0 ? j0d : 0);
  for (std::size_t j = j0; j0d >= 0 && j < n && j - j0 < user.size(); ++j)
    if (user.t[j - j0] == g.t[j]) {
      g.z[j] = user.st[j - j0][2];
      g.exact[j] = 1;
    }
  // Signs elsewhere, block by block.
  constexpr std::size_t kBlock = 4096;
  const double rate = max_z_rate(s);
  parallel_for((n + kBlock - 1) / kBlock, threads,
               [&](std::size_t b) {
                 const std::size_t begin = b * kBlock, end = std::min(n, begin + kBlock);
                 if (walk_signs(s, g, begin, end, rate)) return;
                 for (std::size_t j = begin; j < end; ++j)
                   if (!g.exact[j]) {
                     g.z[j] = state_at(s, g.t[j])[2];
                     g.exact[j] = 1;
                   }
               },
               1);
  // Exact values on both sides of every change of sign, where the root finder uses them.
  std::vector<std::size_t> ends;
  for (std::size_t j = 1; j < n; ++j)
    if ((g.z[j] >= 0) != (g.z[j - 1] >= 0)) {
      if (ends.empty() || ends.back() != j - 1) ends.push_back(j - 1);
      ends.push_back(j);
    }
  parallel_for(
      ends.size(), threads,
      [&](std::size_t i) {
        const std::size_t j = ends[i];
        if (!g.exact[j]) g.z[j] = state_at(s, g.t[j])[2];
        g.exact[j] = 1;
      },
      64);
  return g;
}

}  // namespace kv::grid
