// s0032 -- refined time of a sign change of an event function inside one scan step, by
// false position (regula falsi).
#pragma once

#include <cmath>

namespace kv::events {

// Given:    fn  event function of orbit time (s); x1  right end of the bracket (the current
//           grid time); f1 = fn(x1); width  bracket width (the scan step), left end
//           x0 = x1 - width; f0 = fn(x0), of the other sign (f0 - f1 != 0)
// Returned: the refined time; x1 when a function value is not a number
// Notes:    stops when the estimate lies within 0.1 s of the left end, when |fn| <= 1e-5
//           (both with a 1e-8 comparison margin), or when f0 fn(x) equals 1e-8 exactly.
//           note: a cap of 1000 passes, never reached by a smooth function, ends the search
//           at the last estimate.
template <typename Fn>
double s0032(Fn&& fn, double x1, double f1, double width, double f0) {
  constexpr double step_tol = 0.1, value_tol = 1e-5, eps = 1e-8;
  double x0 = x1 - width;
  double d = width;
  double x = x1;
  for (int pass = 0; pass < 1000; ++pass) {
    const double dold = d;
    d = d * f0 / (f0 - f1);
    x = x0 + d;
    const double fx = fn(x);
    if (std::isnan(d)) return x1;
    if (std::fabs(d) - step_tol <= eps) return x;
    if (std::isnan(fx)) return x1;
    if (std::fabs(fx) - value_tol <= eps) return x;
    const double p = f0 * fx;
    if (std::isnan(p)) return x1;
    if (p < eps) {
      f1 = fx;  // sign change between x0 and x: x is the new right end
    } else if (p == eps) {
      return x;
    } else {
      x0 = x;  // sign change between x and the right end
      f0 = fx;
      d = dold - d;
    }
  }
  return x;
}

}  // namespace kv::events
