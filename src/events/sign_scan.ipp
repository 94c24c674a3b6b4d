// Template definition of sign_scan (included by events.hpp).
#include "events/s0032.hpp"

namespace kv::events {

template <typename Fn>
SignScan sign_scan(Fn&& fn, double start, double step, double skip_beyond, double last,
                   double end) {
  SignScan r;
  double t = start;
  double f = fn(t);
  bool open = f >= 0;
  double entry = t;
  r.on_at_start = open;
  for (;;) {
    const double fprev = f;
    t = t + step;
    if (t > skip_beyond) break;
    f = fn(t);
    if (f >= 0 && !open) {
      entry = s0032(fn, t, f, step, fprev);
      open = true;
    } else if (f < 0 && open) {
      r.on.add(entry, s0032(fn, t, f, step, fprev));
      open = false;
    }
    if (t >= last) break;
  }
  if (open) r.on.add(entry, end);
  return r;
}

}  // namespace kv::events
