// Sun, Moon and Earth rotation.
//
//   fundargs  Newcomb's solar and Brown's lunar mean elements of the 1900 epoch
//   nutcof    nutation in longitude and obliquity (Woolard's series)
//   delong    equation of the equinoxes
//   sidtim    Greenwich apparent sidereal angle (Newcomb's mean sidereal time)
//   surcha    geocentric Sun and Moon directions and distances of date
//   geocor    geodetic latitude, longitude and height of an inertial position
#pragma once

#include "common/types.hpp"

namespace kv::ephem {

constexpr double arcsec = 4.848136811111111e-6;  // arcseconds to radians

// Mean elements of the Sun and Moon, degrees (eccentricity unitless), reduced as in the
// ephemeris: lm, gmp, d, l by remainder modulo 360; node to (0, 360] for dates after 1914.
struct FundArgs {
  double l;    // Sun mean longitude L
  double gp;   // longitude of the Sun's perigee
  double e;    // eccentricity of the Earth's orbit
  double eps;  // mean obliquity of the ecliptic
  double lm;   // Moon mean longitude
  double gmp;  // longitude of the Moon's perigee
  double om;   // longitude of the Moon's ascending node
  double d;    // Moon mean elongation
};
// T: Julian centuries from 1900 Jan 0.5; lm_c3: cubic coefficient of the Moon's mean longitude.
FundArgs fundargs(double t, double lm_c3);

struct Nutation {
  double deps;  // nutation in obliquity, radians
  double dpsi;  // nutation in longitude, radians
};
// T in Julian centuries from 1900 Jan 0.5; angles in radians (need not be reduced).
Nutation nutcof(double t, double lm, double gmp, double om, double l, double gp);

// Equation of the equinoxes, radians, at x days since 1900 Jan 1, 0h UTC.
double delong(double x);

struct Sidereal {
  double angle;  // apparent sidereal angle, radians, not reduced
  double rate;   // sidereal rate, radians per second
};
// Greenwich apparent sidereal angle at x days since 1900 Jan 1, 0h UTC (UTC used as UT1).
Sidereal sidtim(double x);

// Geocentric Sun and Moon of date: unit vectors (x to the equinox, z to the pole of date),
// distances (km), right ascensions in (0, 2pi] and declinations (radians).
struct SunMoon {
  Vec3 moon;
  double moon_dist, moon_ra, moon_dec;
  Vec3 sun;
  double sun_dist, sun_ra, sun_dec;
};
struct RaDec {
  double ra;   // right ascension, radians, (0, 2pi]: an angle of exactly 0 is returned as tpi
  double dec;  // declination, radians
};
RaDec radec(const Vec3& unit);

// t: days since 1900 Jan 1, 0h UTC. nutation < 0: true equator and equinox of date;
// otherwise mean equator and equinox of date.
SunMoon surcha(double t, int nutation);
// The unit vectors of surcha alone (the same bits), without its right ascensions
// and declinations.
struct SunMoonDirections {
  Vec3 moon, sun;
};
SunMoonDirections sun_moon_directions(double t, int nutation);

struct Geodetic {
  double lat;     // geodetic latitude, degrees, north positive
  double lon;     // east longitude, degrees, [0, 360)
  double height;  // height above the ellipsoid, km
};
// Inertial position (km) and Greenwich sidereal angle theta (radians) to the geodetic point
// on the 6378.166 / 6356.784 km ellipsoid (Fischer 1960).
Geodetic geocor(double x, double y, double z, double theta);

}  // namespace kv::ephem
