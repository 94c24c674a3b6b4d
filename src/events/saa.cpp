// South Atlantic Anomaly passages of the sub-satellite point, on the scan grid.
#include <cmath>

#include "common/parallel.hpp"
#include "ephem/ephem.hpp"
#include "events/events.hpp"

namespace kv::events {

// in_saa -- the region lon > 4 lat + 273, lon < 360, -10 < lat < 70 (degrees, strict).
bool in_saa(double lat, double lon) {
  return lon > (lat + 6) * 4 + 249 && lon < 360 && lat > -10 && lat < 70;
}

// getsaa -- SAA passages of the user period: from the first grid time inside to the first
// grid time outside; a passage in progress at the end runs to the first grid time at or
// beyond tendinp. Grid times before tendinp are examined, the first always.
EventTable getsaa(const grid::ScanSetup& s, const grid::Samples& g, int threads) {
  std::size_t n = 1;
  while (n < g.size() && g.t[n] < s.tendinp) ++n;
  std::vector<char> inside(n);
  parallel_for(n, threads, [&](std::size_t k) {
    const State& st = g.st[k];
    // The precise model turns the Earth by the IAU 2006 apparent sidereal time (UTC as UT1).
    const double theta = s.model == Model::precise ? grid::precise_sidereal(*s.precise, g.t[k])
                                                   : std::fmod(we * g.t[k] + s.epocsidang, tpi);
    const ephem::Geodetic p = ephem::geocor(st[0], st[1], st[2], theta);
    inside[k] = in_saa(p.lat, p.lon);
  });
  EventTable saa;
  double entry = g.t[0];
  bool prev = false;
  for (std::size_t k = 0; k < n; ++k) {
    if (!prev && inside[k]) entry = g.t[k];
    if (prev && !inside[k]) saa.add(entry, g.t[k]);
    prev = inside[k];
  }
  if (prev) saa.add(entry, n < g.size() ? g.t[n] : g.t[n - 1] + s.step);
  return saa;
}

}  // namespace kv::events
