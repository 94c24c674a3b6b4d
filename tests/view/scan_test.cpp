// The view scan: the window rules of evntst and evntend, the limits, and whole scans with
// chosen limits over whole-minute and non-whole-minute periods.
#include "view/scan.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "support/fixture.hpp"
#include "view/attitude.hpp"

namespace kv::view {
namespace {

using test::kDemoElements;
using test::scan_context;

TEST(Evntend, WindowsLongerThan15MinutesAreRecorded) {
  RunContext ctx;
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
  ASSERT_EQ(ctx.views.count(), 2);
  EXPECT_EQ(ctx.views.t2[0], 600 + 16 * 60.0);
  EXPECT_EQ(ctx.views.t2[1], 600 + 2000 * 60.0);
  EXPECT_DOUBLE_EQ(ctx.totviewdur, 2016.0);
  ViewWindow w;
  evntst(w, 0);
  evntend(ctx, w, 1, 1000 * 60.0, true);  // closed at the last sample while in view
  EXPECT_EQ(ctx.views.count(), 3);
  evntend(ctx, w, 0, 5000 * 60.0, false);  // closed windows stay closed
  EXPECT_EQ(ctx.views.count(), 3);
}

// Scans with every limit far below its angle: in view at every sample.
RunContext always_in_view(double start, double end, int flag = 0) {
  RunContext ctx = scan_context(kDemoElements, start, end);
  ctx.rosvlim = ctx.nrosvlim = ctx.romlim = ctx.rovellim = ctx.ywsvlim = -1;
  ctx.flagcrang = flag;
  ctx.attinf.open("/dev/null");
  ctx.eclpinf.open("/dev/null");
  if (flag == 1) ctx.attinfang.open("angles.txt");
  return ctx;
}

TEST(Getatt, WindowOpenAtTheEndOfAWholeMinutePeriodEndsAtTheLastSample) {
  RunContext ctx = always_in_view(86400, 3 * 86400);
  getatt(ctx);
  ASSERT_EQ(ctx.views.count(), 1);
  EXPECT_EQ(ctx.views.t1[0], 86400.0);
  EXPECT_EQ(ctx.views.t2[0], 3 * 86400.0 - 60);
  EXPECT_DOUBLE_EQ(ctx.totviewdur, 2879.0);
}

TEST(Getatt, WindowOpenAtTheEndOfANonWholeMinutePeriodIsKept) {
  RunContext ctx = always_in_view(86400, 3 * 86400 + 30);
  getatt(ctx);
  ASSERT_EQ(ctx.views.count(), 1);
  EXPECT_EQ(ctx.views.t2[0], 3 * 86400.0 - 60);  // last sample not beyond the end minus a step
}

TEST(Getatt, PeriodOfOneStepTakesOneSampleAndRecordsNothing) {
  RunContext ctx = always_in_view(86400, 86400 + 60);
  getatt(ctx);
  EXPECT_EQ(ctx.views.count(), 0);
}

TEST(Getatt, PoleSourceOverTenHoursGetsOneWindow) {
  RunContext ctx = scan_context(kDemoElements, 86400, 86400 + 10 * 3600.0, 0, 90);
  ctx.attinf.open("/dev/null");
  ctx.eclpinf.open("/dev/null");
  getatt(ctx);
  ASSERT_EQ(ctx.views.count(), 1);
  EXPECT_EQ(ctx.views.t1[0], 86400.0);
  EXPECT_EQ(ctx.views.t2[0], 86400 + 10 * 3600.0 - 60);
}

// An equatorial source in February, 135 degrees from the Sun, with the typical limits: the velocity
// direction passes within the roll-velocity limit once an orbit, cutting the view time into
// orbit-long windows.
TEST(Getatt, EquatorialSourceGetsAboutOneWindowPerOrbit) {
  RunContext ctx =
      scan_context(kDemoElements, 86400, 3 * 86400, 180, 0, Epoch{2027, 1, 31, 0, 0, 0, 0});
  ctx.attinf.open("/dev/null");
  ctx.eclpinf.open("/dev/null");
  getatt(ctx);
  const double orbits = 2 * 86400 / 5864.0;  // period of a 7028 km orbit, s
  EXPECT_GE(ctx.views.count(), static_cast<int>(orbits) - 2);
  EXPECT_LE(ctx.views.count(), static_cast<int>(orbits) + 2);
  EXPECT_GT(ctx.totviewdur, 2400.0);
}

TEST(Getatt, AnAngleEqualToItsLimitIsOutOfView) {
  RunContext ctx = scan_context(kDemoElements, 0, 86400);
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

}  // namespace
}  // namespace kv::view
