// Eclipses: a cylindrical shadow of a spherical Earth lit by a Sun at infinite distance.
#include <cmath>

#include "ephem/ephem.hpp"
#include "events/events.hpp"

namespace kv::events {

// feclp -- cosine of the Sun-nadir angle minus the cosine of the Earth's angular radius seen
// from the satellite: >= 0 in shadow. t: orbit time, s.
double feclp(const RunContext& ctx, double t) {
  const State st = orbit::stvsel(ctx.orbit, t);
  const double rho = std::sqrt(st[0] * st[0] + st[1] * st[1] + st[2] * st[2]);
  const Vec3 u{st[0] / rho, st[1] / rho, st[2] / rho};
  const double c = std::sqrt(1 - 40680657.1 / (rho * rho));
  const double d = t / daysec + ctx.tstusr1900;
  const Vec3 s = ephem::surcha(d, -1).sun;
  const double m = s[0] * u[0] + s[1] * u[1] + s[2] * u[2];
  return -(c + m);
}

// geteclp -- eclipses of the user period. The last grid time examined is the last one not
// beyond tendinp - step; a shadow in progress there runs to tendinp.
void geteclp(RunContext& ctx) {
  const double last = ctx.tendinp - ctx.step;
  ctx.eclipses = sign_scan([&](double t) { return feclp(ctx, t); }, ctx.tstreadif, ctx.step, last,
                           last, ctx.tendinp)
                     .on;
}

}  // namespace kv::events
