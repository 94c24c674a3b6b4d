// The summary of a catalogue run: one row per source, as CSV and as JSON.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "report/json.hpp"
#include "report/planner.hpp"

namespace kv::report {

struct CatalogueRow {
  std::string name;
  double ra_deg = 0, dec_deg = 0;
  double view_min = 0;                  // the view report's total (attitude limits only)
  double visibility_min = 0;            // sum of the visibility windows
  int windows = 0;                      // number of visibility windows
  double longest_min = 0;               // the longest visibility window
  std::string first_start, last_start;  // ISO 8601 starts of the first and last ("" if none)
  double eclipse_viewing_min = 0;       // sum of the eclipse viewing windows
  double view_windows_min = 0;          // sum of the view windows (attitude limits only)
  // The planner's answers (see planner.hpp) and the epoch of orbit time 0.
  std::vector<Season> seasons;
  std::string why_not;
  std::optional<NextVisible> next;
  std::optional<LongWindows> long_windows;
  Epoch iltread{};
};

// The row of one source from its tables.
CatalogueRow catalogue_row(const std::string& name, double ra_deg, double dec_deg,
                           const Timeline& tl, const Tables& t);

// Header "name,ra_deg,dec_deg,view_min,visibility_min,windows,longest_min,first_start,
// last_start,eclipse_viewing_min,seasons" (then "long_windows,long_total_min" when
// long_windows is set) and one line per row (checked writes).
void write_catalogue_csv(const std::string& path, const std::vector<CatalogueRow>& rows);

// The provenance of the run once, then the rows under "sources".
void write_catalogue_json(const std::string& path, const Provenance& p,
                          const std::vector<CatalogueRow>& rows);

// The progress of a catalogue run, {"done": N, "total": M}, written under a temporary name
// and renamed (a reader never sees half a file); throws RunError when it cannot be written.
void write_progress(const std::string& path, std::size_t done, std::size_t total);

}  // namespace kv::report
