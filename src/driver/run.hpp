// The run driver: one request from a stream, answered in the current working directory.
#pragma once

#include <ctime>
#include <istream>

#include "driver/options.hpp"

namespace kv::driver {

// Runs one request read from `in` with `now` as the run's wall-clock time. Returns the
// process exit status: -1 after any failure (messages written to standard output, the error
// file, standard error and the log file as each failure prescribes).
int run(std::istream& in, std::time_t now, const RunOptions& opt = {});

}  // namespace kv::driver
