// Eclipses in the precise model set: the conical umbra and penumbra of a spherical Earth lit
// by a spherical Sun at its true distance.
#include <cassert>
#include <cmath>

#include "common/parallel.hpp"
#include "events/events.hpp"

namespace kv::events {
namespace {

// Sun radius, km: the customary 696000 (IAU 2015 nominal: 695700 km; the difference moves the
// cone edges by 2e-6 rad).
constexpr double kSunRadius = 696000.0;
// Earth radius, km: that of the cylindrical shadow (re_earth, whose square rounds to
// re_earth_sq_shadow), so that both models share one Earth.
constexpr double kEarthRadius = re_earth;

// Apparent radii of the Sun (a) and of the Earth (b) seen from the satellite, and the angle
// (c) between their centres; radians.
struct Discs {
  double a, b, c;
};

Discs discs(const State& st, const Vec3& sun) {
  const Vec3 e{-st[0], -st[1], -st[2]};                          // satellite to Earth centre
  const Vec3 s{sun[0] - st[0], sun[1] - st[1], sun[2] - st[2]};  // satellite to Sun centre
  const double re = std::sqrt(e[0] * e[0] + e[1] * e[1] + e[2] * e[2]);
  const double rs = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
  assert(re > kEarthRadius && rs > kSunRadius);
  const Vec3 x{e[1] * s[2] - e[2] * s[1], e[2] * s[0] - e[0] * s[2], e[0] * s[1] - e[1] * s[0]};
  const double cross = std::sqrt(x[0] * x[0] + x[1] * x[1] + x[2] * x[2]);
  const double dot = e[0] * s[0] + e[1] * s[1] + e[2] * s[2];
  return {std::asin(kSunRadius / rs), std::asin(kEarthRadius / re), std::atan2(cross, dot)};
}

}  // namespace

// umbra -- conical umbra function: >= 0 when the Earth's disc covers the whole Sun.
//
// Given:    st  satellite state (position used), km; sun  geocentric Sun position, km; both
//               geocentric, one frame (the precise model's true equator and equinox of date)
// Returned: b - a - c, radians: b the Earth's and a the Sun's apparent radius seen from the
//           satellite, c the angle between their centres. >= 0 inside the umbra, < 0 outside
//           (also beyond the umbra's vertex, about 1.38e6 km behind the Earth, where b < a).
// Notes:    spheres of radii 696000 km (Sun) and 6378.139 km (Earth, that of shadow); no
//           oblateness, no atmosphere (refraction and absorption would widen the shadow by
//           some 50 km at the Earth's limb). The value equals zero on the cone tangent
//           outside to both spheres. Domain: satellite outside the Earth.
// Reference: Montenbruck & Gill, Satellite Orbits (2000), section 3.4.2.
double umbra(const State& st, const Vec3& sun) {
  const Discs d = discs(st, sun);
  return d.b - d.a - d.c;
}

// penumbra -- conical penumbra function: >= 0 when the Earth's disc covers any of the Sun.
//
// Given:    st, sun  as for umbra
// Returned: b + a - c, radians: >= 0 inside the penumbra or the umbra, < 0 in full sunlight.
// Notes:    zero on the cone tangent to both spheres and crossing between them (vertex about
//           1.36e6 km in front of the Earth, under 1 percent of the way to the Sun). Spheres and
//           domain as for umbra.
// Reference: Montenbruck & Gill, Satellite Orbits (2000), section 3.4.2.
double penumbra(const State& st, const Vec3& sun) {
  const Discs d = discs(st, sun);
  return d.b + d.a - d.c;
}

}  // namespace kv::events

namespace kv::events {

// conical_shadow -- the umbra or penumbra passages of the user period, precise model. Every
// grid time's Sun (sun_km) is the exact one of the model, so the function is evaluated there
// directly; its changes of sign are refined on the state and the Sun of any time. The last
// grid time examined and the end are those of geteclp.
EventTable conical_shadow(const grid::ScanSetup& s, const grid::Samples& g,
                          double (*fn)(const State&, const Vec3&), int threads) {
  assert(s.model == Model::precise && g.sun_km.size() == g.size());
  std::vector<double> f(g.size());
  parallel_for(g.size(), threads, [&](std::size_t k) { f[k] = fn(g.st[k], g.sun_km[k]); });
  const double last = s.tendinp - s.step;
  auto at = [&](double t) { return fn(grid::state_at(s, t), grid::precise_sun(s, t)); };
  return sign_scan(g.t, f, at, s.step, last, last, s.tendinp, threads).on;
}

}  // namespace kv::events
