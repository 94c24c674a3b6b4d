// Sky maps: the HEALPix pixel centres as a catalogue, and the map and picture of the result.
//
//   sky_sources    the pixel centres of NSIDE as catalogue sources named pix<N>
//   write_sky_map  the FITS map and the Mollweide picture of the visible fractions
#pragma once

#include <vector>

#include "driver/catalogue.hpp"
#include "driver/context.hpp"
#include "driver/options.hpp"
#include "report/catalogue.hpp"

namespace kv::driver {

// The centres of the HEALPix pixels (RING scheme), named pix<N> with their number N.
std::vector<CatalogueSource> sky_sources(int nside);

// The FITS map and the picture of a sky-map run; rows[k] is the result of sources[k] (a
// shard fills its own pixels, the others stay 0).
void write_sky_map(const RunContext& base, const RunOptions& opt,
                   const std::vector<CatalogueSource>& sources,
                   const std::vector<report::CatalogueRow>& rows);

}  // namespace kv::driver
