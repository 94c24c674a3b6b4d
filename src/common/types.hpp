// Shared vocabulary of kelvis: constants, epochs, vectors and element sets.
#pragma once

#include <array>

namespace kv {

// Full turn, kept as this literal (slightly below 2*pi); every angle reduction uses it.
constexpr double tpi = 6.28318530717958;
constexpr double cnr = 0.017453292519943278;  // degrees to radians (tpi / 360)
constexpr double cdr = 57.29577951308238;     // radians to degrees (360 / tpi)
constexpr double we = 7.292115854918356e-05;  // Earth rotation rate, rad/s
constexpr double daysec = 86400.0;            // seconds per day
constexpr double amu = 398600.436;            // Earth gravitational parameter, km^3/s^2
constexpr double ej2 = 0.001082637;           // J2 of the secular rates
constexpr double plusone = 1.0;
constexpr double minusone = -1.0;
constexpr double scan_step = 60.0;  // grid step of every scan, s
// Shortest useful view window: a window is recorded only when it lasts longer than this
// (minutes), long enough to slew to the source and take a meaningful exposure.
constexpr double min_view_window_minutes = 15.0;

// UTC calendar epoch: year, month, day, hour, minute, second, millisecond (no leap seconds).
using Epoch = std::array<int, 7>;
// Element set: a (km), e, i, argument of perigee, node, mean anomaly (degrees or radians).
using Elements = std::array<double, 6>;
// State vector: x, y, z (km), vx, vy, vz (km/s), Earth-centred equatorial inertial frame.
using State = std::array<double, 6>;
using Vec3 = std::array<double, 3>;

}  // namespace kv
