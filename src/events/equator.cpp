// Equator crossings and orbit numbers: orbits are counted from the orbit file's number and
// increase by one at each ascending node.
#include <algorithm>

#include "events/events.hpp"

namespace kv::events {

double feqcr(const RunContext& ctx, double t) { return orbit::stvsel(ctx.orbit, t)[2]; }

// geteqcr -- northern half-orbits [ascending node, descending node] from the orbit epoch
// (orbit time 0) to the user end, numbered from iorb (iorb + 1 at the first ascending node
// when the satellite is south at the epoch).
void geteqcr(RunContext& ctx) {
  const SignScan s = sign_scan([&](double t) { return feqcr(ctx, t); }, 0.0, ctx.step, ctx.tendinp,
                               ctx.tendinp, ctx.tendinp);
  OrbitTable& o = ctx.orbits;
  o = OrbitTable{};
  o.torb1 = s.on.t1;
  o.torb2 = s.on.t2;
  int n = ctx.iorb + (s.on_at_start ? 0 : 1);
  for (int k = 0; k < s.on.count(); ++k) o.orbarr.push_back(n++);
}

// getorbnum -- orbit number at orbit time t: that of the last ascending node at or before t;
// before the first node one less than its number (not below it when that is negative);
// iorb while no node is known.
int getorbnum(const RunContext& ctx, double t) {
  const OrbitTable& o = ctx.orbits;
  if (o.kj() == 0) return ctx.iorb;
  if (t < o.torb1[0]) return o.orbarr[0] - 1 < 0 ? o.orbarr[0] : o.orbarr[0] - 1;
  const auto it = std::upper_bound(o.torb1.begin(), o.torb1.end(), t);
  return o.orbarr[static_cast<std::size_t>(it - o.torb1.begin()) - 1];
}

}  // namespace kv::events
