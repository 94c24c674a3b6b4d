// The sample grids: grid times formed as the scans form them, and samples equal bit for bit
// to the quantities computed at each time on their own, whatever the thread count.
#include "grid/grid.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "ephem/ephem.hpp"
#include "support/fixture.hpp"

namespace kv::grid {
namespace {

TEST(GridTimes, RepeatedAdditionUpToTheEndInclusive) {
  const std::vector<double> t = grid_times(0.1, 60, 180.1);
  ASSERT_EQ(t.size(), 4u);  // the end itself is a grid time
  EXPECT_EQ(grid_times(0.1, 60, 180.09).size(), 3u);
  double x = 0.1;
  for (double v : t) {
    EXPECT_EQ(v, x);
    x = x + 60;
  }
  EXPECT_EQ(grid_times(0, 60, 120), (std::vector<double>{0, 60, 120}));
  EXPECT_EQ(grid_times(50, 60, 10), (std::vector<double>{50}));  // the first always
}

TEST(Samples, EqualToTheQuantitiesComputedAloneForAnyThreadCount) {
  const RunContext ctx = test::scan_context(test::kDemoElements, 86400.5, 2 * 86400.5);
  const test::Scan one = test::scan_of(ctx, 1);
  const test::Scan four = test::scan_of(ctx, 4);
  ASSERT_EQ(one.g.size(), 1441u);
  EXPECT_EQ(one.g.t, four.g.t);
  EXPECT_EQ(one.g.st, four.g.st);
  EXPECT_EQ(one.g.sun, four.g.sun);
  EXPECT_EQ(one.g.moon, four.g.moon);
  for (std::size_t k : {std::size_t{0}, std::size_t{700}, one.g.size() - 1}) {
    EXPECT_EQ(one.g.st[k], orbit::stvsel(ctx.orbit, one.g.t[k]));
    const ephem::SunMoon sm = ephem::surcha(one.g.t[k] / daysec + ctx.tstusr1900, -1);
    EXPECT_EQ(one.g.sun[k], sm.sun);
    EXPECT_EQ(one.g.moon[k], sm.moon);
  }
}

// The equator grid takes the user grid's state vectors where the two grids meet (a user
// start on a whole minute after the epoch) and computes its own elsewhere; between exact
// values it keeps only signs, which must be those of the exact z, and the values on both
// sides of every change of sign must be exact.
TEST(EquatorSamples, SignsEverywhereAndExactValuesAtEveryChange) {
  for (double start : {3600.0, 3600.25}) {
    const RunContext ctx = test::scan_context(test::kDemoElements, start, start + 7200);
    const test::Scan sc = test::scan_of(ctx, 2);
    const EquatorSamples eq = equator_samples(sc.s, sc.g, 2);
    ASSERT_EQ(eq.t.size(), grid_times(0, 60, start + 7200).size());
    int exact = 0, changes = 0;
    for (std::size_t j = 0; j < eq.t.size(); ++j) {
      const double z = orbit::stvsel(ctx.orbit, eq.t[j])[2];
      ASSERT_EQ(eq.z[j] >= 0, z >= 0) << j;
      if (eq.exact[j]) {
        ++exact;
        ASSERT_EQ(eq.z[j], z) << j;
      }
      if (j > 0 && (z >= 0) != (eq.z[j - 1] >= 0)) {
        ++changes;
        EXPECT_TRUE(eq.exact[j] && eq.exact[j - 1]) << j;
      }
    }
    EXPECT_GE(changes, 3);
    EXPECT_LT(exact, static_cast<int>(eq.t.size()));
  }
}

// The interpolated Sun and Moon stay within a tenth of the bound the detectors assume.
TEST(Samples, InterpolatedDirectionsWithinTheBound) {
  const RunContext ctx = test::scan_context(test::kDemoElements, 0, 30 * 86400.0);
  const test::Scan sc = test::scan_of(ctx, 2);
  double worst = 0;
  for (std::size_t k = 0; k < sc.g.size(); ++k) {
    if (sc.g.exact[k]) continue;
    const ephem::SunMoonDirections sm = sun_moon_at(sc.s, sc.g.t[k]);
    for (int i = 0; i < 3; ++i)
      worst = std::max(
          {worst, std::fabs(sm.sun[i] - sc.g.sun[k][i]), std::fabs(sm.moon[i] - sc.g.moon[k][i])});
  }
  EXPECT_GT(worst, 0.0);
  EXPECT_LT(worst * std::sqrt(3.0) * 10, interpolation_error);
}

// The rate bound holds with room to spare on circular, inclined and eccentric orbits.
TEST(MaxZRate, AboveTheFastestChangeOfZ) {
  for (const Elements& q : {test::kDemoElements, Elements{7028.137, 0.001, 98.0, 0, 0, 0},
                            Elements{26560.0, 0.72, 63.4, 270.0, 120.0, 5.0},
                            Elements{42164.17, 0.0001, 0.01, 0, 0, 253}}) {
    const orbit::MeanOrbit orb = orbit::mean_orbit(orbit::oscmean(q));
    double fastest = 0;
    for (double t = 0; t < 43200; t += 1)
      fastest =
          std::max(fastest, std::fabs(orbit::stvsel(orb, t + 1)[2] - orbit::stvsel(orb, t)[2]));
    EXPECT_LT(fastest * 1.1, max_z_rate(orb)) << q[0];
  }
}

}  // namespace
}  // namespace kv::grid
