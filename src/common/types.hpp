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
constexpr double scan_step = 60.0;         // grid step of every scan, s
constexpr double re_earth = 6378.1389997;  // Earth equatorial radius, km
// Square of the Earth radius in the shadow test, km^2, as rounded there (not re_earth^2).
constexpr double re_earth_sq_shadow = 40680657.1;
constexpr double max_period_s = 3.456e7;      // longest user period: 400 days
constexpr double max_start_age_s = 3.1968e7;  // latest user start after the orbit epoch: 370 days
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
