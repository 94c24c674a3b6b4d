#include "view/scan.hpp"

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
ViewScan getatt(const grid::ScanSetup& s, const grid::Samples& g, const Vec3& fc1,
                const ViewLimits& lim, bool keep_angles, int threads) {
  // Grid times scanned: the first always, then each whose predecessor was not the last.
  std::size_t n = 1;
  while (n < g.size() && g.t[n - 1] + s.step - (s.tendinp - s.step) < 1e-6) ++n;
  ViewScan v;
  std::vector<char> inview(n);
  if (keep_angles) v.angles.resize(n);
  parallel_for(n, threads, [&](std::size_t k) {
    const AttAngles a = attang(fc1, g.st[k], g.moon[k], g.sun[k]);
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
