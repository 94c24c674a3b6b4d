#include "report/window.hpp"

namespace kv::report {

namespace icl = boost::icl;
using CInterval = icl::continuous_interval<double>;

void Window::insert(double left, double right) { set_.add(CInterval::closed(left, right)); }

Window Window::unite(const Window& other) const {
  Window w = *this;
  w.set_ += other.set_;
  return w;
}

Window Window::intersect(const Window& other) const {
  Window w;
  w.set_ = set_ & other.set_;
  return w;
}

// The set difference leaves open or half-open pieces; their closures are re-inserted, which
// also merges pieces that only a removed single point separated.
Window Window::minus(const Window& other) const {
  const icl::interval_set<double> diff = set_ - other.set_;
  Window w;
  for (const CInterval& piece : diff) w.insert(icl::lower(piece), icl::upper(piece));
  return w;
}

int Window::card() const { return static_cast<int>(icl::interval_count(set_)); }

std::vector<Window::Interval> Window::intervals() const {
  std::vector<Interval> v;
  v.reserve(icl::interval_count(set_));
  for (const CInterval& piece : set_) v.push_back({icl::lower(piece), icl::upper(piece)});
  return v;
}

}  // namespace kv::report
