// Earth occultation of the source: the Earth's disc widened by the margin angle thetainp.
#include <cmath>
#include <numbers>

#include "common/parallel.hpp"
#include "events/events.hpp"

namespace kv::events {

// occultation -- cosine of the source-nadir angle minus the cosine of the occultation cone's
// half-angle (Earth's angular radius plus thetainp), negated: >= 0 when the source is hidden.
// The cone and the nadir direction do not depend on the source.
OccultationParts occultation_parts(const State& st, double thetainp) {
  const double rho = std::sqrt(st[0] * st[0] + st[1] * st[1] + st[2] * st[2]);
  const Vec3 u{st[0] / rho, st[1] / rho, st[2] / rho};
  const double thetae = std::asin(re_earth / rho) * cdr;
  const double a = (thetainp + thetae) * cnr;
  const double b = thetae * cnr;
  const double rp = re_earth + (std::sin(a) / std::sin(b) - 1) * re_earth;
  // rp / rho = sin(a), so the root is |cos(a)|: it takes the sign of cos(a) for a cone
  // wider than a hemisphere, and a cone of 180 degrees or more hides the whole sky.
  const double c = std::sqrt(1 - rp * rp / (rho * rho));
  if (a >= std::numbers::pi) return {u, minusone};
  return {u, std::cos(a) < 0 ? -c : c};
}

double occultation(const OccultationParts& p, const Vec3& fc1) {
  const double m = fc1[0] * p.u[0] + fc1[1] * p.u[1] + fc1[2] * p.u[2];
  return -(p.c + m);
}

double occultation(const State& st, const Vec3& fc1, double thetainp) {
  return occultation(occultation_parts(st, thetainp), fc1);
}

std::vector<OccultationParts> occultation_geometry(const grid::Samples& g, double thetainp,
                                                   int threads) {
  std::vector<OccultationParts> parts(g.size());
  parallel_for(g.size(), threads,
               [&](std::size_t k) { parts[k] = occultation_parts(g.st[k], thetainp); });
  return parts;
}

// getoccult -- occultations of the user period. The scan examines the grid times after the
// start up to the first at or beyond tendinp - step; an occultation in progress at the end
// runs to tendinp.
EventTable getoccult(const grid::ScanSetup& s, const grid::Samples& g, const grid::SourceTrack& src,
                     double thetainp, int threads, const std::vector<OccultationParts>* geometry) {
  std::vector<double> f(g.size());
  parallel_for(g.size(), threads, [&](std::size_t k) {
    const Vec3 fc1 = src.at(g.t[k]);
    f[k] = geometry ? occultation((*geometry)[k], fc1) : occultation(g.st[k], fc1, thetainp);
  });
  auto fn = [&](double t) { return occultation(grid::state_at(s, t), src.at(t), thetainp); };
  return sign_scan(g.t, f, fn, s.step, s.tendinp, s.tendinp - s.step, s.tendinp, threads).on;
}

}  // namespace kv::events
