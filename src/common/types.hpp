// Shared vocabulary of kelvis: constants, epochs, vectors and element sets.
#pragma once

#include <array>
#include <numbers>

namespace kv {

// Full turn, kept as this literal (slightly below 2*pi); every angle reduction uses it.
constexpr double tpi = 6.28318530717958;
// Degree factors, one per model that wrote its own (kept, so that results reproduce to the
// last bit): cnr and cdr of the ephemerides, the detectors and the reports; deg_j2 of the
// J2 propagation's state vectors; deg_exact of the sky-map drawing.
constexpr double cnr = 0.017453292519943278;    // degrees to radians (tpi / 360)
constexpr double cdr = 57.29577951308238;       // radians to degrees (360 / tpi)
constexpr double deg_j2 = 0.01745329251994329;  // degrees to radians
constexpr double deg_exact = std::numbers::pi / 180;
constexpr double we = 7.292115854918356e-05;  // Earth rotation rate, rad/s
constexpr double daysec = 86400.0;            // seconds per day
constexpr const char* satellite_id = "kv1";   // the one satellite kelvis serves
constexpr double amu = 398600.436;            // Earth gravitational parameter, km^3/s^2
constexpr double ej2 = 0.001082637;           // J2 of the secular rates
constexpr double plusone = 1.0;
constexpr double minusone = -1.0;
constexpr double scan_step = 60.0;  // grid step of every scan, s
// Earth radii, km, one per model: re_earth of the J2 orbit model, the orbit-file checks and
// the occultation cone; re_lunar_parallax of the analytic Moon's parallax; re_ellipsoid_a
// and re_ellipsoid_b, the axes of the Fischer 1960 ellipsoid of the sub-satellite point.
constexpr double re_earth = 6378.1389997;
constexpr double re_lunar_parallax = 6378.16;
constexpr double re_ellipsoid_a = 6378.166, re_ellipsoid_b = 6356.784;
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

// The model set of a run. classic: J2 orbit, the analytic Sun and Moon of the 1900 epoch with
// nutation, Newcomb's sidereal time, a cylindrical shadow, the source at its catalogue place.
// precise: the same orbit; ERFA's IAU 2006/2000A precession-nutation, apparent places, Sun
// (eraEpv00) and Moon (eraMoon98) seen from the satellite, IAU 2006 sidereal time, a conical
// umbra. Every vector of either is in the true equator and equinox of date.
enum class Model { classic, precise };
// "classic" or "precise".
constexpr const char* model_name(Model m) { return m == Model::precise ? "precise" : "classic"; }

}  // namespace kv
