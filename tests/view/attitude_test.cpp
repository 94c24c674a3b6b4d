// Attitude angles: documented cases, the clamping of rounded cosines, and the identities
// between the angles over many random directions.
#include "view/attitude.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace kv::view {
namespace {

Vec3 direction(double ra_deg, double dec_deg) {
  const double a = ra_deg * cnr, d = dec_deg * cnr;
  return {std::cos(d) * std::cos(a), std::cos(d) * std::sin(a), std::sin(d)};
}
const State kState{7000, 0, 0, 0, 7.5, 0.5};

TEST(Attang, SourceNinetyThirtyAndOneHundredFiftyDegreesFromTheSun) {
  const Vec3 sun = direction(0, 0);
  const struct {
    double sep, rol, nrol, yaw;
  } cases[] = {{90, 90, 90, 180}, {30, 30, 150, 120}, {150, 150, 30, 120}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sep);
    const AttAngles a = attang(direction(c.sep, 0), kState, direction(200, 10), sun);
    EXPECT_NEAR(a.rolsunang * cdr, c.rol, 1e-9);
    EXPECT_NEAR(a.verollsunang * cdr, c.nrol, 1e-9);
    EXPECT_NEAR(a.yawsunang * cdr, c.yaw, 1e-6);
  }
}

TEST(Attang, RoundedCosinesBeyondOneAreClamped) {
  // Find a unit vector whose dot product with itself rounds above 1.
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> u(-1, 1);
  Vec3 r{};
  double rr = 0;
  for (int k = 0; k < 100000 && !(rr > 1.0); ++k) {
    const Vec3 v{u(rng), u(rng), u(rng)};
    const double n = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    r = {v[0] / n, v[1] / n, v[2] / n};
    rr = r[0] * r[0] + r[1] * r[1] + r[2] * r[2];
  }
  ASSERT_GT(rr, 1.0);
  const Vec3 sun = direction(10, 80);
  EXPECT_EQ(attang(r, kState, r, sun).rolmunang, std::acos(0.9999999999));
  EXPECT_EQ(attang(r, kState, {-r[0], -r[1], -r[2]}, sun).rolmunang, std::acos(-0.999999999));
  EXPECT_NEAR(std::acos(0.9999999999) * cdr, 0.00081, 5e-6);
  EXPECT_NEAR(std::acos(-0.999999999) * cdr, 179.99744, 5e-6);
}

TEST(Attang, SunAlongTheSourceGivesNoYawAngle) {
  const Vec3 s = direction(40, 20);
  EXPECT_TRUE(std::isnan(attang(s, kState, direction(0, 0), s).yawsunang));
}

TEST(Attang, IdentitiesOverRandomDirections) {
  std::mt19937_64 rng(42);
  std::uniform_real_distribution<double> ra(0, 360), sdec(-1, 1), speed(1, 10);
  for (int k = 0; k < 20000; ++k) {
    const Vec3 src = direction(ra(rng), std::asin(sdec(rng)) * cdr);
    const Vec3 sun = direction(ra(rng), std::asin(sdec(rng)) * cdr);
    const double v = speed(rng);
    const Vec3 vdir = direction(ra(rng), std::asin(sdec(rng)) * cdr);
    const State st{1, 2, 3, v * vdir[0], v * vdir[1], v * vdir[2]};
    const AttAngles a = attang(src, st, sun, sun);
    const double th = a.rolsunang * cdr;
    SCOPED_TRACE(k);
    ASSERT_NEAR(a.verollsunang * cdr, 180 - th, 1e-6);
    ASSERT_NEAR(a.yawsunang * cdr, 90 + std::min(th, 180 - th), 1e-5);
    // The velocity angle depends only on the velocity direction.
    const State scaled{9, 9, 9, vdir[0], vdir[1], vdir[2]};
    ASSERT_NEAR(attang(src, scaled, sun, sun).rolvelang, a.rolvelang, 1e-12);
  }
}

TEST(Acrosb, RightHanded) {
  EXPECT_EQ(acrosb({1, 0, 0}, {0, 1, 0}), (Vec3{0, 0, 1}));
  EXPECT_EQ(acrosb({0, 1, 0}, {0, 0, 1}), (Vec3{1, 0, 0}));
  EXPECT_EQ(acrosb({2, 3, 4}, {5, 6, 7}), (Vec3{3 * 7 - 4 * 6, 4 * 5 - 2 * 7, 2 * 6 - 3 * 5}));
}

}  // namespace
}  // namespace kv::view
