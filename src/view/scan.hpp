// View-constraint scan over the user period.
//
//   evntst   opens a view window
//   evntend  closes a view window and records it when longer than 15 minutes
//   getatt   the scan: attitude angles at every step against the five limits, the headers of
//            the view report and the eclipse view report, and the view-angle file
#pragma once

#include "common/context.hpp"
#include "view/attitude.hpp"

namespace kv::view {

// State of the one view window a scan may have open.
struct ViewWindow {
  int open = 0;
  double start = 0;
};

void evntst(ViewWindow& w, double t);
// Closes an open window at t when the step is out of view or t is the scan's last sample;
// records it (ctx.views, ctx.totviewdur) when its duration exceeds
// min_view_window_minutes.
void evntend(RunContext& ctx, ViewWindow& w, int inview, double t, bool last_sample);

// Whether all five angles (radians) lie strictly above their limits (degrees).
bool in_view(const RunContext& ctx, const AttAngles& a);

void getatt(RunContext& ctx);

}  // namespace kv::view
