// What the attitude limits and the blockers exclude over a scan, from the limit masks of
// getatt and the occultation and SAA tables.
//
//   sample_end      the end of the span a scanned grid time stands for
//   account_limits  per limit and per blocker: the time it excludes and the time it alone
//                   excludes
//   angle_ranges    the least and greatest of each attitude angle over the scanned times
//   met_windows     the intervals over which one limit (or all) holds
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "common/tables.hpp"
#include "grid/grid.hpp"
#include "view/scan.hpp"

namespace kv::view {

// Order of the limits in the arrays below (and in the JSON document).
enum LimitIndex { kRollSun, kNegRollSun, kRollMoon, kRollVelocity, kYawSun, kLimitCount };
// The LimitBit of each LimitIndex.
constexpr std::array<unsigned char, kLimitCount> kLimitBits{
    kRollSunMet, kNegRollSunMet, kRollMoonMet, kRollVelocityMet, kYawSunMet};

// Seconds excluded by one limit or blocker over the scan, and seconds it alone excludes:
// where every other limit holds and no other blocker (occultation, SAA passage) stands.
struct Exclusion {
  double excluded_s = 0, alone_s = 0;
};
struct LimitsAccount {
  std::array<Exclusion, kLimitCount> limits;
  Exclusion occultation, saa;
  double all_met_s = 0;  // seconds with every limit met
};

// Grid time k of a scan of times t (k < met.size() scanned) stands for [t[k], end of k]:
// the next scanned time, and the scan's end `tendinp` after the last.
inline double sample_end(const std::vector<double>& t, std::size_t k, std::size_t n,
                         double tendinp) {
  return k + 1 < n ? t[k + 1] : tendinp;
}

// The limits hold over a scanned time's span as getatt finds them there; occultations and
// SAA passages are taken to the second, clipped to [t[0], tendinp]. The rule that drops view
// windows of 15 minutes or less is not a limit and is not counted.
LimitsAccount account_limits(const std::vector<double>& t, const std::vector<unsigned char>& met,
                             double tendinp, const EventTable& occults, const EventTable& saa);

// Least and greatest angle, degrees, of each limit's angle over the first n grid times for the
// source direction src: taken from the exact Sun and Moon directions of the run's model
// (directions_at) at the grid times where the grid's directions put the extremes.
struct AngleRange {
  double min_deg = 0, max_deg = 0;
};
std::array<AngleRange, kLimitCount> angle_ranges(const grid::ScanSetup& s, const grid::Samples& g,
                                                 std::size_t n, const grid::SourceTrack& src);

// The spans of the scanned times whose mask holds every bit of `bits`, merged.
EventTable met_windows(const std::vector<double>& t, const std::vector<unsigned char>& met,
                       double tendinp, unsigned char bits);

}  // namespace kv::view
