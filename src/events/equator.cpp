// Equator crossings and orbit numbers: orbits are counted from the orbit file's number and
// increase by one at each ascending node.
#include <algorithm>

#include "events/events.hpp"

namespace kv::events {

// geteqcr -- northern half-orbits [ascending node, descending node] from the orbit epoch
// (orbit time 0) to the user end, numbered from iorb (iorb + 1 at the first ascending node
// when the satellite is south at the epoch).
OrbitTable geteqcr(const grid::ScanSetup& s, const grid::EquatorSamples& g, int iorb, int threads) {
  auto z = [&](double t) { return grid::state_at(s, t)[2]; };
  const SignScan scan = sign_scan(g.t, g.z, z, s.step, s.tendinp, s.tendinp, s.tendinp, threads);
  OrbitTable o;
  o.torb1 = scan.on.t1;
  o.torb2 = scan.on.t2;
  int n = iorb + (scan.on_at_start ? 0 : 1);
  for (int k = 0; k < scan.on.count(); ++k) o.orbarr.push_back(n++);
  return o;
}

// getorbnum -- orbit number at orbit time t: that of the last ascending node at or before t;
// before the first node one less than its number (not below it when that is negative);
// iorb while no node is known. Binary search of the ascending nodes.
int getorbnum(const OrbitTable& o, int iorb, double t) {
  if (o.kj() == 0) return iorb;
  if (t < o.torb1[0]) return o.orbarr[0] - 1 < 0 ? o.orbarr[0] : o.orbarr[0] - 1;
  const auto it = std::upper_bound(o.torb1.begin(), o.torb1.end(), t);
  return o.orbarr[static_cast<std::size_t>(it - o.torb1.begin()) - 1];
}

}  // namespace kv::events
