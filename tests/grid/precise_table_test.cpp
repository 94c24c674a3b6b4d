// The precise model's ephemeris table and source track against the kernels evaluated at each
// instant, and the angles seen from the satellite against JPL DE405:
//   ERFA through the precise kernels (tests/ephem/precise_test.cpp checks them in turn);
//   JPL DE405 with ERFA (casacore-data-jpl-de405, python3-erfa): the apparent Sun and Moon and
//     the apparent places of tests/data/reference/ (see its README).
// Tolerances sit just above the largest disagreement measured, for the reason given at each.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "common/timescales.hpp"
#include "driver/steps.hpp"
#include "events/events.hpp"
#include "grid/grid.hpp"
#include "support/fixture.hpp"
#include "support/reference.hpp"
#include "view/scan.hpp"

namespace kv::grid {
namespace {
namespace precise = ephem::precise;

constexpr double kPi = 3.141592653589793;
constexpr double kArcsec = kPi / (180.0 * 3600);

double norm(const Vec3& v) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }
double angle_arcsec(const Vec3& a, const Vec3& b) {
  const Vec3 x{a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
  return std::atan2(norm(x), a[0] * b[0] + a[1] * b[1] + a[2] * b[2]) / kArcsec;
}
Vec3 unit(double ra_deg, double dec_deg) {
  const double a = ra_deg * kPi / 180, d = dec_deg * kPi / 180;
  return {std::cos(d) * std::cos(a), std::cos(d) * std::sin(a), std::sin(d)};
}
Vec3 minus(const Vec3& a, const State& st) { return {a[0] - st[0], a[1] - st[1], a[2] - st[2]}; }

// A precise scan set-up of the demo orbit (epoch 2024-03-09) over [start, end] orbit seconds,
// or, with day1900 > 0, of that orbit epoch (days since 1900).
ScanSetup precise_setup(double start, double end, double day1900 = 0) {
  RunContext ctx = test::scan_context(test::kDemoElements, start, end);
  ctx.model = Model::precise;
  if (day1900 > 0) ctx.tstusr1900 = day1900;
  return driver::scan_setup(ctx);
}

// 400 days from 370 days after the epoch (the longest reach), 400 random instants. Measured:
// Sun 0.001 arcsec and 0.9 km (cubic through daily positions), Moon 0.0094 arcsec and
// 0.017 km, sidereal time 0.0086 arcsec (the day anchors' matrix and equation of the origins
// interpolated: nutation's short terms), source 0.017 arcsec (linear between daily places).
TEST(PreciseTable, AgreesWithTheKernelsAtEveryInstant) {
  const ScanSetup s = precise_setup(370 * daysec, 770 * daysec);
  const SourceTrack src = source_track(s, {}, 83.63, 22.01);
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> when(s.tstreadif, s.tendinp);
  double worst[6] = {};
  for (int i = 0; i < 400; ++i) {
    const double t = when(rng), x = ephemeris_day(s, t);
    const precise::TimeArgs ta = precise::time_args(x);
    const precise::Anchor a = precise::anchor(ta);
    const BodyPositions b = precise_bodies(*s.precise, t);
    const Vec3 sun = precise::sun_apparent(a), moon = precise::moon_apparent(a);
    const double m[6] = {
        angle_arcsec(b.sun, sun),
        norm(minus(b.sun, {sun[0], sun[1], sun[2], 0, 0, 0})),
        angle_arcsec(b.moon, moon),
        norm(minus(b.moon, {moon[0], moon[1], moon[2], 0, 0, 0})),
        std::fabs(std::remainder(precise_sidereal(*s.precise, t) - precise::gast(ta), 2 * kPi)) /
            kArcsec,
        angle_arcsec(src.at(t), precise::apparent_place(a, precise::icrs_unit(83.63, 22.01)))};
    for (int j = 0; j < 6; ++j) worst[j] = std::max(worst[j], m[j]);
  }
  std::printf("Sun %.2g arcsec %.2g km, Moon %.2g arcsec %.2g km, sidereal %.2g, source %.2g\n",
              worst[0], worst[1], worst[2], worst[3], worst[4], worst[5]);
  const double bound[6] = {0.002, 1.5, 0.015, 0.03, 0.015, 0.03};
  for (int j = 0; j < 6; ++j) EXPECT_LT(worst[j], bound[j]) << j;
  // Seen from the satellite the interpolated bodies stay far within the grid's bound.
  EXPECT_LT(0.03 * kArcsec, interpolation_error);
}

constexpr auto rows = &test::reference_rows;
double utc_days(const std::string& iso) {
  Epoch e{};
  std::sscanf(iso.c_str(), "%d-%d-%dT%d:%d:%d", &e[0], &e[1], &e[2], &e[3], &e[4], &e[5]);
  return timdif(e).days;
}

// Satellite positions of a 7028 km orbit around the reference instants (km, of date).
constexpr double kR = 7028.137;
const State kPlaces[] = {{kR, 0, 0, 0, 0, 0},  {-kR, 0, 0, 0, 0, 0}, {0, kR, 0, 0, 0, 0},
                         {0, -kR, 0, 0, 0, 0}, {0, 0, kR, 0, 0, 0},  {0, 0, -kR, 0, 0, 0}};

// The set-up for a reference instant x (days since 1900): the orbit epoch a day before, the
// user period from 3000 s before x, so that x falls between the table's nodes.
struct AtInstant {
  ScanSetup s;
  double t;  // orbit time of x
};
AtInstant at_instant(double x) {
  const double t = daysec;
  return {precise_setup(t - 3000, t - 3000 + 2 * daysec, x - 1), t};
}

// Roll-Sun and roll-Moon angles, and the Sun and Moon directions, seen from six satellite
// places at the 40 instants of reference-ephemeris.csv (1992-2057), against DE405. Measured:
// Sun direction 0.011 arcsec, Moon direction 6.44 arcsec (eraMoon98, Meeus' abridged lunar
// theory: the acceptance bounds of the precise model are 5 and 15 arcsec).
TEST(PreciseTable, SunAndMoonFromTheSatelliteAgreeWithDe405) {
  const auto table = rows("reference-ephemeris.csv");
  ASSERT_EQ(table.size(), 40u);
  double worst_sun = 0, worst_moon = 0;
  for (const auto& r : table) {
    SCOPED_TRACE(r[0]);
    const AtInstant p = at_instant(utc_days(r[0]));
    const BodyPositions b = precise_bodies(*p.s.precise, p.t);
    Vec3 sun = unit(std::stod(r[2]), std::stod(r[3])),
         moon = unit(std::stod(r[5]), std::stod(r[6]));
    for (std::size_t i = 0; i < 3; ++i) {
      sun[i] *= std::stod(r[4]);
      moon[i] *= std::stod(r[7]);
    }
    for (const State& st : kPlaces) {
      const ephem::SunMoonDirections d = directions_at(p.s, p.t, st);
      worst_sun = std::max(worst_sun, angle_arcsec(d.sun, minus(sun, st)));
      worst_moon = std::max(worst_moon, angle_arcsec(d.moon, minus(moon, st)));
      EXPECT_LT(angle_arcsec(precise::seen_from(b.sun, st), d.sun), 1e-9);
    }
  }
  std::printf("from the satellite: Sun %.3f arcsec, Moon %.2f arcsec\n", worst_sun, worst_moon);
  EXPECT_LT(worst_sun, 0.02);
  EXPECT_LT(worst_moon, 7.0);
}

// The roll-Sun and roll-Moon angles of nine sources at the five instants of
// reference-apparent-places.csv, seen from six satellite places, against DE405 and ERFA's
// apparent places. Measured: roll-Sun 0.006 arcsec, roll-Moon 3.2 arcsec.
TEST(PreciseTable, RollAnglesAgreeWithDe405) {
  const auto places = rows("reference-apparent-places.csv");
  const auto bodies = rows("reference-ephemeris.csv");
  ASSERT_EQ(places.size(), 45u);
  double worst_sun = 0, worst_moon = 0;
  for (const auto& r : places) {
    SCOPED_TRACE(r[0] + " " + r[3]);
    const auto& e = *std::find_if(bodies.begin(), bodies.end(),
                                  [&](const auto& row) { return row[0] == r[3]; });
    const AtInstant p = at_instant(utc_days(r[3]));
    const SourceTrack src = source_track(p.s, {}, std::stod(r[1]), std::stod(r[2]));
    const Vec3 truth = unit(std::stod(r[4]), std::stod(r[5]));
    Vec3 sun = unit(std::stod(e[2]), std::stod(e[3])),
         moon = unit(std::stod(e[5]), std::stod(e[6]));
    for (std::size_t i = 0; i < 3; ++i) {
      sun[i] *= std::stod(e[4]);
      moon[i] *= std::stod(e[7]);
    }
    for (const State& st : kPlaces) {
      const ephem::SunMoonDirections d = directions_at(p.s, p.t, st);
      const Vec3 fc1 = src.at(p.t);
      const double rs = angle_arcsec(fc1, d.sun) - angle_arcsec(truth, minus(sun, st));
      const double rm = angle_arcsec(fc1, d.moon) - angle_arcsec(truth, minus(moon, st));
      worst_sun = std::max(worst_sun, std::fabs(rs));
      worst_moon = std::max(worst_moon, std::fabs(rm));
    }
  }
  std::printf("roll-Sun %.3f arcsec, roll-Moon %.2f arcsec\n", worst_sun, worst_moon);
  EXPECT_LT(worst_sun, 0.02);
  EXPECT_LT(worst_moon, 7.0);
}

// 30 days of the precise model: the grid's shortcuts (decisions on directions known within
// interpolation_error) give the windows of a grid exact at every time; every umbra lies inside
// a penumbra passage, which is at most a minute longer at either end (the penumbra's width
// is the Sun's diameter, 0.53 degrees, about 8 s of orbit).
TEST(PreciseGrid, ShortcutsGiveTheExactGridsWindowsAndUmbraLiesInPenumbra) {
  const ScanSetup s = precise_setup(10 * daysec, 40 * daysec);
  const Samples fast = user_samples(s, 2), exact = user_samples(s, 2, true);
  const EventTable e1 = events::geteclp(s, fast, 2), e2 = events::geteclp(s, exact, 2);
  EXPECT_EQ(e1.t1, e2.t1);
  EXPECT_EQ(e1.t2, e2.t2);
  const EventTable pen = events::conical_shadow(s, fast, events::penumbra, 2);
  ASSERT_EQ(pen.t1.size(), e1.t1.size());
  ASSERT_GT(e1.t1.size(), 400u);
  for (std::size_t k = 0; k < pen.t1.size(); ++k) {
    EXPECT_LE(pen.t1[k], e1.t1[k]);  // equal at the ends of the period
    EXPECT_GE(pen.t2[k], e1.t2[k]);
    EXPECT_LT(e1.t1[k] - pen.t1[k], 60.0);
    EXPECT_LT(pen.t2[k] - e1.t2[k], 60.0);
  }
  const struct {
    double ra, dec;
  } sources[] = {{83.63, 22.01}, {244.979, -15.64}, {0, 0}, {180, 89}};
  const view::ViewLimits lim{45, 45, 45, 10, 10};
  for (const auto& c : sources) {
    SCOPED_TRACE(c.ra);
    const SourceTrack src = source_track(s, {}, c.ra, c.dec);
    const view::ViewScan a = view::getatt(s, fast, src, lim, false, 2);
    const view::ViewScan b = view::getatt(s, exact, src, lim, true, 2);
    EXPECT_EQ(a.windows.t1, b.windows.t1);
    EXPECT_EQ(a.windows.t2, b.windows.t2);
  }
}

}  // namespace
}  // namespace kv::grid
