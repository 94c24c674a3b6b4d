// Event tables: the plain results the detectors return and the reports read. Times are
// orbit times (seconds since the orbit-file epoch).
#pragma once

#include <vector>

namespace kv {

// Closed intervals [t1[i], t2[i]], in time order, not overlapping; growable without bound.
struct EventTable {
  std::vector<double> t1, t2;
  void add(double a, double b) {
    t1.push_back(a);
    t2.push_back(b);
  }
  int count() const { return static_cast<int>(t1.size()); }
  void clear() {
    t1.clear();
    t2.clear();
  }
};

// Northern half-orbits: ascending node torb1, descending node torb2, orbit number orbarr.
struct OrbitTable {
  std::vector<double> torb1, torb2;
  std::vector<int> orbarr;
  int kj() const { return static_cast<int>(orbarr.size()); }
};

}  // namespace kv
