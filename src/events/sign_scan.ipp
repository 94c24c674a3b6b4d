// Template definition of sign_scan (included by events.hpp).
#include "common/parallel.hpp"
#include "events/s0032.hpp"

namespace kv::events {

template <typename Fn>
SignScan sign_scan(const std::vector<double>& times, const std::vector<double>& values, Fn&& fn,
                   double step, double skip_beyond, double last, double end, int threads) {
  // Walk the grid values for the changes of sign: the index after each change.
  std::vector<std::size_t> changes;
  std::size_t k = 0;
  bool open = values[0] >= 0;
  SignScan r;
  r.on_at_start = open;
  for (;;) {
    // The grid holds every time up to its end, which is not before skip_beyond.
    if (++k >= times.size() || times[k] > skip_beyond) break;
    if ((values[k] >= 0) != open) {
      changes.push_back(k);
      open = !open;
    }
    if (times[k] >= last) break;
  }
  // Refine each change over the step before it, independently of the others.
  std::vector<double> at(changes.size());
  parallel_for(
      changes.size(), threads,
      [&](std::size_t i) {
        const std::size_t c = changes[i];
        at[i] = s0032(fn, times[c], values[c], step, values[c - 1]);
      },
      16);
  double entry = times[0];
  bool on = r.on_at_start;
  for (double x : at) {
    if (on) {
      r.on.add(entry, x);
    } else {
      entry = x;
    }
    on = !on;
  }
  if (on) r.on.add(entry, end);
  return r;
}

}  // namespace kv::events
