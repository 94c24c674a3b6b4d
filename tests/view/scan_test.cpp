// The view scan: the window rules of evntst and evntend, the limits, and whole scans with
// chosen limits over whole-minute and non-whole-minute periods.
#include "view/scan.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "support/fixture.hpp"
#include "view/attitude.hpp"

namespace kv::view {
namespace {

using test::kDemoElements;
using test::scan_context;

TEST(Evntend, WindowsLongerThan15MinutesAreRecorded) {
  ViewScan ctx;
  for (double minutes : {15.0, 16.0, 0.0, 2000.0}) {
    ViewWindow w;
    evntst(w, 600);
    evntst(w, 1200);  // already open: the start stays
    EXPECT_EQ(w.start, 600.0);
    evntend(ctx, w, 1, 600 + minutes * 60, false);  // in view, not the last sample: stays open
    EXPECT_EQ(w.open, 1);
    evntend(ctx, w, 0, 600 + minutes * 60, false);
    EXPECT_EQ(w.open, 0);
  }
  ASSERT_EQ(ctx.windows.count(), 2);
  EXPECT_EQ(ctx.windows.t2[0], 600 + 16 * 60.0);
  EXPECT_EQ(ctx.windows.t2[1], 600 + 2000 * 60.0);
  EXPECT_DOUBLE_EQ(ctx.totviewdur, 2016.0);
  ViewWindow w;
  evntst(w, 0);
  evntend(ctx, w, 1, 1000 * 60.0, true);  // closed at the last sample while in view
  EXPECT_EQ(ctx.windows.count(), 3);
  evntend(ctx, w, 0, 5000 * 60.0, false);  // closed windows stay closed
  EXPECT_EQ(ctx.windows.count(), 3);
}

ViewLimits limits_of(const RunContext& ctx) {
  return {ctx.ywsvlim, ctx.rosvlim, ctx.nrosvlim, ctx.romlim, ctx.rovellim};
}

// The view scan of a context's source and limits.
ViewScan getatt(const RunContext& ctx, int threads = 2) {
  const test::Scan sc = test::scan_of(ctx, threads);
  return view::getatt(sc.s, sc.g, ctx.fc1, limits_of(ctx), true, threads);
}

// Scans with every limit far below its angle: in view at every sample.
ViewScan always_in_view(double start, double end) {
  RunContext ctx = scan_context(kDemoElements, start, end);
  ctx.rosvlim = ctx.nrosvlim = ctx.romlim = ctx.rovellim = ctx.ywsvlim = -1;
  return getatt(ctx);
}

TEST(Getatt, WindowOpenAtTheEndOfAWholeMinutePeriodEndsAtTheLastSample) {
  const ViewScan v = always_in_view(86400, 3 * 86400);
  ASSERT_EQ(v.windows.count(), 1);
  EXPECT_EQ(v.windows.t1[0], 86400.0);
  EXPECT_EQ(v.windows.t2[0], 3 * 86400.0 - 60);
  EXPECT_DOUBLE_EQ(v.totviewdur, 2879.0);
  EXPECT_EQ(v.angles.size(), 2880u);
}

TEST(Getatt, WindowOpenAtTheEndOfANonWholeMinutePeriodIsKept) {
  const ViewScan v = always_in_view(86400, 3 * 86400 + 30);
  ASSERT_EQ(v.windows.count(), 1);
  EXPECT_EQ(v.windows.t2[0], 3 * 86400.0 - 60);  // last sample not beyond the end minus a step
}

TEST(Getatt, PeriodOfOneStepTakesOneSampleAndRecordsNothing) {
  const ViewScan v = always_in_view(86400, 86400 + 60);
  EXPECT_EQ(v.windows.count(), 0);
  EXPECT_EQ(v.angles.size(), 1u);
}

TEST(Getatt, PoleSourceOverTenHoursGetsOneWindow) {
  const ViewScan v = getatt(scan_context(kDemoElements, 86400, 86400 + 10 * 3600.0, 0, 90));
  ASSERT_EQ(v.windows.count(), 1);
  EXPECT_EQ(v.windows.t1[0], 86400.0);
  EXPECT_EQ(v.windows.t2[0], 86400 + 10 * 3600.0 - 60);
}

// An equatorial source in February, 135 degrees from the Sun, with the typical limits: the velocity
// direction passes within the roll-velocity limit once an orbit, cutting the view time into
// orbit-long windows.
TEST(Getatt, EquatorialSourceGetsAboutOneWindowPerOrbit) {
  const ViewScan v =
      getatt(scan_context(kDemoElements, 86400, 3 * 86400, 180, 0, Epoch{2027, 1, 31, 0, 0, 0, 0}));
  const double orbits = 2 * 86400 / 5864.0;  // period of a 7028 km orbit, s
  EXPECT_GE(v.windows.count(), static_cast<int>(orbits) - 2);
  EXPECT_LE(v.windows.count(), static_cast<int>(orbits) + 2);
  EXPECT_GT(v.totviewdur, 2400.0);
}

TEST(Getatt, AnAngleEqualToItsLimitIsOutOfView) {
  ViewLimits ctx;
  const AttAngles a{2.0, 1.0, 1.5, 0.5, 0.25};
  ctx.ywsvlim = ctx.rosvlim = ctx.nrosvlim = ctx.romlim = ctx.rovellim = -1;
  EXPECT_TRUE(in_view(ctx, a));
  ctx.romlim = 0.5 * cdr;
  EXPECT_FALSE(in_view(ctx, a));
  ctx.romlim = -1;
  ctx.ywsvlim = 2.0 * cdr;
  EXPECT_FALSE(in_view(ctx, a));
  const AttAngles nan_yaw{NAN, 1.0, 1.5, 0.5, 0.25};
  ctx.ywsvlim = -1;
  EXPECT_FALSE(in_view(ctx, nan_yaw));
}

// A decision taken on directions known to within err is the decision on any directions
// within err, checked on random geometries with limits placed right at the angles.
TEST(CertainInView, NeverDecidesWhatAPerturbationWithinTheErrorCouldChange) {
  std::mt19937_64 rng(7);
  std::normal_distribution<double> gauss;
  auto random_unit = [&] {
    Vec3 v{gauss(rng), gauss(rng), gauss(rng)};
    const double n = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    return Vec3{v[0] / n, v[1] / n, v[2] / n};
  };
  const double err = 1e-4;  // larger than the grid's, to meet the limits often
  int decided = 0, undecided = 0;
  for (int k = 0; k < 20000; ++k) {
    const Vec3 roll = random_unit(), sun = random_unit(), moon = random_unit();
    const State st{7000, 0, 0, 0, 7.5, 0};
    const AttAngles exact = attang(roll, st, moon, sun);
    // Limits within a few errors of the angles, so that many decisions are close.
    std::uniform_real_distribution<double> near(-3 * err * cdr, 3 * err * cdr);
    const ViewLimits lim{exact.yawsunang * cdr + near(rng), exact.rolsunang * cdr + near(rng),
                         exact.verollsunang * cdr + near(rng), exact.rolmunang * cdr + near(rng),
                         -1};
    // The approximation: the exact directions moved by up to err.
    auto moved = [&](const Vec3& v) {
      const Vec3 d = random_unit();
      const double r = err * std::uniform_real_distribution<double>(0, 0.99)(rng);
      return Vec3{v[0] + r * d[0], v[1] + r * d[1], v[2] + r * d[2]};
    };
    const Vec3 sun_a = moved(sun), moon_a = moved(moon);
    const int sure = certain_in_view(roll, sun_a, moon_a, exact.rolvelang, lim, err);
    if (sure < 0) {
      ++undecided;
      continue;
    }
    ++decided;
    ASSERT_EQ(sure == 1, in_view(lim, exact)) << k;
  }
  EXPECT_GT(decided, 1000);
  EXPECT_GT(undecided, 1000);
}

}  // namespace
}  // namespace kv::view
