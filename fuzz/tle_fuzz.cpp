// libFuzzer target: arbitrary bytes as a TLE file. Acceptable outcomes: a documented
// rejection (" TLE file fuzz.tle: line <n>: ...") or sets whose fields lie in their ranges and
// whose SGP4 states from -1 to +3 days are finite or carry an error code. Anything else aborts.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/run_error.hpp"
#include "orbit/sgp4.hpp"
#include "orbit/tle.hpp"

namespace {

[[noreturn]] void problem(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

bool in_range(const kv::orbit::Tle& t) {
  return t.line1.size() == 69 && t.line2.size() == 69 && t.incl_deg >= 0 && t.incl_deg <= 180 &&
         t.node_deg >= 0 && t.node_deg <= 360 && t.argp_deg >= 0 && t.argp_deg <= 360 &&
         t.mean_anomaly_deg >= 0 && t.mean_anomaly_deg <= 360 && t.ecc >= 0 && t.ecc < 1 &&
         t.mean_motion_rev_day > 0 && t.epoch_year >= 1957 && t.epoch_year <= 2057 &&
         std::isfinite(t.ndot) && std::isfinite(t.nddot) && std::isfinite(t.bstar);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<kv::orbit::Tle> sets;
  try {
    sets = kv::orbit::parse_tles(text, "fuzz.tle");
  } catch (const kv::RunError& e) {
    if (e.status.rfind("\n TLE file fuzz.tle: line ", 0) != 0 || e.out != e.status ||
        e.log != e.status)
      problem(("undocumented TLE message: " + e.status).c_str());
    return 0;
  }
  if (sets.empty()) problem("accepted a file without sets");
  (void)kv::orbit::choose_tle(sets, kv::Epoch{2024, 1, 1, 0, 0, 0, 0});
  for (const kv::orbit::Tle& t : sets) {
    if (!in_range(t)) problem("accepted a field out of its range");
    const kv::orbit::Sgp4 m = kv::orbit::sgp4_init(t);
    for (double minutes = -1440; minutes <= 4320; minutes += 360) {
      int error = 0;
      const kv::State s = kv::orbit::sgp4_state(m, minutes, error);
      for (double v : s)
        if (error == 0 && !std::isfinite(v)) problem("a state without an error code is not finite");
    }
  }
  return 0;
}
