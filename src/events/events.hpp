// Orbital events over the user period, each sampled on the scan grid of the run context.
//
//   sign_scan  common scan of an event function with refined sign changes
//   feqcr      z of the satellite (>= 0: north of the equator)
//   geteqcr    ascending and descending nodes from the orbit epoch; orbit-number table
//   getorbnum  orbit number of an orbit time
//   feclp      cylindrical-shadow function (>= 0: in shadow)
//   geteclp    eclipse table of the user period
//   in_saa     whether a geodetic point lies in the South Atlantic Anomaly region
//   getsaa     SAA passages of the user period (grid times, not refined)
//   foccult    Earth-occultation function (>= 0: source hidden)
//   getoccult  occultation table and the occultation report's header and rows
#pragma once

#include <vector>

#include "common/context.hpp"

namespace kv::events {

struct SignScan {
  EventTable on;             // intervals where the function is >= 0
  bool on_at_start = false;  // the first interval began at the scan start (not refined)
};

// Samples fn at start, start + step, ... (by repeated addition). A grid time beyond
// `skip_beyond` is not evaluated and ends the scan; the scan also ends after evaluating a
// grid time at or beyond `last`. Each change of sign is refined by s0032; an interval still
// open at the end is closed at `end`.
template <typename Fn>
SignScan sign_scan(Fn&& fn, double start, double step, double skip_beyond, double last, double end);

double feqcr(const RunContext& ctx, double t);
void geteqcr(RunContext& ctx);
int getorbnum(const RunContext& ctx, double t);

double feclp(const RunContext& ctx, double t);
void geteclp(RunContext& ctx);

bool in_saa(double lat, double lon);
void getsaa(RunContext& ctx);

double foccult(const RunContext& ctx, double t);
void getoccult(RunContext& ctx);

}  // namespace kv::events

#include "events/sign_scan.ipp"
