#include "view/limits.hpp"

#include <algorithm>
#include <bit>
#include <cmath>

namespace kv::view {
namespace {

double dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// Intervals in time order, not overlapping, asked for their overlap with spans [a, b] of
// non-decreasing a.
class Cover {
 public:
  explicit Cover(EventTable t) : t_(std::move(t)) {}
  double overlap(double a, double b) {
    while (i_ < t_.t1.size() && t_.t2[i_] <= a) ++i_;
    double sum = 0;
    for (std::size_t j = i_; j < t_.t1.size() && t_.t1[j] < b; ++j)
      sum += std::max(0.0, std::min(b, t_.t2[j]) - std::max(a, t_.t1[j]));
    return sum;
  }

 private:
  EventTable t_;
  std::size_t i_ = 0;
};

// The union of two tables, merged.
EventTable unite(const EventTable& x, const EventTable& y) {
  std::vector<std::pair<double, double>> all;
  for (std::size_t k = 0; k < x.t1.size(); ++k) all.emplace_back(x.t1[k], x.t2[k]);
  for (std::size_t k = 0; k < y.t1.size(); ++k) all.emplace_back(y.t1[k], y.t2[k]);
  std::sort(all.begin(), all.end());
  EventTable u;
  for (const auto& [a, b] : all) {
    if (u.count() > 0 && a <= u.t2.back()) {
      u.t2.back() = std::max(u.t2.back(), b);
    } else {
      u.add(a, b);
    }
  }
  return u;
}

}  // namespace

LimitsAccount account_limits(const std::vector<double>& t, const std::vector<unsigned char>& met,
                             double tendinp, const EventTable& occults, const EventTable& saa) {
  LimitsAccount acc;
  const std::size_t n = met.size();
  if (n == 0) return acc;
  Cover occ(occults), pas(saa), blocked(unite(occults, saa));
  Cover occ_all(occults), pas_all(saa);
  acc.occultation.excluded_s = occ_all.overlap(t[0], tendinp);
  acc.saa.excluded_s = pas_all.overlap(t[0], tendinp);
  for (std::size_t k = 0; k < n; ++k) {
    const double a = t[k], b = sample_end(t, k, n, tendinp);
    const auto missing = static_cast<unsigned char>(~met[k] & kAllLimitsMet);
    const double hidden = blocked.overlap(a, b);
    if (missing == 0) {
      acc.all_met_s += b - a;
      acc.occultation.alone_s += hidden - pas.overlap(a, b);
      acc.saa.alone_s += hidden - occ.overlap(a, b);
      continue;
    }
    for (std::size_t i = 0; i < kLimitCount; ++i) {
      if (!(missing & kLimitBits[i])) continue;
      acc.limits[i].excluded_s += b - a;
      if (std::popcount(missing) == 1) acc.limits[i].alone_s += b - a - hidden;
    }
  }
  return acc;
}

std::array<AngleRange, kLimitCount> angle_ranges(const grid::ScanSetup& s, const grid::Samples& g,
                                                 std::size_t n, const grid::SourceTrack& src) {
  std::array<AngleRange, kLimitCount> r{};
  if (n == 0) return r;
  // Grid times of the least and greatest Sun, Moon and velocity cosines and |Sun cosine|.
  std::array<std::size_t, 4> lo{}, hi{};
  std::array<double, 4> vlo{}, vhi{};
  for (std::size_t k = 0; k < n; ++k) {
    const Vec3 fc1 = src.at(g.t[k]);
    const double cs = dot(g.sun[k], fc1);
    const std::array<double, 4> c{cs, dot(g.moon[k], fc1), rolvel_cosine(fc1, g.st[k]),
                                  std::fabs(cs)};
    for (std::size_t j = 0; j < 4; ++j) {
      if (k == 0 || c[j] < vlo[j]) vlo[j] = c[j], lo[j] = k;
      if (k == 0 || c[j] > vhi[j]) vhi[j] = c[j], hi[j] = k;
    }
  }
  auto exact = [&](std::size_t k) {
    const ephem::SunMoonDirections sm = grid::directions_at(s, g.t[k], g.st[k]);
    return attang(src.at(g.t[k]), g.st[k], sm.moon, sm.sun);
  };
  auto deg = [](double rad) { return rad * cdr; };
  // Each angle falls as its cosine rises; the yaw-Sun angle falls as |Sun cosine| rises.
  const AttAngles sun_lo = exact(lo[0]), sun_hi = exact(hi[0]);
  r[kRollSun] = {deg(sun_hi.rolsunang), deg(sun_lo.rolsunang)};
  r[kNegRollSun] = {deg(sun_lo.verollsunang), deg(sun_hi.verollsunang)};
  r[kRollMoon] = {deg(exact(hi[1]).rolmunang), deg(exact(lo[1]).rolmunang)};
  r[kRollVelocity] = {deg(rolvel_angle(src.at(g.t[hi[2]]), g.st[hi[2]])),
                      deg(rolvel_angle(src.at(g.t[lo[2]]), g.st[lo[2]]))};
  r[kYawSun] = {deg(exact(hi[3]).yawsunang), deg(exact(lo[3]).yawsunang)};
  return r;
}

EventTable met_windows(const std::vector<double>& t, const std::vector<unsigned char>& met,
                       double tendinp, unsigned char bits) {
  EventTable w;
  const std::size_t n = met.size();
  for (std::size_t k = 0; k < n; ++k) {
    if ((met[k] & bits) != bits) continue;
    const double a = t[k], b = sample_end(t, k, n, tendinp);
    if (w.count() > 0 && w.t2.back() >= a) {
      w.t2.back() = b;
    } else {
      w.add(a, b);
    }
  }
  return w;
}

}  // namespace kv::view
