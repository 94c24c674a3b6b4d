// False-position root finder: every stop rule and both kinds of bracket moves.
#include "events/s0032.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace kv::events {
namespace {

// An event function that records where it was evaluated.
struct Recorder {
  std::vector<double>* calls;
  double (*f)(double);
  double operator()(double t) const {
    calls->push_back(t);
    return f(t);
  }
};

TEST(S0032, RightEndValueOfExactlyZeroIsReturnedAfterOneEvaluation) {
  std::vector<double> calls;
  const double root = s0032(Recorder{&calls, [](double t) { return t - 100.0; }}, 100, 0, 60, -60);
  EXPECT_EQ(root, 100.0);
  EXPECT_EQ(calls.size(), 1u);
}

TEST(S0032, NarrowBracketReturnsTheFirstEstimate) {
  std::vector<double> calls;
  const double root =
      s0032(Recorder{&calls, [](double t) { return std::sin(t) - 0.5; }}, 0.6, 0.06, 0.1, -0.03);
  EXPECT_DOUBLE_EQ(root, 0.5 + 0.1 * 0.03 / 0.09);
  EXPECT_EQ(calls.size(), 1u);
}

TEST(S0032, LinearFunctionIsSolvedByTheFirstEstimate) {
  std::vector<double> calls;
  auto lin = [](double t) { return 0.01 * (t - 1234.5); };
  const double root = s0032(Recorder{&calls, lin}, 1260, lin(1260), 60, lin(1200));
  EXPECT_NEAR(root, 1234.5, 1e-9);
  EXPECT_EQ(calls.size(), 1u);
}

// A convex function pulls the false-position estimate short of the root, so the value there
// has the sign of f0 and the left end moves; a concave one overshoots and the right end moves.
TEST(S0032, BracketMovesOfBothKinds) {
  std::vector<double> calls;
  auto convex = [](double t) { return (t - 100) * (t - 100) * 1e-3 - 0.4; };  // root at 120
  const double r1 = s0032(Recorder{&calls, convex}, 150, convex(150), 60, convex(90));
  EXPECT_NEAR(r1, 120.0, 0.1);  // stopped within 0.1 s of the moved left end
  ASSERT_GE(calls.size(), 2u);
  EXPECT_LT(convex(calls[0]), 0.0);  // first estimate on the left side: left end moved
  EXPECT_GT(calls[1], calls[0]);

  calls.clear();
  auto concave = [](double t) { return -(t - 160) * (t - 160) * 1e-3 + 0.4; };  // root at 140
  const double r2 = s0032(Recorder{&calls, concave}, 150, concave(150), 60, concave(90));
  EXPECT_NEAR(r2, 140.0, 0.1);
  ASSERT_GE(calls.size(), 2u);
  EXPECT_GT(concave(calls[0]), 0.0);  // estimate on the right side: width shrank to it
  EXPECT_LT(calls[1], calls[0]);
  EXPECT_GT(calls[1], 90.0);
}

TEST(S0032, ValueThatIsNotANumberLeavesTheRightEnd) {
  const double root = s0032([](double) { return NAN; }, 500, 1.0, 60, -1.0);
  EXPECT_EQ(root, 500.0);
  EXPECT_EQ(s0032([](double t) { return t - 470; }, 500, NAN, 60, -1.0), 500.0);
}

TEST(S0032, RefinedTimeChangesSignAcrossARealEventLikeFunction) {
  auto f = [](double t) { return std::cos(t / 900.0) - 0.3; };
  for (double x1 = 60; x1 < 12000; x1 += 60) {
    if ((f(x1) >= 0) == (f(x1 - 60) >= 0)) continue;
    const double r = s0032(f, x1, f(x1), 60, f(x1 - 60));
    SCOPED_TRACE(x1);
    EXPECT_GE(r, x1 - 60);
    EXPECT_LE(r, x1);
    EXPECT_NEAR(f(r), 0.0, 1e-5 + 1e-8);
  }
}

}  // namespace
}  // namespace kv::events
