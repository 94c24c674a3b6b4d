// Catalogue runs: one request's period, limits and orbit for every source of a CSV file.
//
//   read_catalogue  the sources of a catalogue file, every row checked
//   run_catalogue   the source-independent work once, then every source in parallel
#pragma once

#include <ctime>
#include <istream>
#include <string>
#include <vector>

#include "driver/context.hpp"
#include "driver/options.hpp"
#include "report/catalogue.hpp"

namespace kv::driver {

struct CatalogueSource {
  std::string name;
  double ra_deg = 0, dec_deg = 0;
  int line = 0;    // line number in the file
  int pixel = -1;  // HEALPix pixel number (RING scheme) of a sky-map source
};

// Reads a CSV catalogue: a header line naming the three columns (name, ra, dec in any
// letter case and order; aliases source and target, ra_deg and ra_hms, dec_deg and dec_dms),
// then one source a line; lines starting with '#' and empty lines are skipped, blanks around
// a field are dropped. Positions in any form of parse_ra and parse_dec (under ra_hms a bare
// number is refused). Each row is checked by the source rules (name of at most 24 characters
// without '/' or control characters, blanks inside only; right ascension 0 to 360,
// declination -90 to 90); names and their file-name forms must be unique. Throws RunError
// listing up to 20 bad rows (or the bad header) with their line numbers.
std::vector<CatalogueSource> read_catalogue(const std::string& path);
// The same from a stream, named `path` in the messages.
std::vector<CatalogueSource> read_catalogue(std::istream& in, const std::string& path);

// The sources of shard k of n: positions k, k + n, k + 2n, ...
std::vector<CatalogueSource> shard_of(const std::vector<CatalogueSource>& all, int k, int n);

// Name of a catalogue or sky-map summary file with extension ext: "catalogue_" or
// "skymap_", the run suffix of the request, then the NSIDE and the shard.
std::string summary_name(const RunContext& base, const RunOptions& opt, const char* ext);

// Runs the request read from `in` for every source of the catalogue opt.catalogue (its own
// source fields unused): writes the summary CSV (and opt.json, and with opt.reports every
// source's text reports inside that folder). Returns 0, or -1 after a failure (reported on
// standard error).
int run_catalogue(std::istream& in, std::time_t now, const RunOptions& opt);

// The summary rows of the sources under the request read from `in` (its own source fields
// unused), in the order of `sources`, and with opt.reports every source's text reports
// inside that folder: the set-up and the source-independent work once into `base` (whose
// datadir says where the inputs are), then the sources in parallel on opt.threads. Throws
// RunError on the first failed check, or naming the first source that failed.
std::vector<report::CatalogueRow> compute_catalogue(std::istream& in, std::time_t now,
                                                    const RunOptions& opt,
                                                    const std::vector<CatalogueSource>& sources,
                                                    RunContext& base);

}  // namespace kv::driver
