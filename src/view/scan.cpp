#include "view/scan.hpp"

#include <algorithm>
#include <cmath>

#include "common/parallel.hpp"

namespace kv::view {

// in_view -- all five strict comparisons, in this order; an angle equal to its limit, or
// not a number, fails.
bool in_view(const ViewLimits& lim, const AttAngles& a) {
  return a.yawsunang * cdr > lim.ywsvlim && a.rolsunang * cdr > lim.rosvlim &&
         a.verollsunang * cdr > lim.nrosvlim && a.rolmunang * cdr > lim.romlim &&
         a.rolvelang * cdr > lim.rovellim;
}

void evntst(ViewWindow& w, double t) {
  if (w.open) return;
  w.start = t;
  w.open = 1;
}

void evntend(ViewScan& v, ViewWindow& w, int inview, double t, bool last_sample) {
  if (!w.open || (inview && !last_sample)) return;
  w.open = 0;
  const double dur = (t - w.start) / 60;
  if (dur > min_view_window_minutes) {
    v.windows.add(w.start, t);
    v.totviewdur += dur;
  }
}

// getatt -- the user end itself is not sampled. A window is open from its first in-view
// sample to the first sample out of view, or to the last sample.
namespace {

double dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// The decisions angle * cdr > limit for every angle acos(clamp(c)) with c in [c0 - d, c0 + d],
// clamped as attang clamps: 1 all above, 0 none above, -1 undecided.
int decision(double c0, double d, double low, double high, double limit) {
  auto above = [&](double c) {
    if (c < minusone) c = low;
    if (c > plusone) c = high;
    return std::acos(c) * cdr > limit;
  };
  const bool a = above(c0 - d), b = above(c0 + d);
  return a == b ? a : -1;
}

}  // namespace

int certain_in_view(const Vec3& fc1, const Vec3& sun, const Vec3& moon, double rolvelang,
                    const ViewLimits& lim, double err) {
  constexpr double kRounding = 1e-12;  // rounding of the dot products and normalisations
  const double cs = dot(sun, fc1), cm = dot(moon, fc1);
  // The yaw axis is defined only away from the Sun direction; there attang gives
  // cos(yawsunang) = -sin(rolsunang).
  if (!(std::fabs(cs) < kCosOneDegree)) return -1;
  const double d = err + kRounding;
  const int rs = decision(cs, d, -0.999999999, 0.9999999999, lim.rosvlim);
  const int nrs = decision(-cs, d, -0.999999999, 0.9999999999, lim.nrosvlim);
  const int rm = decision(cm, d, -0.999999999, 0.9999999999, lim.romlim);
  // sin(rolsunang) over the range of rolsunang: sin is unimodal with its top at 90 degrees.
  const double th_lo = std::acos(std::min(cs + d, 1.0)), th_hi = std::acos(std::max(cs - d, -1.0));
  const double sin_lo = std::min(std::sin(th_lo), std::sin(th_hi));
  const double sin_hi =
      (th_lo < tpi / 4 && th_hi > tpi / 4) ? 1.0 : std::max(std::sin(th_lo), std::sin(th_hi));
  const double cy = -(sin_lo + sin_hi) / 2, dy = (sin_hi - sin_lo) / 2 + kRounding;
  const int ys = decision(cy, dy, -0.999999999, 0.999999999, lim.ywsvlim);
  const bool rv = rolvelang * cdr > lim.rovellim;
  if (ys < 0 || rs < 0 || nrs < 0 || rm < 0) return -1;
  return ys && rs && nrs && rm && rv;
}

ViewScan getatt(const grid::ScanSetup& s, const grid::Samples& g, const Vec3& fc1,
                const ViewLimits& lim, bool keep_angles, int threads) {
  // Grid times scanned: the first always, then each whose predecessor was not the last.
  std::size_t n = 1;
  while (n < g.size() && g.t[n - 1] + s.step - (s.tendinp - s.step) < 1e-6) ++n;
  ViewScan v;
  std::vector<char> inview(n);
  if (keep_angles) v.angles.resize(n);
  parallel_for(n, threads, [&](std::size_t k) {
    AttAngles a = attang(fc1, g.st[k], g.moon[k], g.sun[k]);
    if (!g.exact[k]) {
      // Interpolated Sun and Moon: the decision stands when no direction within the
      // interpolation error could change it; otherwise it is taken on the exact ones.
      const int sure =
          certain_in_view(fc1, g.sun[k], g.moon[k], a.rolvelang, lim, grid::interpolation_error);
      if (sure >= 0) {
        inview[k] = static_cast<char>(sure);
        return;
      }
      const ephem::SunMoonDirections sm = grid::sun_moon_at(s, g.t[k]);
      a = attang(fc1, g.st[k], sm.moon, sm.sun);
    }
    inview[k] = in_view(lim, a);
    if (keep_angles) v.angles[k] = a;
  });
  ViewWindow w;
  for (std::size_t k = 0; k < n; ++k) {
    if (inview[k]) evntst(w, g.t[k]);
    evntend(v, w, inview[k], g.t[k], k + 1 == n);
  }
  return v;
}

}  // namespace kv::view
