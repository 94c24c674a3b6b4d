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
// moon, sun: geocentric unit vectors of date. All in the equatorial inertial frame.
AttAngles attang(const Vec3& roll, const State& state, const Vec3& moon, const Vec3& sun);

}  // namespace kv::view
