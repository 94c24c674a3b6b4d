// Window -- a set of closed intervals of double (orbit time), with the operations of
// interval-window arithmetic: insertion with merging, union, intersection, difference.
//
// Semantics: every interval is closed; intervals that overlap or touch are merged; an
// intersection keeps single points ([a, b] and [b, c] meet in [b, b]); the difference is the
// closure of the set difference (a single point removes nothing; an interval cut at an end
// keeps that end). No fixed capacity.
#pragma once

#include <boost/icl/interval_set.hpp>
#include <utility>
#include <vector>

namespace kv::report {

class Window {
 public:
  struct Interval {
    double left, right;
    bool operator==(const Interval&) const = default;
  };

  // Inserts [left, right] (left <= right), merging it with what it overlaps or touches.
  void insert(double left, double right);
  Window unite(const Window& other) const;
  Window intersect(const Window& other) const;
  Window minus(const Window& other) const;
  int card() const;
  // The intervals in increasing order.
  std::vector<Interval> intervals() const;

 private:
  boost::icl::interval_set<double> set_;
};

}  // namespace kv::report
