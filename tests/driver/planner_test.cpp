// The planner's answers against the run's own tables: calendar sums, the season rule,
// per-limit times against the exact angles, and the next visibility against a longer run.
#include "driver/planner.hpp"

#include <gtest/gtest.h>

#include <random>

#include "driver/steps.hpp"
#include "support/fixture.hpp"
#include "view/limits.hpp"

namespace kv {
namespace {

using test::kDemoElements;

struct Case {
  const char* name;
  double start, end, ra, dec;    // orbit times (s) and degrees
  std::array<double, 4> limits;  // roll-Sun, negative roll-Sun, roll-Moon, roll-velocity
};

// The golden requests' sources and limits, then seeded random ones.
std::vector<Case> cases() {
  std::vector<Case> c = {
      {"windows", 86400, 3 * 86400, 83.63, 22.01, {45, 45, 10, 10}},
      {"never_in_view", 86400, 2 * 86400, 83.63, 22.01, {45, 45, 10, 170}},
      {"never_occulted", 86400, 2.25 * 86400, 0, 90, {45, 45, 10, 10}},
      {"opposite_sun", 86400, 3 * 86400, 170, 4, {45, 45, 10, 10}},
      {"month_with_midnights", 3600.5, 31 * 86400 + 1800, 250, -20, {45, 45, 10, 10}},
  };
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> u(0, 1);
  for (int k = 0; k < 6; ++k)
    c.push_back({"random",
                 std::floor(u(rng) * 20) * 86400 + std::floor(u(rng) * 1440) * 60,
                 0,
                 u(rng) * 360,
                 std::asin(2 * u(rng) - 1) / cnr,
                 {u(rng) * 90, u(rng) * 90, u(rng) * 30, u(rng) * 30}});
  for (std::size_t k = 5; k < c.size(); ++k) c[k].end = c[k].start + (1 + u(rng) * 9) * 86400;
  return c;
}

RunContext context_of(const Case& c) {
  RunContext ctx = test::scan_context(kDemoElements, c.start, c.end, c.ra, c.dec);
  ctx.rosvlim = c.limits[0];
  ctx.nrosvlim = c.limits[1];
  ctx.romlim = c.limits[2];
  ctx.rovellim = c.limits[3];
  return ctx;
}

struct Answered {
  RunContext ctx;
  report::Answers a;
  report::Visibility v;
};

Answered answer(RunContext ctx, bool keep_angles, bool search = false) {
  const test::Scan sc = test::scan_of(ctx);
  driver::detect_shared(ctx, sc.s, sc.g, 2);
  driver::detect_source(ctx, sc.s, sc.g, nullptr, keep_angles, 2);
  std::optional<driver::PlannerShared> p;
  if (search) p = driver::planner_shared(sc.s, ctx.met.size(), 2);
  report::Answers a = driver::answers(ctx, sc.s, sc.g, ctx.met, p ? &*p : nullptr, {});
  const report::Tables t{ctx.views, ctx.totviewdur, ctx.occults, ctx.saa, ctx.eclipses};
  report::Visibility v = report::visibility_windows(t);
  return {std::move(ctx), std::move(a), std::move(v)};
}

class Planner : public ::testing::TestWithParam<Case> {};

TEST_P(Planner, CalendarSeasonsAndLimitsAgreeWithTheTables) {
  const Case& c = GetParam();
  SCOPED_TRACE(testing::Message() << c.name << " start " << c.start << " end " << c.end << " ra "
                                  << c.ra << " dec " << c.dec);
  const Answered r = answer(context_of(c), true);
  // Calendar days (and months) sum to the visibility total.
  double vis = 0, days = 0, months = 0, ecl = 0, ecl_days = 0;
  for (std::size_t k = 0; k < r.v.viewact.t1.size(); ++k)
    vis += r.v.viewact.t2[k] - r.v.viewact.t1[k];
  for (std::size_t k = 0; k < r.v.vieweclp.t1.size(); ++k)
    ecl += r.v.vieweclp.t2[k] - r.v.vieweclp.t1[k];
  for (const report::CalendarDay& d : r.a.calendar.days) {
    days += d.visibility_s;
    ecl_days += d.eclipse_viewing_s;
    EXPECT_LE(d.visibility_s, daysec);
  }
  for (const report::CalendarMonth& m : r.a.calendar.months) months += m.visibility_s;
  EXPECT_NEAR(days, vis, 1e-6);
  EXPECT_NEAR(months, vis, 1e-6);
  EXPECT_NEAR(ecl_days, ecl, 1e-6);
  // Every season is a maximal run of days meeting the rule.
  const auto& d = r.a.calendar.days;
  const auto meets = [](const report::CalendarDay& x) { return x.visibility_s >= 60; };
  std::size_t in_seasons = 0;
  for (const report::Season& s : r.a.seasons) {
    std::size_t i = 0;
    while (d[i].date != s.first_date) ++i;
    if (i > 0) {
      EXPECT_FALSE(meets(d[i - 1]));
    }
    for (; d[i].date != s.last_date; ++i, ++in_seasons) EXPECT_TRUE(meets(d[i]));
    EXPECT_TRUE(meets(d[i]));
    ++in_seasons;
    if (i + 1 < d.size()) {
      EXPECT_FALSE(meets(d[i + 1]));
    }
  }
  EXPECT_EQ(in_seasons, static_cast<std::size_t>(std::count_if(d.begin(), d.end(), meets)));
  // Per-limit times agree with the exact angles of the angle file's grid times.
  const view::ViewLimits lim{r.ctx.ywsvlim, r.ctx.rosvlim, r.ctx.nrosvlim, r.ctx.romlim,
                             r.ctx.rovellim};
  std::array<double, view::kLimitCount> excluded{};
  const std::size_t n = r.ctx.angles.size();
  ASSERT_EQ(n, r.ctx.met.size());
  for (std::size_t k = 0; k < n; ++k) {
    const view::AttAngles& a = r.ctx.angles[k];
    const std::array<double, view::kLimitCount> ang{a.rolsunang, a.verollsunang, a.rolmunang,
                                                    a.rolvelang, a.yawsunang};
    const std::array<double, view::kLimitCount> lims{lim.rosvlim, lim.nrosvlim, lim.romlim,
                                                     lim.rovellim, lim.ywsvlim};
    const double span =
        view::sample_end(r.ctx.angle_times, k, n, r.ctx.tendinp) - r.ctx.angle_times[k];
    for (std::size_t i = 0; i < view::kLimitCount; ++i)
      if (!(ang[i] * cdr > lims[i])) excluded[i] += span;
  }
  for (std::size_t i = 0; i < view::kLimitCount; ++i) {
    EXPECT_NEAR(r.a.limits.account.limits[i].excluded_s, excluded[i], 1e-6) << i;
    EXPECT_LE(r.a.limits.account.limits[i].alone_s, excluded[i] + 1e-6);
  }
  // The masks do not depend on the grid: interpolated directions decide as the exact ones.
  EXPECT_EQ(answer(context_of(c), false).ctx.met, r.ctx.met);
  EXPECT_EQ(r.a.why_not.empty(), r.v.viewact.count() > 0);
}

INSTANTIATE_TEST_SUITE_P(GoldenAndRandom, Planner, ::testing::ValuesIn(cases()));

// Next visible: the first window of a longer run that covers it, for a source opposite the
// Sun (none in the period), in either model (the precise model's search past the period
// has an ephemeris and an apparent source direction of its own).
TEST(PlannerNextVisible, EqualsTheFirstWindowOfALongerRun) {
  for (const Model model : {Model::classic, Model::precise}) {
    SCOPED_TRACE(static_cast<int>(model));
    const Case shortc{"opposite_sun", 86400, 3 * 86400, 170, 4, {45, 45, 10, 10}};
    const auto in_model = [model](RunContext c) {
      c.model = model;
      return c;
    };
    const Answered r = answer(in_model(context_of(shortc)), true, true);
    // The why-not ranges span the run's own angles (its angle file) in either model.
    for (const auto& [limit, angle] : {std::pair{view::kRollSun, &view::AttAngles::rolsunang},
                                       std::pair{view::kRollMoon, &view::AttAngles::rolmunang}}) {
      double lo = 360, hi = 0;
      for (const view::AttAngles& a : r.ctx.angles)
        lo = std::min(lo, a.*angle * cdr), hi = std::max(hi, a.*angle * cdr);
      EXPECT_NEAR(r.a.limits.ranges[limit].min_deg, lo, 1e-3) << limit;
      EXPECT_NEAR(r.a.limits.ranges[limit].max_deg, hi, 1e-3) << limit;
    }
    ASSERT_EQ(r.v.viewact.count(), 0);
    ASSERT_TRUE(r.a.next.has_value());
    const report::NextVisible& n = *r.a.next;
    EXPECT_FALSE(n.visible);
    EXPECT_GE(n.in_limits_from, shortc.end - 60);
    Case longc = shortc;
    longc.end = n.first_end + 3 * 86400;
    const Answered l = answer(in_model(context_of(longc)), false);
    std::size_t k = 0;
    while (l.v.viewact.t2[k] <= shortc.end) ++k;
    EXPECT_EQ(l.v.viewact.t1[k], n.first_start);
    EXPECT_EQ(l.v.viewact.t2[k], n.first_end);
    // The first grid time within every limit after the period, in the longer run.
    const test::Scan sc = test::scan_of(l.ctx);
    std::size_t j = 0;
    while (sc.g.t[j] < shortc.end - 1e-6 || l.ctx.met[j] != view::kAllLimitsMet) ++j;
    EXPECT_EQ(sc.g.t[j], n.in_limits_from);
  }
}

}  // namespace
}  // namespace kv
