// Command-line options of kelvis.
#pragma once

#include <ctime>
#include <optional>
#include <string>

#include "common/types.hpp"

namespace kv::driver {

struct RunOptions {
  int threads = 0;                 // threads of the computation; 0: all cores
  std::optional<std::time_t> now;  // the run's wall-clock time instead of the real clock
  std::string json;                // path of the JSON document ("" for none)
  std::string catalogue;           // catalogue CSV: one run per source ("" for a single run)
  std::string reports;             // catalogue runs: folder of every source's reports
  int shard_k = 0, shard_n = 1;
  bool no_pdf = false;  // join the reports but make no PostScript or PDF
  int sky_nside = 0;
  std::string overlay;   // --sky-map: catalogue CSV of sources marked on the picture
  std::string progress;  // catalogues, sky maps: file of the sources done so far ("" for none)
  // kelvis serve: the web page and JSON API.
  bool serve = false;
  std::string listen = "127.0.0.1:8080", data = ".";
  int workers = 0;
  double run_timeout_s = 120, keep_hours = 24;
  double max_disk_mb = 1024;  // disk for the server's run folders
  std::string plot;           // path of the plot, .pdf, .png or .svg ("" for none)
  std::string source_name;    // the source's name as shown (may hold blanks; "" for the token)
  std::string tle;  // two-line element file: the orbit instead of the orbit files ("" for none)
  Model model = Model::classic;      // the model set of every run
  double season_min = 1;             // minutes of visibility that make a day of a season
  std::optional<double> min_window;  // minutes: list the visibility windows at least so long
};

// The version line: "kelvis <version>", with the git commit when built from a checkout.
std::string version_text();

// Seconds since the Unix epoch of a UTC time written YYYY-MM-DDTHH:MM:SS; nullopt when the
// text is not such a time (2000 to 2099).
std::optional<std::time_t> parse_utc(const std::string& text);

// Parses the command line into opt. Returns -1 when the run should go ahead, otherwise the
// exit status (0 after --help or --version, 2 after a usage error, reported on stderr).
int parse_options(int argc, char** argv, RunOptions& opt);

}  // namespace kv::driver
