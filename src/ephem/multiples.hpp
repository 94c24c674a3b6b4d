// Sines and cosines of integer combinations of a few angles, built from one library sine
// and cosine per angle with the multiple-angle and addition formulas.
#pragma once

#include <cmath>

namespace kv::ephem {

// cos(n x) and sin(n x) for n = -4..4.
struct Multiples {
  double c[9], s[9];
  explicit Multiples(double x) {
    const double s1 = std::sin(x), c1 = std::cos(x);
    const double s2 = 2 * s1 * c1, c2 = 1 - 2 * s1 * s1;
    const double s3 = 3 * s1 - 4 * s1 * s1 * s1, c3 = 4 * c1 * c1 * c1 - 3 * c1;
    const double s4 = 2 * s2 * c2, c4 = 1 - 2 * s2 * s2;
    const double cs[5] = {1, c1, c2, c3, c4}, ss[5] = {0, s1, s2, s3, s4};
    for (int n = 0; n <= 4; ++n) {
      c[4 + n] = cs[n];
      s[4 + n] = ss[n];
      c[4 - n] = cs[n];
      s[4 - n] = -ss[n];
    }
  }
};

// cos and sin of sum_j n[j] x_j for N angles, each |n[j]| <= 4.
template <int N>
void combine(const Multiples* const (&m)[N], const int (&n)[N], double& c, double& s) {
  c = 1;
  s = 0;
  for (int j = 0; j < N; ++j) {
    if (n[j] == 0) continue;
    const double cj = m[j]->c[4 + n[j]], sj = m[j]->s[4 + n[j]];
    const double cn = c * cj - s * sj;
    s = s * cj + c * sj;
    c = cn;
  }
}

}  // namespace kv::ephem
