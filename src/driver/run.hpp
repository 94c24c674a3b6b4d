// The run driver: one request from a stream, answered in the current working directory.
#pragma once

#include <ctime>
#include <istream>

#include "common/context.hpp"
#include "common/run_error.hpp"

namespace kv::driver {

// Runs one request read from `in` with `now` as the run's wall-clock time. Returns the
// process exit status: -1 after any failure (messages written to standard output, the error
// file, standard error and the log file as each failure prescribes).
int run(std::istream& in, std::time_t now);

// The set-up of a run: request, configuration, error file, period, orbit file, mean
// elements, report files. Throws RunError on the first failed check.
void setup(std::istream& in, std::time_t now, RunContext& ctx);

// Writes the texts of a failure to their destinations (standard output, error file or
// standard error, log file).
void report_failure(RunContext& ctx, const RunError& err);

}  // namespace kv::driver
