// Kepler's equation, shared by the orbit propagation and the analytic Sun and Moon.
//
//   solkep  eccentric anomaly from Kepler's equation E - e sin E = M by Newton's method
#pragma once

namespace kv {

double solkep(double e, double m);

}  // namespace kv
