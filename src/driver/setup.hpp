// The set-up steps of a run, in the order a run takes them: the wall clock, the request,
// the log and error files, the configuration and the output names, the period, the orbit
// file and its mean elements, the report files.
#pragma once

#include <ctime>
#include <istream>

#include "driver/context.hpp"
#include "driver/options.hpp"

namespace kv::driver {

Epoch wall_clock(std::time_t now);
// What the run takes of the command-line options: threads, the TLE file, the model set.
void take_options(RunContext& ctx, const RunOptions& opt);
// The log file's name, "log_<suffix>.out" in ctx.outdir.
std::string log_file_name(const RunContext& ctx);
// Creates the log file "log_<suffix>.out" (in ctx.outdir).
void open_log_file(RunContext& ctx);
// Forms every output name from the templates (in ctx.outdir) and checks that no two
// outputs are one file.
void form_output_names(RunContext& ctx);
// The log file, the configuration, the output names, the error file.
void open_log_and_error_files(RunContext& ctx);
// The user period: day counts, its length in seconds and whole days, its limits.
void check_period(RunContext& ctx);
// The orbit epoch's day counts and sidereal angle, and the user period in orbit time, from
// iltread and the user period.
void orbit_times(RunContext& ctx);
// The newest orbit file (or, with tle_file, the chosen element set): epoch, orbit number,
// elements, the period in orbit time and the orbit's age limit.
void read_orbit(RunContext& ctx);
// Mean elements and the propagation set.
void mean_elements(RunContext& ctx);
// Creates the eclipse view report, the view report, the orbit information file (written
// here), the view-angle file (flag 1) and the occultation report.
void create_reports(RunContext& ctx);
// Closes the reports (checked) and then writes the success marker to the error file and
// closes it and the log: a failed write is never covered by the marker.
void declare_success(RunContext& ctx);
// The set-up of a single run, every step above in order. Throws RunError on the first
// failed check.
void setup(std::istream& in, std::time_t now, RunContext& ctx);
// The set-up of a run held in memory: the checks of setup() in their order, every name
// formed, and no file created (the log, error and report files aside, the same failures).
void setup_in_memory(std::istream& in, std::time_t now, RunContext& ctx);

// Creates the folders, inside ctx.outdir, that the output templates name.
void create_output_folders(RunContext& ctx);
// Writes the text reports of a computed run (ctx after its detectors) as a single run
// writes them in ctx.outdir: log, error file, reports, day-wise file (the bundle aside).
void write_text_reports(RunContext& ctx);

}  // namespace kv::driver
