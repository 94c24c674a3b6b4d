#include "report/planner.hpp"

#include <algorithm>
#include <cmath>

#include "common/run_error.hpp"
#include "common/timescales.hpp"

namespace kv::report {
namespace {

// Seconds of the intervals of t within [a, b), from interval i on (i is moved past those
// ending at or before a).
double overlap(const EventTable& t, std::size_t& i, double a, double b) {
  while (i < t.t1.size() && t.t2[i] <= a) ++i;
  double sum = 0;
  for (std::size_t j = i; j < t.t1.size() && t.t1[j] < b; ++j)
    sum += std::max(0.0, std::min(b, t.t2[j]) - std::max(a, t.t1[j]));
  return sum;
}

}  // namespace

Calendar calendar(const Epoch& iltread, double tstreadif, double tendinp, const Visibility& v) {
  Calendar c;
  if (!(tendinp > tstreadif)) return c;
  // Seconds from the midnight before the epoch to the epoch.
  const double sod = iltread[3] * 3600.0 + iltread[4] * 60.0 + iltread[5] + iltread[6] / 1000.0;
  const double first = std::floor((tstreadif + sod) / daysec);
  const double last = std::ceil((tendinp + sod) / daysec) - 1;
  std::size_t iv = 0, ie = 0;
  for (double d = first; d <= last; ++d) {
    CalendarDay day;
    day.start = d * daysec - sod;
    day.end = day.start + daysec;
    const Epoch noon = addtimnew(iltread, day.start + daysec / 2);
    day.date = strprintf("%04d-%02d-%02d", noon[0], noon[1], noon[2]);
    day.visibility_s = overlap(v.viewact, iv, day.start, day.end);
    day.eclipse_viewing_s = overlap(v.vieweclp, ie, day.start, day.end);
    const std::string month = day.date.substr(0, 7);
    if (c.months.empty() || c.months.back().month != month) c.months.push_back({month, 0, 0});
    c.months.back().visibility_s += day.visibility_s;
    c.months.back().eclipse_viewing_s += day.eclipse_viewing_s;
    c.days.push_back(std::move(day));
  }
  return c;
}

std::vector<Season> seasons(const Calendar& c, const EventTable& visibility, double min_day_s) {
  std::vector<Season> out;
  const std::size_t n = c.days.size();
  for (std::size_t k = 0; k < n;) {
    if (!(c.days[k].visibility_s >= min_day_s) || c.days[k].visibility_s <= 0) {
      ++k;
      continue;
    }
    std::size_t j = k;
    Season s;
    s.first_date = c.days[k].date;
    double sum_s = 0;
    while (j < n && c.days[j].visibility_s >= min_day_s && c.days[j].visibility_s > 0)
      sum_s += c.days[j++].visibility_s;
    s.last_date = c.days[j - 1].date;
    s.visibility_min = sum_s / 60;
    const double a = c.days[k].start, b = c.days[j - 1].end;
    for (std::size_t w = 0; w < visibility.t1.size(); ++w) {
      const double len = std::min(b, visibility.t2[w]) - std::max(a, visibility.t1[w]);
      if (len <= 0) continue;
      ++s.windows;
      s.longest_min = std::max(s.longest_min, len / 60);
    }
    out.push_back(s);
    k = j;
  }
  return out;
}

std::string seasons_field(const std::vector<Season>& s) {
  std::string f;
  for (const Season& x : s) f += (f.empty() ? "" : ";") + x.first_date + "/" + x.last_date;
  return f;
}

LongWindows long_windows(const EventTable& visibility, double min_minutes) {
  LongWindows l;
  l.min_minutes = min_minutes;
  for (std::size_t k = 0; k < visibility.t1.size(); ++k) {
    const double m = (visibility.t2[k] - visibility.t1[k]) / 60;
    if (m < min_minutes) continue;
    l.windows.add(visibility.t1[k], visibility.t2[k]);
    l.total_min += m;
  }
  return l;
}

std::string why_not_line(const LimitsReport& r, const LimitValues& lim, int view_windows,
                         double period_s) {
  // What each limit's angle is measured from, and to what.
  static constexpr std::array<const char*, view::kLimitCount> kBetween{
      "the Sun is %.1f to %.1f degrees from the source",
      "the Sun is %.1f to %.1f degrees from the negative roll axis",
      "the Moon is %.1f to %.1f degrees from the source",
      "the orbital velocity is %.1f to %.1f degrees from the source",
      "the Sun is %.1f to %.1f degrees from the yaw axis"};
  static constexpr std::array<const char*, view::kLimitCount> kName{
      "roll-Sun", "negative roll-Sun", "roll-Moon", "roll-velocity", "yaw-Sun"};
  std::string line;
  for (std::size_t i = 0; i < view::kLimitCount; ++i) {
    if (r.account.limits[i].excluded_s < period_s - 1e-3) continue;
    if (!line.empty()) line += "; ";
    line += strprintf(kBetween[i], r.ranges[i].min_deg, r.ranges[i].max_deg);
    line += strprintf(" over the period, where more than %g are needed", lim.deg[i]);
  }
  if (!line.empty()) return line;
  if (r.account.all_met_s <= 0) {
    std::string shares;
    for (std::size_t i = 0; i < view::kLimitCount; ++i) {
      const double x = r.account.limits[i].excluded_s;
      if (x > 0)
        shares +=
            strprintf("%s%s %.0f%%", shares.empty() ? "" : ", ", kName[i], 100 * x / period_s);
    }
    return "the attitude limits never hold together over the period (share of the period "
           "each excludes: " +
           shares + ")";
  }
  if (view_windows == 0)
    return "the attitude limits hold together only in stretches of 15 minutes or less, too "
           "short for a view window";
  return strprintf(
      "the source is within the attitude limits in %d view window%s, but always behind the "
      "Earth (with the margin) or in SAA passages",
      view_windows, view_windows == 1 ? "" : "s");
}

std::vector<std::string> terminal_lines(const std::string& source, const Epoch& iltread,
                                        const EventTable& visibility, const Answers& a) {
  auto at = [&](double t) {
    const Epoch e = addtimnew(iltread, t);
    return strprintf("%04d-%02d-%02d %02d:%02d", e[0], e[1], e[2], e[3], e[4]);
  };
  std::vector<std::string> lines;
  if (visibility.count() == 0) {
    lines.push_back(source + " is never visible in the period: " + a.why_not);
  } else {
    double sum = 0;
    for (std::size_t k = 0; k < visibility.t1.size(); ++k)
      sum += visibility.t2[k] - visibility.t1[k];
    lines.push_back(strprintf("%s is visible for %.1f min in %d windows; seasons %s",
                              source.c_str(), sum / 60, visibility.count(),
                              seasons_field(a.seasons).c_str()));
  }
  if (!a.next) return lines;
  const NextVisible& n = *a.next;
  if (!n.visible)
    lines.push_back("next visible " + at(n.first_start) + " to " + at(n.first_end) +
                    " (within the attitude limits from " + at(n.in_limits_from) + ")");
  else if (n.gap_to_found)
    lines.push_back("next gap of more than a day: " + at(n.gap_from) + " to " + at(n.gap_to));
  else
    lines.push_back("next gap of more than a day from " + at(n.gap_from));
  return lines;
}

}  // namespace kv::report
