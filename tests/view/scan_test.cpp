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

// Periods of whole and non-whole minutes: a window open at the end closes at the last sample
// (not beyond the end minus a step); a period of one step takes one sample, records nothing.
TEST(Getatt, WindowsOpenAtTheEndOfThePeriod) {
  const struct {
    double end;
    int windows;
    std::size_t samples;
  } cases[] = {{3 * 86400, 1, 2880}, {3 * 86400 + 30, 1, 2880}, {86400 + 60, 0, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.end);
    const ViewScan v = always_in_view(86400, c.end);
    ASSERT_EQ(v.windows.count(), c.windows);
    EXPECT_EQ(v.angles.size(), c.samples);
    if (c.windows == 0) continue;
    EXPECT_EQ(v.windows.t1[0], 86400.0);
    EXPECT_EQ(v.windows.t2[0], 3 * 86400.0 - 60);
    EXPECT_DOUBLE_EQ(v.totviewdur, 2879.0);
  }
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
// within err. Random geometries with limits placed right at the angles; then Sun and Moon
// on or against the source axis, or the Sun square to it (the ends of the cosine range,
// where the clamps act), with the extreme limits, the directions pushed by up to err
// along the source axis as well as in random directions.
struct Geometry {
  const char* name;
  bool at_clamps;  // Sun and Moon near the ends of the cosine ranges
  double err;
};

class CertainInView : public ::testing::TestWithParam<Geometry> {};

TEST_P(CertainInView, NeverDecidesWhatAPerturbationWithinTheErrorCouldChange) {
  const Geometry geo = GetParam();
  std::mt19937_64 rng(7);
  std::normal_distribution<double> gauss;
  std::uniform_real_distribution<double> unit_interval(0, 1);
  auto norm = [](const Vec3& v) {
    const double n = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    return Vec3{v[0] / n, v[1] / n, v[2] / n};
  };
  auto random_unit = [&] { return norm({gauss(rng), gauss(rng), gauss(rng)}); };
  auto add = [](const Vec3& a, double r, const Vec3& d) {
    return Vec3{a[0] + r * d[0], a[1] + r * d[1], a[2] + r * d[2]};
  };
  // A unit vector at `angle` (rad) from `axis`.
  auto at_angle = [&](const Vec3& axis, double angle) {
    const Vec3 side = norm(acrosb(axis, random_unit()));
    return norm(
        add(Vec3{axis[0] * std::cos(angle), axis[1] * std::cos(angle), axis[2] * std::cos(angle)},
            std::sin(angle), side));
  };
  const double tiny[] = {0, 1e-8, 1e-6, 5e-6, 1e-5, 2e-5, 4e-3};  // rad from an end
  const double extremes[] = {0, 0.0005, 90, 179.999, 180};
  const double err = geo.err;
  int decided = 0, undecided = 0;
  for (int k = 0; k < 20000; ++k) {
    const Vec3 roll = random_unit();
    Vec3 sun = random_unit(), moon = random_unit();
    if (geo.at_clamps) {
      const double off = tiny[k % 7], pi = std::acos(-1.0);
      moon = at_angle(roll, k % 2 ? off : pi - off);
      sun = at_angle(roll, (k / 2) % 3 == 0 ? pi / 2 + off : (k / 2) % 3 == 1 ? off : pi - off);
    }
    const State st{7000, 0, 0, 0, 7.5, 0};
    const AttAngles exact = attang(roll, st, moon, sun);
    std::uniform_real_distribution<double> near(-3 * err * cdr, 3 * err * cdr);
    // Limit i (yaw, roll-Sun, negative roll-Sun, roll-Moon) at an extreme, or near its angle
    // (an angle that is not a number, on the Sun axis, gets an extreme).
    auto limit = [&](int i, double angle) {
      return (geo.at_clamps && k % 3) || std::isnan(angle) ? extremes[(k / 3 + i) % 5]
                                                           : angle * cdr + near(rng);
    };
    const ViewLimits lim{limit(0, exact.yawsunang), limit(1, exact.rolsunang),
                         limit(2, exact.verollsunang), limit(3, exact.rolmunang), -1};
    // The approximation: the exact directions moved by up to err, along the source axis
    // (towards or away from it) or in a random direction.
    auto moved = [&](const Vec3& v) {
      const double r = err * 0.99 * unit_interval(rng);
      const Vec3 d = k % 4 == 0   ? roll
                     : k % 4 == 1 ? Vec3{-roll[0], -roll[1], -roll[2]}
                                  : random_unit();
      return add(v, r, d);
    };
    const Vec3 sun_a = moved(sun), moon_a = moved(moon);
    const int sure = certain_in_view(roll, sun_a, moon_a, exact.rolvelang, lim, err);
    if (sure < 0) {
      ++undecided;
      continue;
    }
    ++decided;
    ASSERT_EQ(sure == 1, in_view(lim, exact))
        << k << " limits " << lim.ywsvlim << " " << lim.rosvlim << " " << lim.nrosvlim << " "
        << lim.romlim;
  }
  EXPECT_GT(decided, 1000);
  EXPECT_GT(undecided, geo.at_clamps ? 100 : 1000);
}

INSTANTIATE_TEST_SUITE_P(
    Geometries, CertainInView,
    ::testing::Values(Geometry{"Random", false, 1e-4},  // larger than the grid's error
                      Geometry{"AtTheClampsWithTheGridError", true, grid::interpolation_error}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace kv::view
