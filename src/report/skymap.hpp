// The sky map of a run: the visibility and view fractions of every HEALPix pixel (RING
// ordering, equatorial coordinates) as a FITS map and as a Mollweide picture.
#pragma once

#include <string>
#include <vector>

#include "common/types.hpp"

namespace kv::report {

// Right ascension and declination (degrees) of the centres of the 12 nside^2 pixels.
std::vector<std::pair<double, double>> healpix_centres(int nside);

// Writes the FITS map: a binary table with the columns VISIBILITY and VIEW (fractions of the
// period) and the keywords PIXTYPE, ORDERING, NSIDE, COORDSYS, INDXSCHM, FIRSTPIX, LASTPIX.
void write_fits_map(const std::string& path, int nside, const std::vector<double>& visibility,
                    const std::vector<double>& view);

// What the picture's title and overlays show.
struct SkyPicture {
  std::string title, subtitle;
  std::vector<std::pair<double, double>> sun_track;  // RA, Dec (degrees) over the period
};

// Writes the Mollweide picture of the visibility fraction (PNG) with a colour bar, the
// ecliptic and the Sun's track.
void write_sky_picture(const std::string& path, int nside, const std::vector<double>& visibility,
                       const SkyPicture& p);

}  // namespace kv::report
