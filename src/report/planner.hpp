// The planner's answers of a run, made from its tables: the calendar of visibility,
// the observing seasons, the windows of at least a given length, what each attitude limit
// and blocker excludes, the next visibility after the period, and the plain line saying
// why a source is never visible.
//
//   calendar       visibility and eclipse viewing per UTC calendar day and month
//   seasons        maximal runs of days with at least a given visibility
//   long_windows   the visibility windows of at least a given length
//   why_not_line   what keeps a source that is never visible from view, in numbers
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "common/tables.hpp"
#include "common/types.hpp"
#include "report/report.hpp"
#include "view/limits.hpp"

namespace kv::report {

// One UTC calendar day [start, end) (orbit times) that the period touches, with the
// seconds of visibility and of eclipse viewing in it (windows split at midnight).
struct CalendarDay {
  std::string date;  // YYYY-MM-DD
  double start = 0, end = 0;
  double visibility_s = 0, eclipse_viewing_s = 0;
};
struct CalendarMonth {
  std::string month;  // YYYY-MM
  double visibility_s = 0, eclipse_viewing_s = 0;
};
struct Calendar {
  std::vector<CalendarDay> days;
  std::vector<CalendarMonth> months;
};
// The days from the one holding tstreadif to the one holding the last instant before
// tendinp; iltread: the epoch of orbit time 0.
Calendar calendar(const Epoch& iltread, double tstreadif, double tendinp, const Visibility& v);

// A maximal run of consecutive calendar days each with at least min_day_s seconds of
// visibility: its dates, the visibility in it, the visibility windows that overlap it and
// the longest of them (the part within the season's days).
struct Season {
  std::string first_date, last_date;
  double visibility_min = 0;
  int windows = 0;
  double longest_min = 0;
};
std::vector<Season> seasons(const Calendar& c, const EventTable& visibility, double min_day_s);
// "FIRST/LAST" of each season joined by ';' (the catalogue summary's field).
std::string seasons_field(const std::vector<Season>& s);

// The visibility windows of at least min_minutes.
struct LongWindows {
  double min_minutes = 0;
  EventTable windows;
  double total_min = 0;
};
LongWindows long_windows(const EventTable& visibility, double min_minutes);

// The first visibility after the period. No visibility in the period: the first grid time
// from the period's end at which every attitude limit holds, and the first visibility
// window from there. Visibility in the period: the first stretch of more than a day
// without visibility that reaches past the period's end, from the end of the window before
// it to the start of the window after it (to_found false when no window follows within the
// search).
struct NextVisible {
  bool visible = false;
  double in_limits_from = 0, first_start = 0, first_end = 0;
  double gap_from = 0, gap_to = 0;
  bool gap_to_found = false;
};

// The limits of a run as the why-not line names them, degrees.
struct LimitValues {
  std::array<double, view::kLimitCount> deg{};  // in view::LimitIndex order
};

// What each limit and blocker excludes and the angle ranges over the period.
struct LimitsReport {
  view::LimitsAccount account;
  std::array<view::AngleRange, view::kLimitCount> ranges{};
};

// Why a source with no visibility window is never visible: the limits never met (with the
// range of their angle against the limit), else that the limits never hold together, or
// hold only for short stretches, or only behind the Earth or in SAA passages.
// view_windows: the number of view windows kept; period_s: the length of the scan.
std::string why_not_line(const LimitsReport& r, const LimitValues& lim, int view_windows,
                         double period_s);

// Everything above for one source.
struct Answers {
  Calendar calendar;
  std::vector<Season> seasons;
  double season_min_minutes = 1;
  LimitsReport limits;
  std::array<EventTable, view::kLimitCount> limit_met;  // where each limit holds
  std::string why_not;                                  // "" when visible
  std::optional<NextVisible> next;
  std::optional<LongWindows> long_windows;
};

// One or two plain lines for a terminal: the visibility and the seasons, or why the source
// is never visible; then the next visibility. iltread: the epoch of orbit time 0.
std::vector<std::string> terminal_lines(const std::string& source, const Epoch& iltread,
                                        const EventTable& visibility, const Answers& a);

}  // namespace kv::report
