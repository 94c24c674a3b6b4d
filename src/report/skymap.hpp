// The sky map of a run: the visibility and view fractions of every HEALPix pixel (RING
// ordering, equatorial coordinates) as a FITS map and as a Mollweide picture.
#pragma once

#include <string>
#include <vector>

#include "common/types.hpp"

namespace kv::report {

// Right ascension and declination (degrees) of the centres of the 12 nside^2 pixels.
std::vector<std::pair<double, double>> healpix_centres(int nside);

// What the FITS header records of the run (keywords in brackets).
struct SkyMapRun {
  std::string date_beg, date_end;  // the period, UTC, ISO 8601 [DATE-BEG, DATE-END; TIMESYS]
  double roll_sun = 0, neg_roll_sun = 0, roll_moon = 0, roll_velocity = 0,  // degrees
      earth_margin = 0, yaw_sun = 0;     // [ROLLSUN, NROLLSUN, ROLLMOON, ROLLVEL, EARTHMRG, YAWSUN]
  std::string orbit_file, orbit_sha256;  // [ORBFILE, ORBSHA]
  std::string version;                   // the kelvis version line [KVVERS]
};

// Writes the FITS map: a binary table with the columns VISIBILITY and VIEW (fractions of the
// period), the keywords PIXTYPE, ORDERING, NSIDE, COORDSYS, INDXSCHM, FIRSTPIX, LASTPIX and
// the run's keywords of SkyMapRun.
void write_fits_map(const std::string& path, int nside, const std::vector<double>& visibility,
                    const std::vector<double>& view, const SkyMapRun& run);

// A source marked and named on the picture, with its visible fraction of the period.
struct MarkedSource {
  std::string name;
  double ra_deg = 0, dec_deg = 0, visible = 0;
};

// What the picture's title and overlays show.
struct SkyPicture {
  std::string title, subtitle;
  std::vector<std::pair<double, double>> sun_track;  // RA, Dec (degrees) over the period
  std::vector<MarkedSource> marked;                  // --overlay sources
};

// Mollweide position (x in [-2, 2], y in [-1, 1]) of a direction, as healpy draws the sky:
// right ascension 0h at the centre, growing to the left.
void mollweide(double ra_deg, double dec_deg, double& x, double& y);

// Equatorial right ascension and declination (degrees, J2000) of galactic longitude l and
// latitude b (degrees). Reference: the IAU 1958 galactic system in J2000 coordinates (north
// galactic pole at 192.85948, +27.12825; longitude of the north celestial pole 122.93192).
std::pair<double, double> galactic_to_equatorial(double l_deg, double b_deg);

// Writes the Mollweide picture of the visibility fraction (PNG) with a colour bar, an RA/Dec
// graticule with labels, the ecliptic, the galactic plane, the Sun's track and the marked
// sources.
void write_sky_picture(const std::string& path, int nside, const std::vector<double>& visibility,
                       const SkyPicture& p);

}  // namespace kv::report
