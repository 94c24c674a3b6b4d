// The output files of a run: every name formed from the templates and the run suffix, and
// the check that no two outputs are one file.
#pragma once

#include <string>
#include <vector>

#include "driver/context.hpp"

namespace kv::driver {

// One output file of a run: what it is, its name and where the name came from.
struct OutputName {
  std::string role;    // "view report", ...
  std::string name;    // file name as formed
  std::string origin;  // the template it was formed from, or the fixed pattern
};

// Names of the joined text, its PostScript and its PDF: "view" + suffix + extension.
std::string bundle_name(const RunContext& ctx, const char* ext);
// Name of the day-wise duration file: "viewplot_" + suffix + ".txt".
std::string daywise_name(const RunContext& ctx);

// Every output of the run described by ctx (file names already formed), the view-angle
// file only when it is written.
std::vector<OutputName> output_names(const RunContext& ctx);

// Throws RunError naming both files and their origins when two outputs resolve to the same
// file. The status goes to the error file unless the error file is one of the pair.
void check_distinct_outputs(const RunContext& ctx);

}  // namespace kv::driver
