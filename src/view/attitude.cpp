#include "view/attitude.hpp"

#include <cmath>

namespace kv::view {
namespace {

double dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

Vec3 unit(const Vec3& a) {
  const double n = std::sqrt(dot(a, a));
  return {a[0] / n, a[1] / n, a[2] / n};
}

// Arc cosine of a cosine clamped to [low, high] when rounding has pushed it past -1 or +1.
double clamped_acos(double c, double low, double high) {
  if (c < minusone) c = low;
  if (c > plusone) c = high;
  return std::acos(c);
}

}  // namespace

Vec3 acrosb(const Vec3& a, const Vec3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

// attang -- attitude angles with the roll axis on the source, the pitch axis normal to the
// roll axis and the Sun, and the yaw axis completing the set on the side away from the Sun.
//
// Notes: when the Sun lies along the roll axis the pitch and yaw axes, and yawsunang, are not
//        numbers; the caller's comparisons then fail. Clamping values as used in operations.
AttAngles attang(const Vec3& roll, const State& state, const Vec3& moon, const Vec3& sun) {
  Vec3 pitch = unit(acrosb(roll, sun));
  Vec3 yaw = unit(acrosb(roll, pitch));
  if (std::acos(dot(sun, yaw)) * cdr < 90) {
    pitch = unit(acrosb(sun, roll));
    yaw = unit(acrosb(roll, pitch));
  }
  const Vec3 minus{-roll[0], -roll[1], -roll[2]};
  AttAngles a{};
  a.yawsunang = clamped_acos(dot(sun, yaw), -0.999999999, 0.999999999);
  a.rolmunang = clamped_acos(dot(moon, roll), -0.999999999, 0.9999999999);
  a.rolsunang = clamped_acos(dot(sun, roll), -0.999999999, 0.9999999999);
  a.verollsunang = clamped_acos(dot(sun, minus), -0.999999999, 0.9999999999);
  a.rolvelang = rolvel_angle(roll, state);
  return a;
}

double rolvel_cosine(const Vec3& roll, const State& state) {
  const Vec3 vel = unit({state[3], state[4], state[5]});
  return dot(vel, roll);
}

double rolvel_angle_of_cosine(double c) { return clamped_acos(c, -0.999999999, 0.9999999999); }

double rolvel_angle(const Vec3& roll, const State& state) {
  return rolvel_angle_of_cosine(rolvel_cosine(roll, state));
}

}  // namespace kv::view
