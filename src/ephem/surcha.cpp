#include <array>
#include <cmath>

#include "common/kepler.hpp"
#include "ephem/ephem.hpp"
#include "ephem/multiples.hpp"

namespace kv::ephem {
namespace {

constexpr double kAu = 149597961.8;                 // mean Earth-Sun distance, km
constexpr double kEarthRadius = re_lunar_parallax;  // km
constexpr double kParallax0 = 0.9507244444444445;   // constant lunar parallax, degrees (3422.608")

// One term of a lunar series: multipliers of l, l', F, D and the coefficient (arcseconds).
struct LunarTerm {
  int l, lp, f, d;
  double coef;
};

// clang-format off
// Brown's lunar theory, principal terms. Longitude: sine series, 21 terms.
constexpr std::array<LunarTerm, 21> kLongitude{{
    {  1,   0,   0,   0,   22639.58},
    {  1,   0,   0,  -2,  -4586.438},
    {  0,   0,   0,   2,   2369.899},
    {  2,   0,   0,   0,    769.021},
    {  0,   1,   0,   0,   -668.944},
    {  0,   0,   2,   0,   -411.614},
    {  2,   0,   0,  -2,   -211.658},
    {  1,   1,   0,  -2,   -206.219},
    {  1,   0,   0,   2,    191.954},
    {  0,   1,   0,  -2,   -165.351},
    {  1,  -1,   0,   0,    147.878},
    {  0,   0,   0,   1,   -124.785},
    {  1,   1,   0,   0,   -109.804},
    {  0,   0,   2,  -2,    -55.174},
    {  1,   0,   2,   0,      -45.1},
    {  1,   0,  -2,   0,     39.532},
    {  1,   0,   0,  -4,    -38.428},
    {  3,   0,   0,   0,     36.124},
    {  2,   0,   0,  -4,    -30.773},
    {  1,  -1,   0,  -2,    -28.511},
    {  0,   1,   0,   2,    -24.451},
}};

// Latitude: sine series, 11 terms.
constexpr std::array<LunarTerm, 11> kLatitude{{
    {  0,   0,   1,   0,   18461.48},
    {  1,   0,   1,   0,    1010.18},
    {  1,   0,  -1,   0,    999.695},
    {  0,   0,   1,  -2,   -623.658},
    {  1,   0,  -1,  -2,   -199.485},
    {  1,   0,   1,  -2,   -166.577},
    {  0,   0,   1,   2,    117.262},
    {  2,   0,   1,   0,     61.913},
    {  1,   0,  -1,   2,     33.359},
    {  2,   0,  -1,   0,     31.783},
    {  0,   1,   1,  -2,    -29.689},
}};

// Parallax: cosine series, 13 terms on top of the constant 3422.608".
constexpr std::array<LunarTerm, 13> kParallax{{
    {  1,   0,   0,   0,   186.5398},
    {  1,   0,   0,  -2,    34.3117},
    {  0,   0,   0,   2,    28.2333},
    {  2,   0,   0,   0,    10.1657},
    {  1,   0,   0,   2,     3.0861},
    {  0,   1,   0,  -2,     1.9202},
    {  1,   1,   0,  -2,     1.4455},
    {  1,  -1,   0,   0,     1.1542},
    {  0,   0,   0,   1,    -0.9752},
    {  1,   1,   0,   0,    -0.9502},
    {  1,   0,  -2,   0,    -0.7136},
    {  3,   0,   0,   0,     0.6215},
    {  1,   0,   0,  -4,     0.6008},
}};

// clang-format on

// Sum of coef * sin (or cos) of each term's argument, arcseconds.
template <std::size_t N>
double series(const std::array<LunarTerm, N>& terms, const Multiples* const (&args)[4],
              bool cosine) {
  double sum = 0;
  for (const LunarTerm& k : terms) {
    double c, s;
    combine(args, {k.l, k.lp, k.f, k.d}, c, s);
    sum += k.coef * (cosine ? c : s);
  }
  return sum;
}

}  // namespace

RaDec radec(const Vec3& u) {
  RaDec r{std::atan2(u[1], u[0]), std::asin(u[2])};
  if (r.ra <= 0) r.ra += tpi;
  return r;
}

namespace {

// The ephemeris proper; right ascensions and declinations only when `full`.
SunMoon sun_and_moon(double t, int nutation, bool full) {
  const double tc = (t + 0.5) / 36525;
  const FundArgs a = fundargs(tc, 1.88888888888888e-6);
  Nutation nut{0, 0};
  if (nutation < 0) nut = nutcof(tc, a.lm * cnr, a.gmp * cnr, a.om * cnr, a.l * cnr, a.gp * cnr);
  const double epst = a.eps * cnr + nut.deps;
  const double ce = std::cos(epst), se = std::sin(epst);
  SunMoon r{};

  // Sun.
  const double m = (a.l - a.gp) * cnr + nut.dpsi;
  const double ea = solkep(a.e, m);
  r.sun_dist = (1 - a.e * std::cos(ea)) * kAu;
  const double v = std::atan2(std::sqrt(1 - a.e * a.e) * std::sin(ea), std::cos(ea) - a.e);
  const double ls = a.gp * cnr + v;
  r.sun = {std::cos(ls), std::sin(ls) * ce, std::sin(ls) * se};
  if (full) {
    const RaDec sun = radec(r.sun);
    r.sun_ra = sun.ra;
    r.sun_dec = sun.dec;
  }

  // Moon.
  const Multiples l((a.lm - a.gmp) * cnr), lp((a.lm - a.d - a.gp) * cnr), f((a.lm - a.om) * cnr),
      d(a.d * cnr);
  const Multiples* const args[4] = {&l, &lp, &f, &d};
  const double lam = a.lm * cnr + series(kLongitude, args, false) * arcsec;
  const double beta = series(kLatitude, args, false) * arcsec;
  const double par = kParallax0 * cnr + series(kParallax, args, true) * arcsec;
  r.moon_dist = kEarthRadius / std::fabs(par);
  const double cb = std::cos(beta), sb = std::sin(beta), cl = std::cos(lam), sl = std::sin(lam);
  r.moon = {cb * cl, cb * sl * ce - sb * se, cb * sl * se + sb * ce};
  if (full) {
    const RaDec moon = radec(r.moon);
    r.moon_ra = moon.ra;
    r.moon_dec = moon.dec;
  }
  return r;
}

}  // namespace

// surcha -- geocentric Sun and Moon of date: low-precision analytic ephemeris.
//
// Given:    t  days since 1900 Jan 1, 0h UTC; nutation  < 0 to apply nutation
// Returned: unit vectors, distances (km), right ascensions (0, 2pi], declinations (radians)
// Notes:    the Sun moves on a Kepler ellipse of Newcomb's elements (no perturbations, no
//           aberration); the Moon comes from Brown's mean elements with 21/11/13-term series.
//           Nutation in longitude enters the Sun's longitude only; both bodies use the true
//           obliquity.
SunMoon surcha(double t, int nutation) { return sun_and_moon(t, nutation, true); }

SunMoonDirections sun_moon_directions(double t, int nutation) {
  const SunMoon r = sun_and_moon(t, nutation, false);
  return {r.moon, r.sun};
}

}  // namespace kv::ephem
