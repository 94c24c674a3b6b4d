// End-to-end runs with a fixed clock and fixed orbit files, every output file compared byte
// for byte with the expected files in tests/data/golden/<case>/. Set KELVIS_UPDATE_GOLDEN=1
// to rewrite the expected files after a deliberate change (and read the diff).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>

#include "support/golden_cases.hpp"

namespace kv::test {
namespace {

namespace fs = std::filesystem;

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
  const RunResult r = run(c.request);
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

INSTANTIATE_TEST_SUITE_P(Runs, Golden, ::testing::ValuesIn(kGoldenCases),
                         [](const auto& param_info) { return std::string(param_info.param.name); });

}  // namespace
}  // namespace kv::test
