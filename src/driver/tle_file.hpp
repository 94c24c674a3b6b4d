// Orbits from a two-line element file (--tle FILE) instead of the orbit files.
//
//   read_tle_orbit  the chosen element set, its epoch and revolution number, the period in
//                   orbit time and the checks of its age and validity
//   tle_warnings    the warnings of a run from a TLE (plain words, for standard error)
#pragma once

#include <string>
#include <vector>

#include "driver/context.hpp"

namespace kv::driver {

// Days after the set's epoch beyond which SGP4's along-track error makes the edges
// indicative only; a period ending later draws a warning.
constexpr double tle_warning_days = 14;

// Reads ctx.tle_file, chooses the newest set whose epoch is not after the user start (else
// the oldest), and sets the orbit part of ctx from it: orbfnm (the file), iltread (the
// set's epoch, to the millisecond), iorb (its revolution number), q and qm (its mean
// elements, km and degrees), the period in orbit time. Throws RunError when the file cannot
// be read or holds a bad set, when the user start does not lie 0 to 370 days after the
// epoch, or when SGP4 fails within the period (a decayed orbit).
void read_tle_orbit(RunContext& ctx);

std::vector<std::string> tle_warnings(const RunShared& run);

}  // namespace kv::driver
