#include "driver/tle_file.hpp"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "common/run_error.hpp"
#include "common/timescales.hpp"
#include "driver/config.hpp"
#include "driver/setup.hpp"
#include "orbit/sgp4.hpp"
#include "report/json.hpp"

namespace kv::driver {
namespace {

// The bytes of the file at `path`, named `name` in the messages.
std::string file_text(const std::string& path, const std::string& name) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  if (in) text << in.rdbuf();
  if (!in || in.bad()) {
    const int e = errno;
    const std::string m =
        strprintf("cannot read the TLE file %s: %s", name.c_str(), std::strerror(e));
    fail_file(RunError("", "\n" + m + "\n", "\n" + m + "\n"), m, e);
  }
  return text.str();
}

// The set's mean elements: a (km, from the recovered mean motion), e, i, argument of
// perigee, node, mean anomaly (degrees).
Elements mean_elements_of(const orbit::Tle& t, const orbit::Sgp4& m) {
  return {m.ao * orbit::wgs72::re, t.ecc, t.incl_deg, t.argp_deg, t.node_deg, t.mean_anomaly_deg};
}

// SGP4 over the period, a day apart and at its end: a decayed or invalid orbit is refused.
void check_propagation(const RunContext& ctx, const orbit::Sgp4& m, double offset_min) {
  for (double t = ctx.tstreadif;; t += daysec) {
    const double at = std::min(t, ctx.tendinp);
    int err = 0;
    orbit::sgp4_state(m, at / 60 + offset_min, err);
    if (err != orbit::sgp4_ok) {
      const std::string msg =
          strprintf("the orbit of the TLE in %s cannot be propagated to %s (SGP4 error %d%s)",
                    ctx.orbfnm.c_str(), report::iso8601(addtim(ctx.iltread, at)).c_str(), err,
                    err == orbit::sgp4_decayed ? ": the satellite has decayed" : "");
      fail(RunError("", "\n" + msg + "\n", "\n" + msg + "\n"), msg);
    }
    if (at >= ctx.tendinp) break;
  }
}

}  // namespace

void read_tle_orbit(RunContext& ctx) {
  const std::vector<orbit::Tle> sets = orbit::parse_tles(
      file_text(in_folder(ctx.datadir, ctx.tle_file), ctx.tle_file), ctx.tle_file);
  ctx.tle = orbit::choose_tle(sets, ctx.istusr);
  ctx.orbfnm = ctx.tle_file;
  ctx.iltread = ctx.tle.epoch;
  ctx.iorb = ctx.tle.revnum;
  orbit_times(ctx);
  ctx.tle_offset_min = (ctx.tstusr1900 - ctx.tle.epoch_days) * 1440;
  const orbit::Sgp4 m = orbit::sgp4_init(ctx.tle);
  ctx.q = ctx.qm = mean_elements_of(ctx.tle, m);
  if (!(ctx.tstreadif >= 0 && ctx.tstreadif <= max_start_age_s)) {
    const double days = ctx.tstreadif / daysec;
    const std::string msg = strprintf(
        "the user start lies %f days after the epoch of the TLE in %s; it must lie 0 to 370 "
        "days after it",
        days, ctx.orbfnm.c_str());
    fail(RunError("", "\n" + msg + "\n", "\n" + msg + "\n"), msg);
  }
  check_propagation(ctx, m, ctx.tle_offset_min);
}

std::vector<std::string> tle_warnings(const RunShared& run) {
  std::vector<std::string> out;
  if (run.tle_file.empty()) return out;
  const double end_age = run.tendinp / daysec;
  if (end_age > tle_warning_days)
    out.push_back(strprintf(
        "the period ends %.1f days after the TLE's epoch (%s): SGP4's along-track error grows "
        "with the age of the set, so edges beyond %.0f days are indicative only; use a "
        "newer set",
        end_age, report::iso8601(run.iltread).c_str(), tle_warning_days));
  return out;
}

}  // namespace kv::driver
