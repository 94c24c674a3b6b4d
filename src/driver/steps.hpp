// The steps of a run after its set-up, each on the run context: the sample grids and the
// detectors, then the reports.
#pragma once

#include <functional>

#include "driver/context.hpp"
#include "events/events.hpp"
#include "grid/grid.hpp"
#include "report/json.hpp"
#include "report/report.hpp"

namespace kv::driver {

// What the scans need of the run, taken from ctx; in the precise model with the ephemeris
// table of the period (computed on ctx.threads).
grid::ScanSetup scan_setup(const RunContext& ctx);
// The source direction fc1 from the right ascension and declination (degrees).
Vec3 source_direction(double ra_deg, double dec_deg);

// The source-independent detectors on the samples: orbits, eclipses, saa.
void detect_shared(RunShared& shared, const grid::ScanSetup& s, const grid::Samples& g,
                   int threads);
// The source's detectors on the samples: occults, views, totviewdur and, with keep_angles,
// angles and angle_times. geometry: the occultation parts at the grid times, when already
// computed for many sources (else nullptr).
void detect_source(RunContext& ctx, const grid::ScanSetup& s, const grid::Samples& g,
                   const std::vector<events::OccultationParts>* geometry, bool keep_angles,
                   int threads);
// Samples the grids and runs every detector for the source of ctx (angles with flagcrang 1);
// then `then` on the period's grid, when given.
using GridUser = std::function<void(const grid::ScanSetup&, const grid::Samples&)>;
void detect(RunContext& ctx, const GridUser& then = {});

report::Heading heading(const RunContext& ctx);
// Where a run's results came from, for its JSON document.
report::Provenance provenance(const RunContext& ctx);
report::Timeline timeline(const RunContext& ctx);

// Writes every report of the run from the tables of ctx: headers and rows of the occultation
// report, the view report, the eclipse view report and the view-angle file, then the rows
// and tails and the day-wise file.
void write_reports(RunContext& ctx);

}  // namespace kv::driver
