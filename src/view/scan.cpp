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

unsigned char limits_met(const ViewLimits& lim, const AttAngles& a) {
  unsigned char m = 0;
  if (a.rolsunang * cdr > lim.rosvlim) m |= kRollSunMet;
  if (a.verollsunang * cdr > lim.nrosvlim) m |= kNegRollSunMet;
  if (a.rolmunang * cdr > lim.romlim) m |= kRollMoonMet;
  if (a.rolvelang * cdr > lim.rovellim) m |= kRollVelocityMet;
  if (a.yawsunang * cdr > lim.ywsvlim) m |= kYawSunMet;
  return m;
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

// Whether angle * cdr > limit for every angle acos(clamp(c)) with c in [c0 - d, c0 + d],
// clamped as attang clamps: 1 all above, 0 none above, -1 undecided. The smallest angle
// belongs to the largest c. Limits well inside (0, 180) degrees compare cosines with their
// cosine, leaving undecided what lies within 1e-12 of it; others take the arc cosines, and
// leave undecided every interval that reaches past -1 or +1: there the clamp is not
// monotone (a cosine above +1 becomes one below it), so the ends no longer bound the angle.
struct Limit {
  double deg, cos_lim;
  bool by_cosine;
  explicit Limit(double lim)
      : deg(lim), cos_lim(std::cos(lim * cnr)), by_cosine(lim > 0.01 && lim < 179.9) {}
  int decide(double c0, double d, double low, double high) const {
    auto clamp = [&](double c) { return c < minusone ? low : c > plusone ? high : c; };
    const double lo = clamp(c0 - d), hi = clamp(c0 + d);
    if (by_cosine) {
      if (hi < cos_lim - 1e-12) return 1;
      if (lo > cos_lim + 1e-12) return 0;
      return -1;
    }
    if (c0 - d < minusone || c0 + d > plusone) return -1;
    const bool a = std::acos(lo) * cdr > deg, b = std::acos(hi) * cdr > deg;
    return a == b ? a : -1;
  }
};

struct ViewThresholds {
  Limit yaw, rs, nrs, rm, rv;
};

// The roll-velocity decision from the angle's cosine c (exact state): by the cosine away
// from the limit, by the angle itself near it.
bool rolvel_above(double c, const Limit& lim) {
  if (lim.by_cosine) {
    if (c < lim.cos_lim - 1e-12) return true;
    if (c > lim.cos_lim + 1e-12) return false;
  }
  return rolvel_angle_of_cosine(c) * cdr > lim.deg;
}

constexpr double kRounding = 1e-12;  // rounding of the dot products and normalisations

// The yaw-Sun decision for the Sun's cosine cs with the source known within d (|cs| below
// the cosine of a degree). The yaw axis points away from the Sun, so the angle is at least
// 90 degrees: a limit below 89 holds whatever the directions.
int yaw_decide(double cs, double d, const Limit& yaw) {
  if (yaw.deg < 89) return 1;
  // sin(rolsunang) = sqrt(1 - c^2) over c in [cs - d, cs + d]: largest where |c| is least.
  const double c_lo = cs - d, c_hi = cs + d;
  const double c2_max = std::max(c_lo * c_lo, c_hi * c_hi);
  const double c2_min = (c_lo < 0 && c_hi > 0) ? 0.0 : std::min(c_lo * c_lo, c_hi * c_hi);
  const double sin_lo = std::sqrt(std::max(0.0, 1 - c2_max)), sin_hi = std::sqrt(1 - c2_min);
  const double cy = -(sin_lo + sin_hi) / 2, dy = (sin_hi - sin_lo) / 2 + kRounding;
  return yaw.decide(cy, dy, -0.999999999, 0.999999999);
}

int certain(const Vec3& fc1, const Vec3& sun, const Vec3& moon, bool rolvel_in,
            const ViewThresholds& th, double err) {
  const double cs = dot(sun, fc1), cm = dot(moon, fc1);
  // The yaw axis is defined only away from the Sun direction; there attang gives
  // cos(yawsunang) = -sin(rolsunang).
  if (!(std::fabs(cs) < kCosOneDegree)) return -1;
  if (!rolvel_in) return 0;
  const double d = err + kRounding;
  const int rs = th.rs.decide(cs, d, -0.999999999, 0.9999999999);
  if (rs == 0) return 0;
  const int nrs = th.nrs.decide(-cs, d, -0.999999999, 0.9999999999);
  if (nrs == 0) return 0;
  const int rm = th.rm.decide(cm, d, -0.999999999, 0.9999999999);
  if (rm == 0) return 0;
  const int ys = yaw_decide(cs, d, th.yaw);
  if (ys < 0 || rs < 0 || nrs < 0 || rm < 0) return -1;
  return ys;
}

// The LimitBit mask by the rule of `certain`, each limit on its own: -1 when any limit is
// undecided (or the Sun lies within a degree of the source axis).
int certain_mask(const Vec3& fc1, const Vec3& sun, const Vec3& moon, bool rolvel_in,
                 const ViewThresholds& th, double err) {
  const double cs = dot(sun, fc1), cm = dot(moon, fc1);
  if (!(std::fabs(cs) < kCosOneDegree)) return -1;
  const double d = err + kRounding;
  const int rs = th.rs.decide(cs, d, -0.999999999, 0.9999999999);
  const int nrs = th.nrs.decide(-cs, d, -0.999999999, 0.9999999999);
  const int rm = th.rm.decide(cm, d, -0.999999999, 0.9999999999);
  const int ys = yaw_decide(cs, d, th.yaw);
  if (rs < 0 || nrs < 0 || rm < 0 || ys < 0) return -1;
  return (rs ? kRollSunMet : 0) | (nrs ? kNegRollSunMet : 0) | (rm ? kRollMoonMet : 0) |
         (rolvel_in ? kRollVelocityMet : 0) | (ys ? kYawSunMet : 0);
}

}  // namespace

int certain_in_view(const Vec3& fc1, const Vec3& sun, const Vec3& moon, double rolvelang,
                    const ViewLimits& lim, double err) {
  const ViewThresholds th{Limit(lim.ywsvlim), Limit(lim.rosvlim), Limit(lim.nrosvlim),
                          Limit(lim.romlim), Limit(lim.rovellim)};
  return certain(fc1, sun, moon, rolvelang * cdr > lim.rovellim, th, err);
}

std::size_t scanned_count(const grid::ScanSetup& s, const grid::Samples& g) {
  std::size_t n = 1;
  while (n < g.size() && g.t[n - 1] + s.step - (s.tendinp - s.step) < 1e-6) ++n;
  return n;
}

ViewScan getatt(const grid::ScanSetup& s, const grid::Samples& g, const grid::SourceTrack& src,
                const ViewLimits& lim, bool keep_angles, int threads) {
  // Grid times scanned: the first always, then each whose predecessor was not the last.
  const std::size_t n = scanned_count(s, g);
  ViewScan v;
  std::vector<char> inview(n);
  v.met.resize(n);
  if (keep_angles) v.angles.resize(n);
  const ViewThresholds th{Limit(lim.ywsvlim), Limit(lim.rosvlim), Limit(lim.nrosvlim),
                          Limit(lim.romlim), Limit(lim.rovellim)};
  parallel_for(n, threads, [&](std::size_t k) {
    const Vec3 fc1 = src.at(g.t[k]);
    AttAngles a;
    if (g.exact[k]) {
      a = attang(fc1, g.st[k], g.moon[k], g.sun[k]);
    } else if (keep_angles) {
      // Kept angles are always the exact ones, whatever the grid.
      const ephem::SunMoonDirections sm = grid::directions_at(s, g.t[k], g.st[k]);
      a = attang(fc1, g.st[k], sm.moon, sm.sun);
    } else {
      // Interpolated Sun and Moon: the decisions stand when no direction within the
      // interpolation error could change them; otherwise they are taken on the exact ones.
      const bool rolvel_in = rolvel_above(rolvel_cosine(fc1, g.st[k]), th.rv);
      // (Where every limit is decided, `certain` decides as the mask does.)
      const int mask =
          certain_mask(fc1, g.sun[k], g.moon[k], rolvel_in, th, grid::interpolation_error);
      if (mask >= 0) {
        inview[k] = static_cast<char>(mask == kAllLimitsMet);
        v.met[k] = static_cast<unsigned char>(mask);
        return;
      }
      const ephem::SunMoonDirections sm = grid::directions_at(s, g.t[k], g.st[k]);
      a = attang(fc1, g.st[k], sm.moon, sm.sun);
    }
    inview[k] = in_view(lim, a);
    v.met[k] = limits_met(lim, a);
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
