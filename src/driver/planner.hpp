// The planner's answers of a run (report/planner.hpp) from its grids and tables, and the
// search for the next visibility after the period.
//
//   planner_shared  the source-independent part: grid times past the period and the coarse
//                   Sun and Moon directions of the search
//   next_visible    the first visibility (or the next long gap) after the period
//   answers         every answer of one source
#pragma once

#include <optional>
#include <vector>

#include "driver/context.hpp"
#include "grid/grid.hpp"
#include "report/planner.hpp"

namespace kv::driver {

// How far past the period's end the next visibility is looked for.
constexpr double next_visible_search_days = 400;

// The grid of a run continued past its end by the search span (by the repeated addition
// that forms the run's own grid, so that its times are those of a longer run), the run's
// set-up over that span (in the precise model with its own ephemeris table), and the
// geocentric Sun and Moon directions of the model at every coarse_stride-th of those times
// from the period's first unscanned one.
struct PlannerShared {
  std::vector<double> times;
  std::size_t first_after = 0;  // index of the first grid time the period's scan leaves out
  grid::ScanSetup horizon;      // the run's set-up, its end at times.back()
  static constexpr std::size_t coarse_stride = 360;  // 6 hours of 60 s
  std::vector<ephem::SunMoonDirections> coarse;      // at times[first_after + j * stride]
};
PlannerShared planner_shared(const grid::ScanSetup& s, std::size_t scanned, int threads);

// What the search needs of a source: its direction over the search span
// (grid::source_track of PlannerShared::horizon).
struct SourceLimits {
  grid::SourceTrack track;
  view::ViewLimits lim;
  double thetainp = 0;  // Earth-limb margin, degrees
};

// The next visibility after the period (report::NextVisible), looked for up to
// next_visible_search_days after it: a coarse pass over the Sun and Moon limits at the
// coarse times, bounding the angles between them by the Sun's and Moon's apparent rates (and,
// in the precise model, their parallax from the satellite), then the run's own detectors on
// the grid times around each candidate. met: the limit
// masks of the period's scan; visibility: its visibility windows. nullopt when nothing is
// found.
std::optional<report::NextVisible> next_visible(const PlannerShared& p, const grid::ScanSetup& s,
                                                const SourceLimits& src,
                                                const std::vector<unsigned char>& met,
                                                const EventTable& visibility);

// Options of the answers.
struct AnswerOptions {
  double season_min_minutes = 1;
  std::optional<double> min_window_minutes;
  bool limits_report = true;  // false: the limits report only for a source never visible
};

// Every answer for the source of c from the period's grid g, its limit masks met and the
// tables in c. p: the shared part (nullptr: no next-visible search).
report::Answers answers(const RunContext& c, const grid::ScanSetup& s, const grid::Samples& g,
                        const std::vector<unsigned char>& met, const PlannerShared* p,
                        const AnswerOptions& o);

}  // namespace kv::driver
