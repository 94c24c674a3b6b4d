#include "common/kepler.hpp"

#include <cmath>

namespace kv {

// solkep -- eccentric anomaly from Kepler's equation E - e sin E = M (Newton's method).
//
// Given:    e  eccentricity, 0 <= e < 1;  m  mean anomaly, radians
// Returned: E, radians, not reduced
// Notes:    stops when |d| <= 1e-11. note: a cap of 200 passes, never reached for e < 1,
//           keeps non-finite input from looping forever.
double solkep(double e, double m) {
  double ea = m;
  for (int pass = 0; pass < 200; ++pass) {
    const double d = (e * std::sin(ea) + m - ea) / (1 - e * std::cos(ea));
    ea = ea + d;
    if (!(std::fabs(d) - 1e-11 > 0)) break;
  }
  return ea;
}

}  // namespace kv
