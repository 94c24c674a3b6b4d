// Conical umbra and penumbra against their cones, constructed by hand: the Sun (radius Rs) at
// distance D on the +x axis, the Earth (radius Re) at the origin. The umbra's cone has its
// vertex at x = -L, L = D Re / (Rs - Re), and half-angle asin((Rs - Re) / D); the penumbra's,
// at x = +P, P = D Re / (Rs + Re), and half-angle asin((Rs + Re) / D). At axial distance x
// behind the Earth the umbra's radius is (L - x) tan(alpha), the penumbra's (P + x) tan(beta).
#include <gtest/gtest.h>

#include <cmath>

#include "events/events.hpp"

namespace kv::events {
namespace {

constexpr double kD = 149597870.7, kRs = 696000.0, kRe = re_earth;  // km

TEST(ConicalShadow, ZeroOnTheConesAndSignedAcrossThem) {
  const double L = kD * kRe / (kRs - kRe), alpha = std::asin((kRs - kRe) / kD);
  const double P = kD * kRe / (kRs + kRe), beta = std::asin((kRs + kRe) / kD);
  const Vec3 sun{kD, 0, 0};
  using Fn = double (*)(const State&, const Vec3&);
  const struct {
    const char* what;
    Fn f;
    double x, rho;  // satellite at (-x, rho, 0), km
    int sign;       // expected sign of f, 0: on the cone (|f| < 1e-12 rad)
  } cases[] = {
      {"umbra vertex on the anti-Sun axis", umbra, L, 0, 0},
      {"anti-Sun axis inside the vertex", umbra, L - 1000, 0, 1},
      {"anti-Sun axis beyond the vertex", umbra, L + 1000, 0, -1},
      {"umbra edge 7000 km behind", umbra, 7000, (L - 7000) * std::tan(alpha), 0},
      {"1 km inside the umbra edge", umbra, 7000, (L - 7000) * std::tan(alpha) - 1, 1},
      {"1 km outside the umbra edge", umbra, 7000, (L - 7000) * std::tan(alpha) + 1, -1},
      {"penumbra edge 7000 km behind", penumbra, 7000, (P + 7000) * std::tan(beta), 0},
      {"1 km inside the penumbra edge", penumbra, 7000, (P + 7000) * std::tan(beta) - 1, 1},
      {"1 km outside the penumbra edge", penumbra, 7000, (P + 7000) * std::tan(beta) + 1, -1},
      {"penumbra edge is outside the umbra", umbra, 7000, (P + 7000) * std::tan(beta), -1},
      {"umbra edge is inside the penumbra", penumbra, 7000, (L - 7000) * std::tan(alpha), 1},
      {"sunlit side", penumbra, -7000, 0, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const double v = c.f({-c.x, c.rho, 0, 0, 7, 0}, sun);
    if (c.sign == 0)
      EXPECT_NEAR(v, 0.0, 1e-12);
    else
      EXPECT_GT(v * c.sign, 1e-6);  // 1 km at 1e4 km is about 1e-4 rad
  }
}

}  // namespace
}  // namespace kv::events
