// The common event scan on synthetic event functions: start and end rules, a value of
// exactly 0, short periods, and the properties of the intervals it returns.
#include <gtest/gtest.h>

#include <cmath>

#include "events/events.hpp"

namespace kv::events {
namespace {

// The scan of fn on the grid start, start + step, ... up to skip (its values computed first).
template <typename Fn>
SignScan sign_scan(Fn&& fn, double start, double step, double skip, double last, double end) {
  const std::vector<double> times = grid::grid_times(start, step, skip);
  std::vector<double> values;
  for (double t : times) values.push_back(fn(t));
  return events::sign_scan(times, values, fn, step, skip, last, end, 2);
}

// Event on in [a, b] (and [c, d]) with a slope of 1e-2 per second.
double tent(double t, double a, double b) { return 1e-2 * std::min(t - a, b - t); }

struct Limits {
  double skip, last;
};
// The three scan shapes over a period [s, e]: occultation, eclipse, equator crossing.
Limits occult_limits(double e) { return {e, e - 60}; }
Limits eclipse_limits(double e) { return {e - 60, e - 60}; }
Limits equator_limits(double e) { return {e, e}; }

TEST(SignScan, OnAtTheStartBeginsExactlyThereAndOnAtTheEndEndsAtTheEnd) {
  auto f = [](double t) { return tent(t, -100, 1000) + 0 * t; };
  for (const Limits& l : {occult_limits(3000), eclipse_limits(3000), equator_limits(3000)}) {
    const SignScan s = sign_scan(f, 0.0, 60, l.skip, l.last, 3000);
    ASSERT_EQ(s.on.count(), 1);
    EXPECT_TRUE(s.on_at_start);
    EXPECT_EQ(s.on.t1[0], 0.0);
    EXPECT_NEAR(s.on.t2[0], 1000, 0.1);
  }
  auto g = [](double t) { return tent(t, 1234.5, 9000); };
  const SignScan s = sign_scan(g, 0.0, 60, 3000, 3000 - 60, 3000);
  ASSERT_EQ(s.on.count(), 1);
  EXPECT_FALSE(s.on_at_start);
  EXPECT_NEAR(s.on.t1[0], 1234.5, 1e-6);
  EXPECT_EQ(s.on.t2[0], 3000.0);
}

TEST(SignScan, AValueOfExactlyZeroCountsAsOn) {
  // Zero at the grid times 600 and 1200 only: two on-intervals, each refined to its root.
  auto f = [](double t) { return t == 600 || t == 1200 ? 0.0 : -1.0; };
  const SignScan s = sign_scan(f, 0.0, 60, 3000, 3000, 3000);
  ASSERT_EQ(s.on.count(), 2);
  EXPECT_EQ(s.on.t1[0], 600.0);
  EXPECT_EQ(s.on.t1[1], 1200.0);
  const SignScan z = sign_scan([](double) { return 0.0; }, 0.0, 60, 3000, 3000, 3000);
  ASSERT_EQ(z.on.count(), 1);
  EXPECT_EQ(z.on.t1[0], 0.0);
  EXPECT_EQ(z.on.t2[0], 3000.0);
}

TEST(SignScan, PeriodShorterThanOneOrTwoSteps) {
  int calls = 0;
  auto on = [&](double) {
    ++calls;
    return 1.0;
  };
  // Occultation shape, period of 50 s: the first advance passes the end.
  SignScan s = sign_scan(on, 100.0, 60, 150, 150 - 60, 150);
  ASSERT_EQ(s.on.count(), 1);
  EXPECT_EQ(s.on.t1[0], 100.0);
  EXPECT_EQ(s.on.t2[0], 150.0);
  EXPECT_EQ(calls, 1);
  // Eclipse shape, period of 100 s (less than two steps): stops at the first advance too.
  calls = 0;
  s = sign_scan(on, 100.0, 60, 200 - 60, 200 - 60, 200);
  ASSERT_EQ(s.on.count(), 1);
  EXPECT_EQ(s.on.t2[0], 200.0);
  EXPECT_EQ(calls, 1);
}

TEST(SignScan, NeverOnGivesNothing) {
  const SignScan s = sign_scan([](double) { return -0.5; }, 0.0, 60, 86400, 86400 - 60, 86400);
  EXPECT_EQ(s.on.count(), 0);
  EXPECT_FALSE(s.on_at_start);
}

TEST(SignScan, IntervalsAlternateAndTheFunctionChangesSignAtEachRefinedTime) {
  auto f = [](double t) { return std::sin(t / 700.0) - 0.2; };
  const SignScan s = sign_scan(f, 0.0, 60, 50000, 50000, 50000);
  ASSERT_GT(s.on.count(), 5);
  for (int k = 0; k < s.on.count(); ++k) {
    SCOPED_TRACE(k);
    EXPECT_LT(s.on.t1[k], s.on.t2[k]);
    if (k > 0) {
      EXPECT_LT(s.on.t2[k - 1], s.on.t1[k]);
    }
    if (k > 0 || !s.on_at_start) {
      EXPECT_LT(f(s.on.t1[k] - 0.2), 0.0);
      EXPECT_GE(f(s.on.t1[k] + 0.2), 0.0);
    }
    if (s.on.t2[k] < 50000) {
      EXPECT_GE(f(s.on.t2[k] - 0.2), 0.0);
      EXPECT_LT(f(s.on.t2[k] + 0.2), 0.0);
    }
  }
}

}  // namespace
}  // namespace kv::events
