#include <array>
#include <cmath>

#include "ephem/ephem.hpp"

namespace kv::ephem {
namespace {

// One term of the series: multipliers of l, l', F, D, node; longitude sine coefficient and
// its rate; obliquity cosine coefficient and its rate. Arcseconds and arcseconds per Julian
// century. Woolard (1953), truncated to 68 longitude and 39 obliquity terms; rows 1-23 are
// the long-period family, rows 24-68 the short-period family.
struct NutTerm {
  int l, lp, f, d, om;
  double a, ar, b, br;
};

constexpr std::array<NutTerm, 68> kTerms{{
    {0, 0, 0, 0, 1, -17.2327, -0.01737, 9.2100, 0.00091},  // 1
    {0, 0, 2, -2, 2, -1.2729, -0.00013, 0.5522, -0.00029},
    {0, 0, 0, 0, 2, 0.2088, 0.00002, -0.0904, 0.00004},
    {0, 1, 0, 0, 0, 0.1261, -0.00031, 0, 0},
    {0, 1, 2, -2, 2, -0.0497, 0.00012, 0.0216, -0.00006},  // 5
    {0, -1, 2, -2, 2, 0.0214, -0.00005, -0.0093, 0.00003},
    {0, 0, 2, -2, 1, 0.0124, 0.00001, -0.0066, 0},
    {-2, 0, 2, 0, 1, 0.0045, 0, -0.0024, 0},
    {-2, 0, 0, 2, 0, -0.0045, 0, 0, 0},
    {0, 0, 2, -2, 0, -0.0021, 0, 0, 0},  // 10
    {0, 2, 0, 0, 0, 0.0016, 0, 0, 0},
    {0, 2, 2, -2, 2, -0.0015, 0, 0.0007, 0},
    {0, 1, 0, 0, 1, -0.0015, 0, 0.0008, 0},
    {-2, 0, 2, 0, 0, -0.0010, 0, 0, 0},
    {0, -1, 0, 0, 1, -0.0010, 0, 0.0005, 0},  // 15
    {-2, 0, 0, 2, 1, -0.0005, 0, 0.0003, 0},
    {0, -1, 2, -2, 1, -0.0005, 0, 0, 0},
    {2, 0, 0, -2, 1, 0.0004, 0, -0.0002, 0},
    {0, -2, 2, -2, 1, -0.0004, 0, 0.0002, 0},
    {0, 1, 2, -2, 1, 0.0003, 0, -0.0002, 0},  // 20
    {-2, 0, 2, 0, 2, -0.0003, 0, 0.0002, 0},
    {-1, 0, 0, 1, 0, 0.0003, 0, 0, 0},
    {-1, 1, 0, 1, 0, 0.0002, 0, 0, 0},
    {0, 0, 2, 0, 2, -0.2037, -0.00002, 0.0884, -0.00005},  // 24
    {1, 0, 0, 0, 0, 0.0675, 0.00001, 0, 0},  // 25
    {0, 0, 2, 0, 1, -0.0342, -0.00004, 0.0183, 0},
    {1, 0, 2, 0, 2, -0.0261, 0, 0.0113, -0.00001},
    {-1, 0, 0, 2, 0, 0.0149, 0, 0, 0},
    {-1, 0, 2, 0, 2, 0.0114, 0, -0.0050, 0},
    {0, 0, 0, 2, 0, 0.0060, 0, 0, 0},  // 30
    {1, 0, 0, 0, 1, 0.0058, 0, -0.0031, 0},
    {-1, 0, 0, 0, 1, -0.0057, 0, 0.0030, 0},
    {-1, 0, 2, 2, 2, -0.0052, 0, 0.0022, 0},
    {1, 0, 2, 0, 1, -0.0044, 0, 0.0023, 0},
    {2, 0, 0, 0, 0, 0.0028, 0, 0, 0},  // 35
    {0, 0, 2, 2, 2, -0.0032, 0, 0.0014, 0},
    {1, 0, 2, -2, 2, 0.0026, 0, -0.0011, 0},
    {2, 0, 2, 0, 2, -0.0026, 0, 0.0011, 0},
    {0, 0, 2, 0, 0, 0.0025, 0, 0, 0},
    {-1, 0, 2, 0, 1, 0.0019, 0, -0.0010, 0},  // 40
    {1, 0, 0, -2, 1, -0.0013, 0, 0.0007, 0},
    {-1, 0, 0, 2, 1, 0.0014, 0, -0.0007, 0},
    {-1, 0, 2, 2, 1, -0.0009, 0, 0.0005, 0},
    {0, 1, 2, 0, 2, 0.0007, 0, -0.0003, 0},
    {-1, -1, 0, 2, 0, 0.0007, 0, 0, 0},  // 45
    {2, 0, 2, -2, 2, 0.0006, 0, -0.0002, 0},
    {1, 0, 0, 2, 0, 0.0006, 0, 0, 0},
    {0, -1, 2, 0, 2, -0.0006, 0, 0.0003, 0},
    {1, 0, 2, 2, 2, -0.0006, 0, 0.0003, 0},
    {0, 0, 0, 2, 1, -0.0006, 0, 0.0003, 0},  // 50
    {1, 0, 2, -2, 1, 0.0005, 0, -0.0003, 0},
    {0, 0, 0, -2, 1, -0.0005, 0, 0.0003, 0},
    {0, 0, 2, 2, 1, -0.0005, 0, 0.0003, 0},
    {1, -1, 0, 0, 0, 0.0004, 0, 0, 0},
    {-1, 0, 2, 0, 0, -0.0004, 0, 0, 0},  // 55
    {2, 0, 2, 0, 1, -0.0004, 0, 0.0002, 0},
    {0, -1, 0, 2, 0, 0.0004, 0, 0, 0},
    {0, 0, 0, 1, 0, -0.0004, 0, 0, 0},
    {1, 0, 2, 0, 0, 0.0003, 0, 0, 0},
    {1, 1, 0, 0, 0, -0.0003, 0, 0, 0},  // 60
    {1, -1, 2, 0, 2, -0.0003, 0, 0, 0},
    {2, 0, 0, 0, 1, 0.0002, 0, 0, 0},
    {1, 1, 2, 0, 2, 0.0002, 0, 0, 0},
    {-2, 0, 0, 0, 1, -0.0002, 0, 0, 0},
    {-1, 0, 2, -2, 1, -0.0002, 0, 0, 0},  // 65
    {-1, -1, 2, 2, 2, -0.0002, 0, 0, 0},
    {1, 0, 0, 0, 2, -0.0002, 0, 0, 0},
    {3, 0, 2, 0, 2, -0.0002, 0, 0, 0},  // 68
}};

// cos(n x) + i sin(n x) for n = -3..3, from one library sine and cosine of x with the
// double- and triple-angle formulas.
struct Multiples {
  double c[7], s[7];
  explicit Multiples(double x) {
    const double s1 = std::sin(x), c1 = std::cos(x);
    const double s2 = 2 * s1 * c1, c2 = 1 - 2 * s1 * s1;
    const double s3 = 3 * s1 - 4 * s1 * s1 * s1, c3 = 4 * c1 * c1 * c1 - 3 * c1;
    const double cs[4] = {1, c1, c2, c3}, ss[4] = {0, s1, s2, s3};
    for (int n = 0; n <= 3; ++n) {
      c[3 + n] = cs[n];
      s[3 + n] = ss[n];
      c[3 - n] = cs[n];
      s[3 - n] = -ss[n];
    }
  }
};

}  // namespace

// nutcof -- nutation in longitude and obliquity (Woolard's series, 68/39 terms).
//
// Given:    t  Julian centuries from 1900 Jan 0.5; lm, gmp, om, l, gp  mean longitudes of the
//           Moon, the Moon's perigee, the Moon's node, the Sun and the Sun's perigee (radians)
// Returned: deps, dpsi in radians
// Notes:    arguments l = lm - gmp, l' = l - gp, F = lm - om, D = lm - l, node; each term's
//           sine and cosine are built from the ten library calls by angle addition.
Nutation nutcof(double t, double lm, double gmp, double om, double l, double gp) {
  const Multiples ml(lm - gmp), mlp(l - gp), mf(lm - om), md(lm - l), mom(om);
  double dpsi = 0, deps = 0, dpsi_rate = 0, deps_rate = 0;
  for (const NutTerm& k : kTerms) {
    // Product of the five complex factors e^{i n x}.
    double c = 1, s = 0;
    const Multiples* f[5] = {&ml, &mlp, &mf, &md, &mom};
    const int n[5] = {k.l, k.lp, k.f, k.d, k.om};
    for (int j = 0; j < 5; ++j) {
      if (n[j] == 0) continue;
      const double cj = f[j]->c[3 + n[j]], sj = f[j]->s[3 + n[j]];
      const double cn = c * cj - s * sj;
      s = s * cj + c * sj;
      c = cn;
    }
    dpsi += k.a * s;
    deps += k.b * c;
    dpsi_rate += k.ar * s;
    deps_rate += k.br * c;
  }
  dpsi += t * dpsi_rate;
  deps += t * deps_rate;
  return {deps * arcsec, dpsi * arcsec};
}

}  // namespace kv::ephem
