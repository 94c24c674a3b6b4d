// Interval windows: closed intervals, merging of touching ones, single points, and the
// closure semantics of the difference.
#include "report/window.hpp"

#include <gtest/gtest.h>

namespace kv::report {
namespace {

using I = Window::Interval;

Window make(std::initializer_list<I> list) {
  Window w;
  for (const I& i : list) w.insert(i.left, i.right);
  return w;
}

TEST(Window, InsertMergesOverlappingAndTouchingIntervals) {
  EXPECT_EQ(make({{1, 2}, {2, 3}}).intervals(), (std::vector<I>{{1, 3}}));
  EXPECT_EQ(make({{5, 6}, {1, 3}, {2, 4}}).intervals(), (std::vector<I>{{1, 4}, {5, 6}}));
  EXPECT_EQ(make({{1, 1}, {3, 3}}).intervals(), (std::vector<I>{{1, 1}, {3, 3}}));
  EXPECT_EQ(make({{1, 3}, {3, 3}}).card(), 1);
  EXPECT_EQ(Window{}.card(), 0);
}

TEST(Window, UnionMergesTheSameWay) {
  const Window u = make({{1, 3}, {10, 12}}).unite(make({{3, 5}, {20, 21}}));
  EXPECT_EQ(u.intervals(), (std::vector<I>{{1, 5}, {10, 12}, {20, 21}}));
}

TEST(Window, IntersectionOfClosedSetsKeepsSinglePoints) {
  EXPECT_EQ(make({{1, 3}}).intersect(make({{3, 5}})).intervals(), (std::vector<I>{{3, 3}}));
  EXPECT_EQ(make({{1, 3}, {7, 11}}).intersect(make({{2, 8}})).intervals(),
            (std::vector<I>{{2, 3}, {7, 8}}));
  EXPECT_EQ(make({{1, 2}}).intersect(make({{3, 4}})).card(), 0);
}

TEST(Window, DifferenceIsTheClosureOfTheSetDifference) {
  const Window a = make({{1, 3}, {7, 11}, {23, 27}});
  const Window b = make({{2, 4}, {8, 10}, {16, 18}});
  EXPECT_EQ(a.minus(b).intervals(), (std::vector<I>{{1, 2}, {7, 8}, {10, 11}, {23, 27}}));
  EXPECT_EQ(make({{1, 3}}).minus(make({{2, 2}})).intervals(), (std::vector<I>{{1, 3}}));
  EXPECT_EQ(make({{2, 3}}).minus(make({{1, 5}})).card(), 0);
  EXPECT_EQ(make({{1, 3}}).minus(make({{0, 1}})).intervals(), (std::vector<I>{{1, 3}}));
  EXPECT_EQ(make({{1, 3}}).minus(make({{3, 4}})).intervals(), (std::vector<I>{{1, 3}}));
  EXPECT_EQ(make({{5, 5}}).minus(make({{5, 6}})).card(), 0);
  EXPECT_EQ(make({{5, 5}}).minus(make({{6, 7}})).intervals(), (std::vector<I>{{5, 5}}));
  EXPECT_EQ(make({{1, 9}}).minus(Window{}).intervals(), (std::vector<I>{{1, 9}}));
}

TEST(Window, NoFixedCapacity) {
  Window w;
  for (int k = 0; k < 40000; ++k) w.insert(3.0 * k, 3.0 * k + 1);
  EXPECT_EQ(w.card(), 40000);
  // [60000, 60001] is only touched at its left end and stays whole.
  EXPECT_EQ(w.minus(make({{0, 60000}})).card(), 20000);
}

}  // namespace
}  // namespace kv::report
