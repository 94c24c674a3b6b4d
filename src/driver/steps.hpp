// The steps of a run after its set-up, each on the run context: the sample grids and the
// detectors, then the reports.
#pragma once

#include "driver/context.hpp"
#include "grid/grid.hpp"
#include "report/json.hpp"
#include "report/report.hpp"

namespace kv::driver {

// What the scans need of the run, taken from ctx.
grid::ScanSetup scan_setup(const RunContext& ctx);
// The source direction fc1 from the right ascension and declination (degrees).
Vec3 source_direction(double ra_deg, double dec_deg);

// Samples the grids and runs the detectors: fills orbits, eclipses, saa, occults, views,
// totviewdur and (flagcrang 1) angles.
void detect(RunContext& ctx);

report::Heading heading(const RunContext& ctx);
// Where a run's results came from, for its JSON document.
report::Provenance provenance(const RunContext& ctx);
report::Timeline timeline(const RunContext& ctx);

// Writes every report of the run from the tables of ctx: headers and rows of the occultation
// report, the view report, the eclipse view report and the view-angle file, then the rows
// and tails and the day-wise file.
void write_reports(RunContext& ctx);

}  // namespace kv::driver
