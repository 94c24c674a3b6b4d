#include "driver/planner.hpp"

#include <algorithm>
#include <cmath>

#include "common/parallel.hpp"
#include "events/events.hpp"
#include "report/report.hpp"
#include "view/limits.hpp"
#include "view/scan.hpp"

namespace kv::driver {
namespace {

// Bounds on the apparent rates of the Sun and the Moon, degrees per day (mean motions
// 0.99 and 13.2 degrees per day; the Moon's reaches 15.4 near perigee).
constexpr double kSunRate = 1.1, kMoonRate = 16;
// Bounds on the parallax of the Sun and the Moon seen from the satellite (precise model),
// degrees: a satellite of a near-Earth orbit (period under 225 minutes) stays within
// 18,000 km of the geocentre; the Moon is never nearer than 356,000 km (asin of the ratio,
// 2.9 degrees), the Sun never nearer than 147 million km (0.007 degrees).
constexpr double kSunParallax = 0.01, kMoonParallax = 3.0;
constexpr std::size_t kChunk = 240;  // grid times of four hours: the first stretch scanned

double dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// Roll-Sun, negative roll-Sun, roll-Moon and yaw-Sun angles (degrees) at a coarse time.
std::array<double, 4> coarse_angles(const ephem::SunMoonDirections& sm, const Vec3& fc1) {
  const double rs = std::acos(std::clamp(dot(sm.sun, fc1), -1.0, 1.0));
  const double rm = std::acos(std::clamp(dot(sm.moon, fc1), -1.0, 1.0));
  return {rs * cdr, 180 - rs * cdr, rm * cdr, std::acos(-std::sin(rs)) * cdr};
}

class Search {
 public:
  Search(const PlannerShared& p, const grid::ScanSetup& s, const SourceLimits& src,
         const std::vector<unsigned char>& met)
      : p_(p), s_(s), src_(src), met_(met), a_(p.first_after), n_(p.times.size()) {
    const double h_days = static_cast<double>(PlannerShared::coarse_stride) * s.step / daysec;
    const bool precise = s.model == Model::precise;
    const double sun = kSunRate * h_days / 2 + 0.01 + (precise ? kSunParallax : 0);
    const double moon = kMoonRate * h_days / 2 + 0.01 + (precise ? kMoonParallax : 0);
    const std::array<double, 4> margin{sun, sun, moon, sun};
    const std::array<double, 4> lim{src.lim.rosvlim, src.lim.nrosvlim, src.lim.romlim,
                                    src.lim.ywsvlim};
    std::vector<std::array<double, 4>> ang;
    for (std::size_t j = 0; j < p.coarse.size(); ++j)
      ang.push_back(coarse_angles(
          p.coarse[j], src.track.at(p.times[p.first_after + j * PlannerShared::coarse_stride])));
    for (std::size_t j = 0; j + 1 < ang.size(); ++j) {
      bool maybe = true, out = false;
      for (std::size_t i = 0; i < 4; ++i) {
        const double top = std::max(ang[j][i], ang[j + 1][i]) + margin[i];
        if (!(top > lim[i])) maybe = false, out = true;
      }
      maybe_.push_back(maybe);
      out_.push_back(out);
    }
  }

  // The first grid time index from `from` on with every limit met.
  std::optional<std::size_t> in_limits(std::size_t from) {
    for (std::size_t idx = from; idx + 1 < n_;) {
      const std::size_t j = idx < a_ ? 0 : (idx - a_) / PlannerShared::coarse_stride;
      const std::size_t end =
          idx < a_ ? a_ : std::min(a_ + (j + 1) * PlannerShared::coarse_stride, n_ - 1);
      if (idx < a_ || j >= maybe_.size() || maybe_[j]) {
        const Chunk c = scan(idx, std::max(end, idx + 1), false);
        for (std::size_t k = 0; k < c.met.size(); ++k)
          if (c.met[k] == view::kAllLimitsMet) return idx + k;
      }
      idx = std::max(end, idx + 1);
    }
    return std::nullopt;
  }

  // The first visibility window ending after `after`, from grid time index start (out of
  // the limits, or the period's first).
  std::optional<std::pair<double, double>> first_window(std::size_t start, double after) {
    std::size_t len = kChunk;
    while (start + 1 < n_) {
      const std::size_t i1 = std::min(start + len, n_ - 1);
      const Chunk c = scan(start, i1, true);
      for (std::size_t k = 0; k < c.visibility.t1.size(); ++k)
        if (c.visibility.t2[k] > after && c.visibility.t2[k] < p_.times[i1])
          return std::pair{c.visibility.t1[k], c.visibility.t2[k]};
      std::size_t last_out = 0;
      for (std::size_t k = 1; k < c.met.size(); ++k)
        if (c.met[k] != view::kAllLimitsMet) last_out = k;
      if (last_out == 0) {
        if (i1 == n_ - 1) return std::nullopt;
        len *= 2;  // in the limits throughout: a longer stretch from the same start
        continue;
      }
      len = kChunk;
      start += last_out;
      if (start == i1) {
        const std::optional<std::size_t> k = in_limits(i1);
        if (!k) return std::nullopt;
        start = *k - 1;
      }
    }
    return std::nullopt;
  }

  // The period's last grid time index out of the limits before a_ (0 when none).
  std::size_t last_out_in_period() const {
    for (std::size_t k = met_.size(); k-- > 0;)
      if (met_[k] != view::kAllLimitsMet) return k;
    return 0;
  }

  // An index out of the limits at or before the first in-limits index k found from `from`.
  std::size_t start_before(std::size_t k, std::size_t from) const {
    return k > from ? k - 1 : (from == a_ ? last_out_in_period() : from);
  }

  // The end of the last visibility window ending at or before times[e0] (e0 out of the
  // limits), looked for over longer and longer stretches before it, back to the period's
  // last four hours. A window's end does not depend on where the scan began, unless the
  // window was cut short there: a view window begun before the scan and lasting at most 15
  // minutes from its start is dropped, so ends within that much of it are not taken.
  std::optional<double> last_end_before(std::size_t e0) {
    const std::size_t floor = a_ > kChunk ? a_ - kChunk : 0;
    for (std::size_t len = kChunk;; len *= 2) {
      const std::size_t s0 = e0 > floor + len ? e0 - len : floor;
      const Chunk c = scan(s0, e0, true);
      const double t_from = p_.times[s0] + (min_view_window_minutes + 1) * 60;
      if (c.visibility.count() > 0 && c.visibility.t2.back() > t_from)
        return c.visibility.t2.back();
      if (s0 == floor) return std::nullopt;
    }
  }

  const std::vector<char>& out() const { return out_; }
  std::size_t coarse_index(std::size_t j) const {
    return std::min(a_ + j * PlannerShared::coarse_stride, n_ - 1);
  }

 private:
  struct Chunk {
    std::vector<unsigned char> met;
    EventTable visibility;
  };

  // The detectors over grid times i0 to i1 (indices of p_.times).
  Chunk scan(std::size_t i0, std::size_t i1, bool windows) const {
    grid::ScanSetup c = p_.horizon;
    c.tstreadif = p_.times[i0];
    c.tendinp = p_.times[i1] + s_.step;
    const grid::Samples g = grid::user_samples(c, 1);
    view::ViewScan v = view::getatt(c, g, src_.track, src_.lim, false, 1);
    Chunk out;
    if (windows) {
      const EventTable occ = events::getoccult(c, g, src_.track, src_.thetainp, 1);
      const EventTable saa = events::getsaa(c, g, 1);
      const EventTable none;
      const report::Tables t{v.windows, v.totviewdur, occ, saa, none};
      out.visibility = report::visibility_windows(t).viewact;
    }
    out.met = std::move(v.met);
    return out;
  }

  const PlannerShared& p_;
  const grid::ScanSetup& s_;
  const SourceLimits& src_;
  const std::vector<unsigned char>& met_;
  std::size_t a_, n_;
  std::vector<char> maybe_, out_;
};

}  // namespace

PlannerShared planner_shared(const grid::ScanSetup& s, std::size_t scanned, int threads) {
  PlannerShared p;
  p.times = grid::grid_times(s.tstreadif, s.step, s.tendinp + next_visible_search_days * daysec);
  p.first_after = std::min(scanned, p.times.size() - 1);
  p.horizon = s;
  p.horizon.tendinp = p.times.back();
  if (s.model == Model::precise) p.horizon.precise = grid::precise_table(p.horizon, threads);
  const std::size_t m = (p.times.size() - 1 - p.first_after) / PlannerShared::coarse_stride + 1;
  p.coarse.resize(m);
  parallel_for(m, threads, [&](std::size_t j) {
    const double t = p.times[p.first_after + j * PlannerShared::coarse_stride];
    if (s.model != Model::precise) {
      p.coarse[j] = grid::sun_moon_at(s, t);
      return;
    }
    const grid::BodyPositions b = grid::precise_bodies(*p.horizon.precise, t);
    p.coarse[j] = {ephem::precise::seen_from(b.moon, State{}),
                   ephem::precise::seen_from(b.sun, State{})};
  });
  return p;
}

std::optional<report::NextVisible> next_visible(const PlannerShared& p, const grid::ScanSetup& s,
                                                const SourceLimits& src,
                                                const std::vector<unsigned char>& met,
                                                const EventTable& visibility) {
  Search q(p, s, src, met);
  const std::size_t a = p.first_after;
  report::NextVisible r;
  const auto first_after_from =
      [&](std::size_t from,
          double after) -> std::optional<std::pair<std::size_t, std::pair<double, double>>> {
    const std::optional<std::size_t> k = q.in_limits(from);
    if (!k) return std::nullopt;
    const auto w = q.first_window(q.start_before(*k, from), after);
    if (!w) return std::pair{*k, std::pair{-1.0, -1.0}};
    return std::pair{*k, *w};
  };
  if (visibility.count() == 0 || p.times[a] - visibility.t2.back() > daysec) {
    const auto f = first_after_from(a, s.tendinp);
    if (!f) return std::nullopt;
    if (visibility.count() == 0) {
      if (f->second.first < 0) return std::nullopt;
      r.in_limits_from = p.times[f->first];
      r.first_start = f->second.first;
      r.first_end = f->second.second;
      return r;
    }
    r.visible = true;
    r.gap_from = visibility.t2.back();
    r.gap_to_found = f->second.first >= 0;
    r.gap_to = f->second.first;
    return r;
  }
  r.visible = true;
  const std::vector<char>& out = q.out();
  for (std::size_t j = 0; j < out.size(); ++j) {
    if (!out[j]) continue;
    std::size_t jj = j;
    while (jj + 1 < out.size() && out[jj + 1]) ++jj;
    const std::size_t e0 = q.coarse_index(j), e1 = q.coarse_index(jj + 1);
    r.gap_from = q.last_end_before(e0).value_or(visibility.t2.back());
    const auto w = q.first_window(e1, p.times[e1]);
    r.gap_to_found = w.has_value();
    r.gap_to = w ? w->first : 0;
    if (!w || r.gap_to - r.gap_from > daysec) return r;
    while (j + 1 < out.size() && p.times[q.coarse_index(j + 1)] <= w->second) ++j;
  }
  return std::nullopt;
}

report::Answers answers(const RunContext& c, const grid::ScanSetup& s, const grid::Samples& g,
                        const std::vector<unsigned char>& met, const PlannerShared* p,
                        const AnswerOptions& o) {
  report::Answers a;
  const report::Tables t{c.views, c.totviewdur, c.occults, c.saa, c.eclipses};
  const report::Visibility v = report::visibility_windows(t);
  a.calendar = report::calendar(c.iltread, c.tstreadif, c.tendinp, v);
  a.season_min_minutes = o.season_min_minutes;
  a.seasons = report::seasons(a.calendar, v.viewact, o.season_min_minutes * 60);
  if (o.limits_report || v.viewact.count() == 0) {
    a.limits.account = view::account_limits(g.t, met, c.tendinp, c.occults, c.saa);
    a.limits.ranges =
        view::angle_ranges(s, g, met.size(), grid::source_track(s, c.fc1, c.rasource, c.decsource));
  }
  if (o.limits_report)
    for (std::size_t i = 0; i < view::kLimitCount; ++i)
      a.limit_met[i] = view::met_windows(g.t, met, c.tendinp, view::kLimitBits[i]);
  if (v.viewact.count() == 0) {
    const report::LimitValues lim{{c.rosvlim, c.nrosvlim, c.romlim, c.rovellim, c.ywsvlim}};
    a.why_not = report::why_not_line(a.limits, lim, c.views.count(), c.tendinp - g.t[0]);
  }
  if (p) {
    const SourceLimits src{grid::source_track(p->horizon, c.fc1, c.rasource, c.decsource),
                           {c.ywsvlim, c.rosvlim, c.nrosvlim, c.romlim, c.rovellim},
                           c.thetainp};
    a.next = next_visible(*p, s, src, met, v.viewact);
  }
  if (o.min_window_minutes) a.long_windows = report::long_windows(v.viewact, *o.min_window_minutes);
  return a;
}

}  // namespace kv::driver
