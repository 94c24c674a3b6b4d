// Runs held in memory, for a caller inside the same process (the Python module): the
// request computed with the checks of a batch run and no file written; the JSON document
// (run.hpp: json_text) and the text reports made from the results on demand.
//
//   compute_run        the set-up and every detector of a request, into a run context
//   write_run_reports  the text reports of a computed run, as the batch run writes them
#pragma once

#include <ctime>
#include <istream>
#include <string>
#include <vector>

#include "driver/context.hpp"
#include "driver/options.hpp"
#include "report/planner.hpp"

namespace kv::driver {

// Reads the request from `in` and computes it into ctx with `now` as the run's wall-clock
// time, opt.threads threads and, with opt.tle, the orbit from that file. The configuration,
// the orbit files and a relative TLE name are read from `datadir` ("" for the working
// folder) and named as a batch run in that folder names them. Writes nothing. Throws
// RunError on the first failed check, as the batch run would fail.
// Returns the planner's answers of the run (what --json adds to the document).
report::Answers compute_run(std::istream& in, std::time_t now, const RunOptions& opt,
                            const std::string& datadir, RunContext& ctx);

// Writes the text reports of the computed run `run` inside the folder `dir` (created, with
// the folders the output templates name), byte for byte as the batch run writes them: log,
// error file, orbit information, occultation, view and eclipse view reports, the view-angle
// file (flag 1), the day-wise file and the joined view<suffix>.txt (no PostScript or PDF).
// Returns the names of the files written. Throws RunError when a file cannot be written.
std::vector<std::string> write_run_reports(const RunContext& run, const std::string& dir);

}  // namespace kv::driver
