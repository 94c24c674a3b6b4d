// The precise model's ephemeris of a run: day anchors, Sun and Moon nodes, and what the
// detectors read of them.
#include <algorithm>
#include <cassert>
#include <cmath>

#include "common/parallel.hpp"
#include "grid/grid.hpp"

namespace kv::grid {
namespace precise = ephem::precise;

namespace {

// Index j of the node interval [t0 + j h, t0 + (j + 1) h) holding t, kept within [lo, hi],
// and the fraction u of the interval (outside [0, 1) only beyond the table's ends).
struct Node {
  std::size_t j;
  double u;
};
Node node(double t, double t0, double h, std::size_t lo, std::size_t hi) {
  const double x = std::floor((t - t0) / h);
  const auto j = std::clamp(static_cast<std::size_t>(std::max(x, 0.0)), lo, hi);
  return {j, (t - t0) / h - static_cast<double>(j)};
}

// Cubic Lagrange interpolation through v[j - 1], v[j], v[j + 1], v[j + 2] (equally spaced)
// at fraction u of the interval from v[j] to v[j + 1].
Vec3 cubic(const std::vector<Vec3>& v, std::size_t j, double u) {
  const double a = -u * (u - 1) * (u - 2) / 6, b = (u + 1) * (u - 1) * (u - 2) / 2;
  const double c = -(u + 1) * u * (u - 2) / 2, d = (u + 1) * u * (u - 1) / 6;
  Vec3 r{};
  for (std::size_t i = 0; i < 3; ++i)
    r[i] = a * v[j - 1][i] + b * v[j][i] + c * v[j + 1][i] + d * v[j + 2][i];
  return r;
}

// Nodes t0, t0 + h, ... from one before `from` to two beyond `to`.
std::size_t node_count(double from, double to, double h) {
  return static_cast<std::size_t>(std::floor((to - from) / h)) + 4;
}

}  // namespace

std::shared_ptr<const PreciseTable> precise_table(const ScanSetup& s, int threads) {
  auto p = std::make_shared<PreciseTable>();
  p->tstusr1900 = s.tstusr1900;
  const double end = s.tendinp + s.step;  // the SAA scan may read one grid time beyond
  p->day0 = s.tstreadif - daysec;
  const std::size_t nd = node_count(s.tstreadif, end, daysec);
  p->days.resize(nd);
  p->sun.resize(nd);
  parallel_for(
      nd, threads,
      [&](std::size_t j) {
        const double t = p->day0 + static_cast<double>(j) * daysec;
        p->days[j] = precise::anchor(precise::time_args(ephemeris_day(s, t)));
        p->sun[j] = precise::sun_apparent(p->days[j]);
      },
      1);
  p->moon0 = s.tstreadif - moon_node_step;
  const std::size_t nm = node_count(s.tstreadif, end, moon_node_step);
  p->moon.resize(nm);
  parallel_for(
      nm, threads,
      [&](std::size_t i) {
        const double t = p->moon0 + static_cast<double>(i) * moon_node_step;
        p->moon[i] =
            precise::moon_apparent(precise_anchor(*p, t), precise::time_args(ephemeris_day(s, t)));
      },
      16);
  return p;
}

precise::Anchor precise_anchor(const PreciseTable& p, double t) {
  const Node n = node(t, p.day0, daysec, 0, p.days.size() - 2);
  precise::Anchor a = p.days[n.j];
  const precise::Anchor& b = p.days[n.j + 1];
  for (std::size_t r = 0; r < 3; ++r)
    for (std::size_t c = 0; c < 3; ++c) a.npb[r][c] += (b.npb[r][c] - a.npb[r][c]) * n.u;
  a.eo += (b.eo - a.eo) * n.u;
  return a;
}

BodyPositions precise_bodies(const PreciseTable& p, double t) {
  const Node d = node(t, p.day0, daysec, 1, p.days.size() - 3);
  const Node m = node(t, p.moon0, moon_node_step, 1, p.moon.size() - 3);
  return {cubic(p.sun, d.j, d.u), cubic(p.moon, m.j, m.u)};
}

// note: the UTC half of precise::time_args (the split of the date), without the leap-second
// table that only TT needs.
double precise_sidereal(const PreciseTable& p, double t) {
  const Node n = node(t, p.day0, daysec, 0, p.days.size() - 2);
  precise::Anchor a{};
  a.eo = p.days[n.j].eo + (p.days[n.j + 1].eo - p.days[n.j].eo) * n.u;
  const double x = t / daysec + p.tstusr1900;
  const double whole = std::floor(x);
  precise::TimeArgs ta{};
  ta.utc1 = 2415020.5 + whole;
  ta.utc2 = x - whole;
  return precise::gast(a, ta);
}

ephem::SunMoonDirections directions_at(const ScanSetup& s, double t, const State& st) {
  if (s.model == Model::classic) return sun_moon_at(s, t);
  assert(s.precise);
  const BodyPositions b = precise_bodies(*s.precise, t);
  ephem::SunMoonDirections d{};
  d.sun = precise::seen_from(b.sun, st);
  d.moon = precise::seen_from(b.moon, st);
  return d;
}

Vec3 precise_sun(const ScanSetup& s, double t) {
  assert(s.precise);
  return precise_bodies(*s.precise, t).sun;
}

SourceTrack source_track(const ScanSetup& s, const Vec3& fc1, double ra_deg, double dec_deg) {
  SourceTrack tr(fc1);
  if (s.model == Model::classic) return tr;
  assert(s.precise);
  const Vec3 icrs = precise::icrs_unit(ra_deg, dec_deg);
  tr.t0 = s.precise->day0;
  tr.dt = daysec;
  tr.nodes.reserve(s.precise->days.size());
  for (const precise::Anchor& a : s.precise->days)
    tr.nodes.push_back(precise::apparent_place(a, icrs));
  return tr;
}

Vec3 SourceTrack::interpolate(double t) const {
  const Node n = node(t, t0, dt, 0, nodes.size() - 2);
  const Vec3& a = nodes[n.j];
  const Vec3& b = nodes[n.j + 1];
  const Vec3 v{a[0] + (b[0] - a[0]) * n.u, a[1] + (b[1] - a[1]) * n.u, a[2] + (b[2] - a[2]) * n.u};
  const double r = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  return {v[0] / r, v[1] / r, v[2] / r};
}

}  // namespace kv::grid
