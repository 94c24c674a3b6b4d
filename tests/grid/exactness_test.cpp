// The grid's shortcut (Sun and Moon interpolated between exact anchors, decisions kept only
// where the interpolation error cannot change them) gives exactly the windows of a grid
// computed exactly at every time.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "driver/steps.hpp"
#include "events/events.hpp"
#include "support/fixture.hpp"
#include "view/scan.hpp"

namespace kv::grid {
namespace {

// 400 days of the demo orbit; sources at random, and sources on the Moon, on the Sun, on the
// anti-Sun and square to the Sun at a random time (where the view decisions meet the ends
// of the cosine ranges) with that angle's limit at an extreme; other limits random, or at an
// extreme for the random sources.
TEST(InterpolatedGrid, GivesTheViewWindowsAndEclipsesOfTheExactGrid) {
  const RunContext ctx = test::scan_context(test::kDemoElements, 0, 400 * 86400.0);
  const ScanSetup s = driver::scan_setup(ctx);
  const Samples fast = user_samples(s, 2), exact = user_samples(s, 2, true);
  ASSERT_EQ(fast.size(), 576001u);

  const EventTable e1 = events::geteclp(s, fast, 2), e2 = events::geteclp(s, exact, 2);
  EXPECT_EQ(e1.t1, e2.t1);
  EXPECT_EQ(e1.t2, e2.t2);

  std::mt19937_64 rng(16);
  std::uniform_real_distribution<double> uni(0, 1);
  const double extremes[] = {0, 0.0005, 90, 179.999, 180};
  auto extreme = [&] { return extremes[rng() % 5]; };
  for (int i = 0; i < 200; ++i) {
    Vec3 fc1 = driver::source_direction(360 * uni(rng), std::asin(2 * uni(rng) - 1) * cdr);
    const std::size_t k = rng() % fast.size();
    const Vec3 &sun = exact.sun[k], &moon = exact.moon[k];
    // yaw-Sun, roll-Sun, negative roll-Sun, roll-Moon, roll-velocity
    double lim[5];
    for (double& l : lim) l = i % 5 == 0 && uni(rng) < 0.3 ? extreme() : 30 * uni(rng);
    switch (i % 5) {
      case 1:
        fc1 = moon, lim[3] = extreme();
        break;
      case 2:
        fc1 = sun, lim[1] = extreme();
        break;
      case 3:
        fc1 = {-sun[0], -sun[1], -sun[2]}, lim[2] = extreme();
        break;
      case 4: {
        const Vec3 side = view::acrosb(sun, fc1);
        const double n = std::sqrt(side[0] * side[0] + side[1] * side[1] + side[2] * side[2]);
        fc1 = {side[0] / n, side[1] / n, side[2] / n};
        lim[0] = 179.999 + 0.001 * static_cast<double>(rng() % 2);
      }
    }
    const view::ViewLimits vl{lim[0], lim[1], lim[2], lim[3], lim[4]};
    const view::ViewScan a = view::getatt(s, fast, fc1, vl, false, 2);
    const view::ViewScan b = view::getatt(s, exact, fc1, vl, false, 2);
    ASSERT_EQ(a.windows.t1, b.windows.t1) << i;
    ASSERT_EQ(a.windows.t2, b.windows.t2) << i;
  }
}

// Kept angles are the exact ones on either grid.
TEST(InterpolatedGrid, KeptAnglesAreExact) {
  const RunContext ctx = test::scan_context(test::kDemoElements, 3600, 3600 + 86400.0);
  const ScanSetup s = driver::scan_setup(ctx);
  const view::ViewLimits lim{45, 45, 45, 10, 10};
  const view::ViewScan a = view::getatt(s, user_samples(s, 2), ctx.fc1, lim, true, 2);
  const view::ViewScan b = view::getatt(s, user_samples(s, 2, true), ctx.fc1, lim, true, 2);
  ASSERT_EQ(a.angles.size(), 1440u);
  ASSERT_EQ(a.angles.size(), b.angles.size());
  for (std::size_t k = 0; k < a.angles.size(); ++k) {
    ASSERT_EQ(a.angles[k].rolsunang, b.angles[k].rolsunang) << k;
    ASSERT_EQ(a.angles[k].rolmunang, b.angles[k].rolmunang) << k;
    ASSERT_EQ(a.angles[k].yawsunang, b.angles[k].yawsunang) << k;
  }
}

// Shadow functions within the interpolation error of zero, the interpolated Sun pushed by
// up to that error towards the other sign: the eclipses are those of the exact Sun. The
// satellite positions are placed for chosen shadow values against the exact Sun.
TEST(InterpolatedGrid, EclipsesStandWhenTheSunIsPushedTowardsTheShadowEdge) {
  const RunContext ctx = test::scan_context(test::kDemoElements, 0, 3600);
  const ScanSetup s = driver::scan_setup(ctx);
  Samples g = user_samples(s, 1, true);
  ASSERT_EQ(g.size(), 61u);
  const double rho = 7028, c = std::sqrt(1 - re_earth_sq_shadow / (rho * rho));
  const double e = interpolation_error;
  Samples pushed = g;
  for (std::size_t k = 0; k < g.size(); ++k) {
    // Lit everywhere but a few samples just inside or just outside the shadow.
    const double f = k == 13 || k == 35 ? 0.5 * e : k >= 40 && k < 50 && k != 44 ? 0.3 : -0.3;
    const double f_k = k == 44 ? -0.5 * e : f;
    const Vec3& sun = g.sun[k];
    const double m = -c - f_k;  // sun . u for shadow value f_k
    const Vec3 side = view::acrosb(sun, Vec3{0, 0, 1});
    const double n = std::sqrt(side[0] * side[0] + side[1] * side[1] + side[2] * side[2]);
    const double q = std::sqrt(1 - m * m);
    Vec3 u;
    for (int i = 0; i < 3; ++i) u[i] = m * sun[i] + q * side[i] / n;
    for (int i = 0; i < 3; ++i) g.st[k][i] = pushed.st[k][i] = rho * u[i];
    if (k % anchor_stride == 0) continue;
    // The interpolated Sun: moved by 0.99 e along u (f falls) or against it (f rises).
    const double r = (f_k > 0 ? 0.99 : -0.99) * e;
    for (int i = 0; i < 3; ++i) pushed.sun[k][i] = sun[i] + r * u[i];
    pushed.exact[k] = 0;
  }
  const EventTable a = events::geteclp(s, pushed, 1), b = events::geteclp(s, g, 1);
  EXPECT_EQ(a.count(), 4);
  EXPECT_EQ(a.t1, b.t1);
  EXPECT_EQ(a.t2, b.t2);
}

}  // namespace
}  // namespace kv::grid
