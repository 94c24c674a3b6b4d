// The searches on real orbits: orbit numbers, eclipses, SAA passages and occultations over
// several days of a 650 km, 6 degree orbit, and the cases built from chosen orbits.
#include <gtest/gtest.h>

#include <cmath>

#include "ephem/ephem.hpp"
#include "events/events.hpp"
#include "support/fixture.hpp"

namespace kv::events {
namespace {

using test::kDemoElements;
using test::scan_context;
using test::scan_of;

double feqcr(const RunContext& ctx, double t) { return orbit::stvsel(ctx.orbit, t)[2]; }
double feclp(const RunContext& ctx, double t) { return events::feclp(scan_of(ctx).s, t); }
double foccult(const RunContext& ctx, double t) {
  return occultation(orbit::stvsel(ctx.orbit, t), ctx.fc1, ctx.thetainp);
}
void geteqcr(RunContext& ctx) {
  const test::Scan sc = scan_of(ctx);
  ctx.orbits = events::geteqcr(sc.s, grid::equator_samples(sc.s, sc.g, 2), ctx.iorb, 2);
}
int getorbnum(const RunContext& ctx, double t) {
  return events::getorbnum(ctx.orbits, ctx.iorb, t);
}
void geteclp(RunContext& ctx) {
  const test::Scan sc = scan_of(ctx);
  ctx.eclipses = events::geteclp(sc.s, sc.g, 2);
}
void getsaa(RunContext& ctx) {
  const test::Scan sc = scan_of(ctx);
  ctx.saa = events::getsaa(sc.s, sc.g, 2);
}
void getoccult(RunContext& ctx) {
  const test::Scan sc = scan_of(ctx);
  ctx.occults = events::getoccult(sc.s, sc.g, ctx.fc1, ctx.thetainp, 2);
}

constexpr double kDay = 86400;

TEST(Geteqcr, AboutFifteenOrbitsADayNumberedFromTheFileNumber) {
  RunContext ctx = scan_context(kDemoElements, kDay, 4 * kDay);  // north at the epoch
  geteqcr(ctx);
  const OrbitTable& o = ctx.orbits;
  ASSERT_GT(o.kj(), 55);
  EXPECT_LT(o.kj(), 62);
  EXPECT_EQ(o.torb1[0], 0.0);
  EXPECT_EQ(o.orbarr[0], 1234);
  for (int k = 1; k < o.kj(); ++k) {
    EXPECT_EQ(o.orbarr[k], o.orbarr[k - 1] + 1);
    if (k > 1) {
      EXPECT_NEAR(o.torb1[k] - o.torb1[k - 1], 5860, 30);  // nodal period, s
    }
    EXPECT_NEAR(feqcr(ctx, o.torb1[k]), 0.0, 1.0);  // z within 1 km at the node
    EXPECT_LT(o.torb1[k], o.torb2[k]);
  }
  EXPECT_LE(o.torb2.back(), ctx.tendinp);
}

TEST(Getorbnum, LookupRules) {
  Elements south = kDemoElements;
  south[5] = 200;  // argument of latitude 300 degrees: south of the equator
  RunContext ctx = scan_context(south, 0, kDay);
  EXPECT_EQ(getorbnum(ctx, 10.0), 1234);  // empty table: the file's orbit number
  geteqcr(ctx);
  const OrbitTable& o = ctx.orbits;
  ASSERT_GT(o.kj(), 10);
  EXPECT_GT(o.torb1[0], 0.0);
  EXPECT_EQ(o.orbarr[0], 1235);
  EXPECT_EQ(getorbnum(ctx, 0.0), 1234);
  EXPECT_EQ(getorbnum(ctx, o.torb1[0]), 1235);  // exactly at the node: the orbit it starts
  EXPECT_EQ(getorbnum(ctx, std::nextafter(o.torb1[3], 0.0)), o.orbarr[2]);
  EXPECT_EQ(getorbnum(ctx, o.torb1[3]), o.orbarr[3]);
  EXPECT_EQ(getorbnum(ctx, ctx.tendinp), o.orbarr.back());
  // An orbit number of 0 before the first node stays 0 rather than going negative.
  ctx.orbits.orbarr[0] = 0;
  EXPECT_EQ(getorbnum(ctx, 0.0), 0);
}

// z of exactly 0 at a grid time counts as north: the equator-crossing scan opens a
// half-orbit there (sin is exactly 0 at the epoch).
TEST(Geteqcr, ZExactlyZeroCountsAsNorth) {
  auto z = [](double t) { return 7000 * std::sin(t / 900); };
  const std::vector<double> times = grid::grid_times(0.0, 60, 6000);
  std::vector<double> values;
  for (double t : times) values.push_back(z(t));
  const SignScan s = sign_scan(times, values, z, 60, 6000, 6000, 6000, 1);
  EXPECT_TRUE(s.on_at_start);
  EXPECT_EQ(s.on.t1[0], 0.0);
}

TEST(Geteclp, OneEclipseOfAboutHalfAnHourPerOrbit) {
  RunContext ctx = scan_context(kDemoElements, kDay, 3 * kDay);
  geteclp(ctx);
  const EventTable& e = ctx.eclipses;
  EXPECT_GE(e.count(), 29);
  EXPECT_LE(e.count(), 31);
  for (int k = 0; k < e.count(); ++k) {
    SCOPED_TRACE(k);
    if (e.t1[k] > ctx.tstreadif && e.t2[k] < ctx.tendinp) {
      EXPECT_NEAR((e.t2[k] - e.t1[k]) / 60, 33, 3.5);
      EXPECT_LT(feclp(ctx, e.t1[k] - 1), 0.0);
      EXPECT_GE(feclp(ctx, e.t1[k] + 1), 0.0);
    }
    if (k > 1) {
      EXPECT_NEAR(e.t1[k] - e.t1[k - 1], 5860, 60);
    }
  }
}

TEST(Geteclp, InShadowAtTheStartAndAtTheEnd) {
  RunContext ctx = scan_context(kDemoElements, 0, kDay);
  geteclp(ctx);
  const double mid = (ctx.eclipses.t1[2] + ctx.eclipses.t2[2]) / 2;
  RunContext c2 = scan_context(kDemoElements, mid, mid + 5 * 5860 + 60 * 7);
  ASSERT_GE(feclp(c2, mid), 0.0);
  geteclp(c2);
  EXPECT_EQ(c2.eclipses.t1[0], mid);
  // End in shadow: choose the end in the middle of a later eclipse.
  const double end_mid = (ctx.eclipses.t1[6] + ctx.eclipses.t2[6]) / 2;
  RunContext c3 = scan_context(kDemoElements, 0, end_mid);
  geteclp(c3);
  EXPECT_EQ(c3.eclipses.t2.back(), end_mid);
}

// Dawn-dusk orbit at 50,000 km whose plane is normal to the Sun: never in shadow.
TEST(Geteclp, AnOrbitThatNeverMeetsTheShadow) {
  const ephem::SunMoon sm = ephem::surcha(45359.0, -1);  // 2024-03-10
  const double inc = 90 + sm.sun_dec * cdr;  // normal (sin i sin O, -sin i cos O, cos i)
  const double node = 180 - sm.sun_ra * cdr;
  RunContext ctx = scan_context({50000, 0.0001, inc, 0, std::fmod(node + 360, 360), 0}, 0, kDay);
  geteclp(ctx);
  EXPECT_EQ(ctx.eclipses.count(), 0);
}

TEST(InSaa, BoundariesAreOutside) {
  EXPECT_TRUE(in_saa(0, 300));
  EXPECT_FALSE(in_saa(0, 273));  // on the western edge
  EXPECT_TRUE(in_saa(0, 273.000001));
  EXPECT_FALSE(in_saa(-6, 249));
  EXPECT_FALSE(in_saa(-5, 360));
  EXPECT_FALSE(in_saa(-10, 300));
  EXPECT_TRUE(in_saa(-9.999, 300));
  EXPECT_FALSE(in_saa(70, 359));
  EXPECT_FALSE(in_saa(21.75, 359.99));  // the edge reaches 360 at 21.75 degrees
}

TEST(Getsaa, PassagesOnlyWhereTheGroundTrackMeetsTheRegion) {
  RunContext ctx = scan_context(kDemoElements, kDay, 3 * kDay);
  getsaa(ctx);
  const EventTable& s = ctx.saa;
  ASSERT_GT(s.count(), 2);
  for (int k = 0; k < s.count(); ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(std::fmod(s.t1[k] - ctx.tstreadif, 60.0), 0.0);  // grid times
    const State st = orbit::stvsel(ctx.orbit, s.t1[k]);
    const ephem::Geodetic g =
        ephem::geocor(st[0], st[1], st[2], std::fmod(we * s.t1[k] + ctx.epocsidang, tpi));
    EXPECT_TRUE(in_saa(g.lat, g.lon));
    EXPECT_LT(s.t2[k] - s.t1[k], 40 * 60.0);
  }
}

// A synchronous equatorial orbit hangs over one longitude: inside the region all the time
// when that longitude is 300 degrees, never when it is 100.
TEST(Getsaa, SynchronousOrbitInsideThroughoutOrNever) {
  for (double lon : {300.0, 100.0}) {
    RunContext ctx = scan_context({42164.17, 0.0, 0.0, 0, 0, 0}, 7200, 7200 + 3 * 3600 + 30);
    const double theta = ephem::sidtim(ctx.tstusr1900).angle;
    const Elements q{42164.17, 0.0, 0.0, 0, 0, std::fmod(theta * cdr + lon + 720, 360)};
    ctx = scan_context(q, 7200, 7200 + 3 * 3600 + 30);
    getsaa(ctx);
    SCOPED_TRACE(lon);
    if (lon == 100.0) {
      EXPECT_EQ(ctx.saa.count(), 0);
      continue;
    }
    ASSERT_EQ(ctx.saa.count(), 1);
    EXPECT_EQ(ctx.saa.t1[0], 7200.0);
    EXPECT_EQ(ctx.saa.t2[0], 7200.0 + 3 * 3600 + 60);  // first grid time at or past the end
  }
}

double occulted_minutes(double ra, double dec, double margin = 5) {
  RunContext ctx = scan_context(kDemoElements, kDay, 3 * kDay, ra, dec);
  ctx.thetainp = margin;
  geteqcr(ctx);
  getoccult(ctx);
  double total = 0;
  for (int k = 0; k < ctx.occults.count(); ++k) total += ctx.occults.t2[k] - ctx.occults.t1[k];
  return total / 60;
}

TEST(Getoccult, EclipticPoleFarLessThanOrbitalPlaneAndCelestialPoleNever) {
  const double pole = occulted_minutes(270, 66.56);
  const double plane = occulted_minutes(45 + 90, 0);
  EXPECT_GT(plane, 2 * 24 * 60 * 0.35);
  EXPECT_LT(pole, plane / 3);
  EXPECT_EQ(occulted_minutes(0, 90), 0.0);
}

// A wider margin hides more, also when the cone passes a hemisphere (at about 24.8
// degrees of margin at 650 km); a cone of 180 degrees or more hides the whole sky.
TEST(Getoccult, OccultedTimeGrowsWithTheMargin) {
  double before = 0;
  for (double margin = 0; margin <= 80; margin += 5) {
    const double now = occulted_minutes(83.63, 22.01, margin);
    EXPECT_GE(now, before) << margin;
    before = now;
  }
  EXPECT_GT(before, 2 * 24 * 60 * 0.8);
  EXPECT_EQ(occulted_minutes(83.63, 22.01, 200), 2 * 24 * 60);
}

TEST(Getoccult, OccultedAtTheStartAndAtTheEnd) {
  RunContext ctx = scan_context(kDemoElements, 0, kDay, 135, 0);
  geteqcr(ctx);
  getoccult(ctx);
  const EventTable& o = ctx.occults;
  ASSERT_GT(o.count(), 10);
  const double in = (o.t1[3] + o.t2[3]) / 2, in_end = (o.t1[8] + o.t2[8]) / 2;
  RunContext c2 = scan_context(kDemoElements, in, in_end, 135, 0);
  geteqcr(c2);
  getoccult(c2);
  EXPECT_EQ(c2.occults.t1[0], in);
  EXPECT_EQ(c2.occults.t2.back(), in_end);
  for (int k = 0; k < c2.occults.count(); ++k) EXPECT_GE(foccult(c2, c2.occults.t1[k] + 1), 0.0);
}

}  // namespace
}  // namespace kv::events
