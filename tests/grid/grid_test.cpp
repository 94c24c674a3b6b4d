// The sample grids: grid times formed as the scans form them, and samples equal bit for bit
// to the quantities computed at each time on their own, whatever the thread count.
#include "grid/grid.hpp"

#include <gtest/gtest.h>

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
// start on a whole minute after the epoch) and computes its own elsewhere.
TEST(EquatorSamples, SharedAndOwnTimesGiveTheSameZ) {
  for (double start : {3600.0, 3600.25}) {
    const RunContext ctx = test::scan_context(test::kDemoElements, start, start + 7200);
    const test::Scan sc = test::scan_of(ctx, 2);
    const EquatorSamples eq = equator_samples(sc.s, sc.g, 2);
    ASSERT_EQ(eq.t.size(), grid_times(0, 60, start + 7200).size());
    for (std::size_t j = 0; j < eq.t.size(); ++j)
      ASSERT_EQ(eq.z[j], orbit::stvsel(ctx.orbit, eq.t[j])[2]) << j;
  }
}

}  // namespace
}  // namespace kv::grid
