// The one-page plot of a run (Cairo): title block, timeline lanes, day-wise bars and the
// days-by-orbit-phase map.
#pragma once

#include <array>
#include <string>

#include "common/tables.hpp"
#include "report/planner.hpp"
#include "report/report.hpp"

namespace kv::report {

// What the plot shows besides the tables.
struct PlotTitle {
  std::string source, orbit_file;
  double ra_deg = 0, dec_deg = 0;
  Epoch start{}, end{}, orbit_epoch{};
  double roll_sun = 0, neg_roll_sun = 0, roll_moon = 0, roll_velocity = 0, yaw_sun = 0,
         earth_margin = 0;
  Model model = Model::classic;  // named in the title when not the default
};

// The colours of the states (red, green, blue in 0-1), shared with the tests.
struct Rgb {
  double r, g, b;
};
constexpr Rgb plot_visible{0.13, 0.63, 0.25};
constexpr Rgb plot_visible_eclipse{0.10, 0.25, 0.65};
constexpr Rgb plot_occulted{0.55, 0.55, 0.55};
constexpr Rgb plot_saa{0.95, 0.60, 0.10};
constexpr Rgb plot_outside_limits{0.96, 0.80, 0.80};
// The band above the lanes where the orbit is older than orbit_age_caveat_days (json.hpp).
constexpr Rgb plot_aged_orbit{0.85, 0.45, 0.10};

// Page size (points, or pixels in PNG) and the timeline's geometry, for the tests.
constexpr int plot_width = 1200, plot_height = 1500;
constexpr double plot_left = 170, plot_right = 1160;  // x of the period's start and end
constexpr double plot_lane_top = 170, plot_lane_height = 26, plot_lane_gap = 8;
// Top and height of lane i of n (the lanes share the height of five): n is 5, or 9 with
// one lane per attitude limit; the visibility lane is the last.
struct PlotLane {
  double top, height;
};
inline PlotLane plot_lane(std::size_t i, std::size_t n) {
  const double pitch = 5 * (plot_lane_height + plot_lane_gap) / static_cast<double>(n);
  return {plot_lane_top + static_cast<double>(i) * pitch,
          pitch * plot_lane_height / (plot_lane_height + plot_lane_gap)};
}

// The planner's part of the plot: where each attitude limit holds (view::LimitIndex
// order), drawn as one lane each instead of the view windows' lane, and the calendar,
// drawn by month instead of by day for periods over 60 days.
struct PlotAnswers {
  std::array<EventTable, view::kLimitCount> limit_met;
  const Calendar* calendar = nullptr;
};

// Writes the plot to `path` as PDF, PNG or SVG by its extension. Throws RunError when the
// file cannot be written.
void write_plot(const std::string& path, const PlotTitle& title, const Timeline& tl, double tendinp,
                const Tables& t, const PlotAnswers* answers = nullptr);

// Whether the plot can be written under this name (extension .pdf, .png or .svg).
bool plot_format_known(const std::string& path);

}  // namespace kv::report
