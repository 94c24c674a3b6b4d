// The JSON document of a run: provenance, every table, totals and the day-wise table.
#pragma once

#include <string>
#include <vector>

#include "common/tables.hpp"
#include "common/types.hpp"
#include "report/planner.hpp"
#include "report/report.hpp"

namespace kv::report {

constexpr int json_schema_version = 1;

// Where the results came from.
struct Provenance {
  std::string version, commit;
  Epoch run_time{};
  std::vector<std::string> request_tokens;  // the 26 tokens as read
  std::string user, source, satellite, tag;
  double ra_deg = 0, dec_deg = 0;
  Epoch start{}, end{};
  double roll_sun = 0, neg_roll_sun = 0, roll_moon = 0, roll_velocity = 0, earth_margin = 0;
  double yaw_sun = 0;  // from the configuration
  int angle_flag = 0;
  std::string config_file;
  std::vector<std::string> config_values;  // its ten tokens
  std::string orbit_file, orbit_sha256;
  Epoch orbit_epoch{};
  int orbit_number = 0;
  Elements osculating{}, mean{};  // km and degrees
  // An orbit from a two-line element set: its name line ("" for none) and two lines.
  std::string tle_name;
  std::vector<std::string> tle_lines;
  // The output files of the run: role and name.
  std::vector<std::pair<std::string, std::string>> outputs;
  Model model = Model::classic;
  // Days from the orbit epoch to the start and the end of the period.
  double orbit_age_start_days = 0, orbit_age_end_days = 0;
  std::vector<std::string> caveats;  // what the reader should know about the results
};

// Orbit age beyond which the caveat on per-orbit edges is given, days.
constexpr double orbit_age_caveat_days = 7;
// The caveats of a period that ends tendinp seconds after the orbit epoch iltread (UTC):
// per-orbit edges beyond orbit_age_caveat_days are indicative only.
std::vector<std::string> caveats(const Epoch& iltread, double tendinp);

// The run's tables beyond the report tables: the raw view windows and the orbit numbers.
struct RunTables {
  const Tables& tables;
  const OrbitTable& orbits;
  const EventTable* penumbra = nullptr;  // precise model: the penumbra passages
};

// "YYYY-MM-DDTHH:MM:SS.mmmZ" of an epoch.
std::string iso8601(const Epoch& e);

// The JSON document of a successful run, with its final newline (what --json writes).
// pdf_made: whether the bundle's PDF was made. answers: the planner's answers, when made.
std::string json_document(const Provenance& p, const Heading& h, const Timeline& tl,
                          const RunTables& r, const std::string& pdf, bool pdf_made,
                          const Answers* answers = nullptr);

}  // namespace kv::report
