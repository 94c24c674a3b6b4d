// Test fixtures: a scratch working folder, the demo configuration and orbit files, and
// whole runs of the driver with a fixed clock.
#pragma once

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <string>

#include "common/types.hpp"
#include "driver/context.hpp"
#include "grid/grid.hpp"

namespace kv::test {

// Elements of a realistic orbit: about 650 km altitude, e = 0.001, i = 6 degrees.
inline constexpr Elements kDemoElements{7028.137, 0.001, 6.0, 100.0, 45.0, 30.0};

// The fixed clock of the whole-run tests (2024-03-09 12:00 UTC) and the epoch of their orbit
// file (2024-03-09 00:00 UTC), named for the day of the run.
inline constexpr Epoch kEpoch{2024, 3, 9, 0, 0, 0, 0};
std::time_t fixed_now();

std::string slurp(const std::filesystem::path& p);
void spit(const std::filesystem::path& p, const std::string& text);
std::time_t utc(int y, int mo, int d, int h = 0, int mi = 0, int s = 0);

// Text of an orbit file with the given epoch, orbit number and osculating elements.
std::string orbit_file_text(const Epoch& epoch, int iorb, const Elements& q);

// The configuration used by the tests: every output in the working folder.
std::string config_text(const std::string& sid = "kv1", const std::string& yaw = "45.0");

// A run context prepared for the scans without a request: orbit-file epoch `epoch` with
// osculating elements q (orbit number 1234), user period [start, end] in orbit time (s),
// source at ra/dec (degrees) with its direction fc1, limits of the typical request.
RunContext scan_context(const Elements& q, double start, double end, double ra_deg = 83.63,
                        double dec_deg = 22.01, const Epoch& epoch = {2024, 3, 9, 0, 0, 0, 0});

// The scan set-up of a context and its user-period samples.
struct Scan {
  grid::ScanSetup s;
  grid::Samples g;
};
Scan scan_of(const RunContext& ctx, int threads = 2);

struct RunResult {
  int status;
  std::string out, err;  // err without the failure's "kelvis: " line
  std::string said;      // that line, without its newline ("" when none)
};

// A test that runs in its own empty working folder (removed afterwards).
class ScratchDir : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Writes the configuration and an orbit file for `epoch` named for `file_day`.
  void install(const Epoch& epoch, const Epoch& file_day, int iorb = 1234,
               const Elements& q = kDemoElements);
  RunResult run(const std::string& request, std::time_t now, int threads = 0,
                Model model = Model::classic);
  // Quick stand-ins for the PDF converters (a PDF of one line) on PATH until TearDown.
  void stub_converters();
  bool exists(const std::string& name) const { return std::filesystem::exists(dir_ / name); }
  std::string read(const std::string& name) const { return slurp(dir_ / name); }
  std::filesystem::path dir_;

 private:
  std::filesystem::path old_;
  std::string old_path_;  // PATH before stub_converters ("" when not replaced)
};

}  // namespace kv::test
