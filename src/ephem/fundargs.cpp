#include <cmath>

#include "ephem/ephem.hpp"

namespace kv::ephem {
namespace {

// Cubic c0 + c1 T + c2 T^2 + c3 T^3 by Horner's rule.
double poly(double t, double c0, double c1, double c2, double c3) {
  return ((c3 * t + c2) * t + c1) * t + c0;
}

}  // namespace

// fundargs -- mean elements of the Sun (Newcomb) and the Moon (Brown), 1900 epoch.
//
// Given:    t  Julian centuries of 36525 days from 1900 Jan 0.5 (JD 2415020.0)
//           lm_c3  cubic coefficient of the Moon's mean longitude (the ephemeris and the
//                  equation of the equinoxes carry it to different digits)
// Returned: angles in degrees, reduced; e and eps unreduced
FundArgs fundargs(double t, double lm_c3) {
  FundArgs a{};
  a.l = poly(t, 279.696677777778, 36000.768925, 0.0003025, 0);
  a.gp = poly(t, 281.220833333333, 1.719175, 0.00045277777777778, 3.3333333333333333e-6);
  a.e = poly(t, 0.01675104, -4.18e-5, -1.26e-7, 0);
  a.eps = poly(t, 23.45229444444445, -0.0130125, -1.638888888888889e-6, 5.027777777777778e-7);
  a.lm = poly(t, 270.4341638888889, 481267.8831416667, -0.001133333333333333, lm_c3);
  a.gmp = poly(t, 334.3295555555555, 4069.034033333333, -0.010325, -1.25e-5);
  a.om = poly(t, 259.183275, -1934.14200833333, 0.00207777777777778, 2.222222222222222e-6);
  a.d = poly(t, 350.7374861111111, 445267.1142166667, -0.00143611111111111, 1.8888888888888888e-6);
  a.lm = std::fmod(a.lm, 360.0);
  a.gmp = std::fmod(a.gmp, 360.0);
  a.d = std::fmod(a.d, 360.0);
  a.l = std::fmod(a.l, 360.0);
  const int k = static_cast<int>(a.om / 360 - 1);
  a.om = a.om - 360.0 * k;
  return a;
}

}  // namespace kv::ephem
