// View-constraint detector over the user period.
//
//   evntst   opens a view window
//   evntend  closes a view window and records it when longer than 15 minutes
//   in_view  whether the five attitude angles lie above their limits
//   limits_met  which of the five attitude angles lie above their limits (a bit mask)
//   getatt   the scan: attitude angles at every grid time against the five limits
#pragma once

#include <vector>

#include "common/tables.hpp"
#include "grid/grid.hpp"
#include "view/attitude.hpp"

namespace kv::view {

// Lower limits of the attitude angles, degrees.
struct ViewLimits {
  double ywsvlim = 0;   // yaw axis to Sun (configuration)
  double rosvlim = 0;   // roll axis to Sun
  double nrosvlim = 0;  // minus roll axis to Sun
  double romlim = 0;    // roll axis to Moon
  double rovellim = 0;  // roll axis to velocity
};

// Bits of a limit mask: the limits an attitude meets.
enum LimitBit : unsigned char {
  kRollSunMet = 1,
  kNegRollSunMet = 2,
  kRollMoonMet = 4,
  kRollVelocityMet = 8,
  kYawSunMet = 16,
};
constexpr unsigned char kAllLimitsMet = 31;

// Result of the scan: the recorded view windows (tviewr1, tviewr2, indview), the sum of
// their durations, the limits met at every grid time scanned (a LimitBit mask, always
// decided as the exact angles decide it) and, when asked for, the angles there.
struct ViewScan {
  EventTable windows;
  double totviewdur = 0;           // minutes
  std::vector<unsigned char> met;  // one per grid time scanned, from tstreadif
  std::vector<AttAngles> angles;   // one per grid time scanned, from tstreadif
};

// State of the one view window a scan may have open.
struct ViewWindow {
  int open = 0;
  double start = 0;
};

void evntst(ViewWindow& w, double t);
// Closes an open window at t when the step is out of view or t is the scan's last sample;
// records it when its duration exceeds min_view_window_minutes.
void evntend(ViewScan& v, ViewWindow& w, int inview, double t, bool last_sample);

constexpr double kCosOneDegree = 0.9998476951563913;

// Whether all five angles (radians) lie strictly above their limits (degrees).
bool in_view(const ViewLimits& lim, const AttAngles& a);
// The LimitBit mask of the angles (radians) above their limits (degrees), by the
// comparisons of in_view: in_view holds exactly when the mask is kAllLimitsMet.
unsigned char limits_met(const ViewLimits& lim, const AttAngles& a);

// The view decision for Sun and Moon unit vectors known to within err (vector distance),
// the other angle being rolvelang (radians): 1 in view, 0 out of view, -1 when directions
// within err could decide either way (or the Sun lies within a degree of the source axis).
int certain_in_view(const Vec3& fc1, const Vec3& sun, const Vec3& moon, double rolvelang,
                    const ViewLimits& lim, double err);

// The number of grid times getatt scans: tstreadif, tstreadif + step, ... up to the last
// not beyond tendinp - step (1e-6 s margin), the first always.
std::size_t scanned_count(const grid::ScanSetup& s, const grid::Samples& g);

// Scans the grid times tstreadif, tstreadif + step, ... up to the last not beyond
// tendinp - step (1e-6 s margin) for the source src (fc1 in the classic model). With keep_angles
// the angles of every grid time scanned are kept, always the exact ones (on Sun and Moon directions
// computed where the grid interpolates them).
ViewScan getatt(const grid::ScanSetup& s, const grid::Samples& g, const grid::SourceTrack& src,
                const ViewLimits& lim, bool keep_angles, int threads);

}  // namespace kv::view
