// End-to-end runs with a fixed clock and fixed orbit files, every output file compared byte
// for byte with the expected files in tests/data/golden/<case>/. Set KELVIS_UPDATE_GOLDEN=1
// to rewrite the expected files after a deliberate change (and read the diff).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>

#include "support/fixture.hpp"

namespace kv::test {
namespace {

namespace fs = std::filesystem;

const std::time_t kNow = fixed_now();

// A synchronous equatorial orbit over 100 degrees east at the epoch: no SAA passage.
const Elements kSynchronous{42164.17, 0.0001, 0.01, 0.0, 0.0, 253.0};

struct GoldenCase {
  const char* name;
  Elements orbit;
  const char* request;
};

const GoldenCase kCases[] = {
    // Visibility and eclipse viewing windows, with the view-angle file.
    {"windows", kDemoElements,
     "ann crab kv1 83.63 22.01 2024 3 10 0 0 0 0 2024 3 12 0 0 0 0 45 45 10 10 5 1 r7"},
    // The roll-velocity limit is never met: no view window.
    {"never_in_view", kDemoElements,
     "ann crab kv1 83.63 22.01 2024 3 10 0 0 0 0 2024 3 11 0 0 0 0 45 45 10 170 5 0 nv"},
    // The celestial pole, 84 degrees from the orbital plane: never occulted.
    {"never_occulted", kDemoElements,
     "ann pole kv1 0 90 2024 3 10 0 0 0 0 2024 3 11 6 0 0 0 45 45 10 10 5 0 np"},
    // Twelve hours: the day-wise file holds only its header.
    {"short_period", kDemoElements,
     "ann crab kv1 83.63 22.01 2024 3 10 0 0 0 0 2024 3 10 12 0 0 0 45 45 10 10 5 0 sp"},
    // One visibility window of three days less a minute: days 1 and 2 hold 86400 s each.
    {"long_window", kSynchronous,
     "ann pole kv1 0 90 2024 3 10 0 0 0 0 2024 3 13 0 0 0 0 45 45 10 10 5 0 lw"},
};

void PrintTo(const GoldenCase& c, std::ostream* os) { *os << c.name; }

class Golden : public ScratchDir, public ::testing::WithParamInterface<GoldenCase> {};

std::set<std::string> produced(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string n = e.path().filename().string();
    const std::string ext = e.path().extension().string();
    if (n.rfind("kelvocc_", 0) == 0 || n.rfind("svi_", 0) == 0 || ext == ".ps" || ext == ".pdf")
      continue;
    names.insert(n);
  }
  return names;
}

TEST_P(Golden, EveryOutputFileMatches) {
  const GoldenCase& c = GetParam();
  install(kEpoch, kEpoch, 1234, c.orbit);
  const RunResult r = run(std::string(c.request) + "\n", kNow);
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  const fs::path golden = fs::path(KELVIS_SOURCE_DIR) / "tests/data/golden" / c.name;
  const auto names = produced(dir_);
  if (std::getenv("KELVIS_UPDATE_GOLDEN")) {
    fs::remove_all(golden);
    fs::create_directories(golden);
    for (const std::string& n : names) fs::copy_file(dir_ / n, golden / n);
  }
  std::set<std::string> expected;
  for (const auto& e : fs::directory_iterator(golden)) expected.insert(e.path().filename());
  EXPECT_EQ(names, expected);
  for (const std::string& n : names) {
    SCOPED_TRACE(n);
    EXPECT_EQ(read(n), slurp(golden / n));
  }
  bool has_pdf = false, has_ps = false;
  for (const auto& e : fs::directory_iterator(dir_)) {
    has_pdf = has_pdf || e.path().extension() == ".pdf";
    has_ps = has_ps || e.path().extension() == ".ps";
  }
  EXPECT_TRUE(has_pdf);
  EXPECT_TRUE(has_ps);
}

INSTANTIATE_TEST_SUITE_P(Runs, Golden, ::testing::ValuesIn(kCases),
                         [](const auto& param_info) { return std::string(param_info.param.name); });

}  // namespace
}  // namespace kv::test
