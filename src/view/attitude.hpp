// Attitude angles of a source against the Sun, the Moon and the orbital velocity.
//
//   acrosb  right-handed cross product
//   attang  the five attitude angles of the roll axis pointed at the source
#pragma once

#include "common/types.hpp"

namespace kv::view {

Vec3 acrosb(const Vec3& a, const Vec3& b);

// Angles in radians, named as in the view-angle file.
struct AttAngles {
  double yawsunang;     // yaw axis to Sun
  double rolsunang;     // roll axis to Sun
  double verollsunang;  // minus roll axis to Sun ("-verollsunang")
  double rolmunang;     // roll axis to Moon
  double rolvelang;     // roll axis to velocity
};

// roll: source unit vector fc1; state: satellite state (only its velocity enters);
// moon, sun: unit vectors of date, geocentric (classic model) or from the satellite (precise
// model). All in the equatorial inertial frame of date.
AttAngles attang(const Vec3& roll, const State& state, const Vec3& moon, const Vec3& sun);
// The roll-velocity angle of attang alone (the same bits), and its two stages: the cosine
// of the velocity direction with the roll axis, and the clamped arc cosine of it.
double rolvel_angle(const Vec3& roll, const State& state);
double rolvel_cosine(const Vec3& roll, const State& state);
double rolvel_angle_of_cosine(double c);

}  // namespace kv::view
