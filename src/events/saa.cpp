// South Atlantic Anomaly passages of the sub-satellite point, on the scan grid.
#include <cmath>

#include "ephem/ephem.hpp"
#include "events/events.hpp"

namespace kv::events {

// in_saa -- the region lon > 4 lat + 273, lon < 360, -10 < lat < 70 (degrees, strict).
bool in_saa(double lat, double lon) {
  return lon > (lat + 6) * 4 + 249 && lon < 360 && lat > -10 && lat < 70;
}

// getsaa -- appends the SAA passages of the user period: from the first grid time inside to
// the first grid time outside; a passage in progress at the end runs to the first grid time
// at or beyond tendinp.
void getsaa(RunContext& ctx) {
  double t = ctx.tstreadif;
  double entry = t;
  bool prev = false;
  do {
    const State st = orbit::stvsel(ctx.orbit, t);
    const double theta = std::fmod(we * t + ctx.epocsidang, tpi);
    const ephem::Geodetic g = ephem::geocor(st[0], st[1], st[2], theta);
    const bool inside = in_saa(g.lat, g.lon);
    if (!prev && inside) entry = t;
    if (prev && !inside) ctx.saa.add(entry, t);
    prev = inside;
    t = t + ctx.step;
  } while (!(t >= ctx.tendinp));
  if (prev) ctx.saa.add(entry, t);
}

}  // namespace kv::events
