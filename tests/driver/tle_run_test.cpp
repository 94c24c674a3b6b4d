// Whole runs with the orbit from a two-line element file: the orbit numbers and their
// ascending nodes against an independent SGP4, and the refusals of bad files.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "driver/run.hpp"
#include "support/fixture.hpp"

namespace kv::driver {
namespace {

namespace fs = std::filesystem;

class TleRun : public test::ScratchDir {
 protected:
  void SetUp() override {
    ScratchDir::SetUp();
    test::spit(dir_ / "kelvocc_kv1.std", test::config_text());
    tle_ = test::slurp(fs::path(KELVIS_SOURCE_DIR) / "examples/kv1.tle");
  }
  // Runs the 3-day crab request of 2024-03-10 with the TLE text `tle`.
  int run_with(const std::string& tle, const std::string& json = "") {
    test::spit(dir_ / "kv1.tle", tle);
    std::istringstream in(
        "ann crab kv1 83.63 22.01 2024 3 10 0 0 0 0 2024 3 13 0 0 0 0 45 45 10 10 5 0 t");
    RunOptions opt;
    opt.tle = "kv1.tle";
    opt.json = json;
    opt.no_pdf = true;
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    const int rc = driver::run(in, test::utc(2024, 3, 9, 12), opt);
    ::testing::internal::GetCapturedStdout();
    err_ = ::testing::internal::GetCapturedStderr();
    return rc;
  }
  std::string tle_, err_;
};

// Reference: tests/data/sgp4/kv1-nodes.csv, the ascending equator crossings of
// examples/kv1.tle by python-sgp4 (make-nodes.py beside it).
TEST_F(TleRun, AscendingNodesAgreeWithAnIndependentSgp4WithinOneSecond) {
  ASSERT_EQ(run_with(tle_, "run.json"), 0) << err_;
  const nlohmann::json doc = nlohmann::json::parse(read("run.json"));
  EXPECT_EQ(doc["tle"]["revolution_number"], 1234);
  std::ifstream ref(fs::path(KELVIS_SOURCE_DIR) / "tests/data/sgp4/kv1-nodes.csv");
  std::vector<double> want;
  for (std::string line; std::getline(ref, line);)
    if (!line.empty() && line[0] != '#') want.push_back(std::stod(line));
  ASSERT_EQ(want.size(), 44u);
  std::vector<std::pair<double, int>> got;  // seconds after 2024-03-10 0h, orbit number
  for (const auto& n : doc["ascending_nodes"]) {
    const double s = (n["mjd"].get<double>() - 60379.0) * 86400;
    if (s > 0 && s < 3 * 86400) got.emplace_back(s, n["orbit"].get<int>());
  }
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t k = 0; k < want.size(); ++k) {
    EXPECT_NEAR(got[k].first, want[k], 1.0) << k;
    EXPECT_EQ(got[k].second, got[0].second + static_cast<int>(k));
  }
  // 15 revolutions a day from 1234 at the epoch, 2024-03-09 0h.
  EXPECT_EQ(got[0].second, 1250);
  EXPECT_NE(read("orbanncrabt_kv1.txt").find(" orbit from a two-line element set"),
            std::string::npos);
}

// The set's text with line 1's epoch field replaced and its checksum formed anew.
std::string with_epoch(std::string tle, const std::string& epoch) {
  const std::size_t l1 = tle.find("\n1 ") + 1;
  tle.replace(l1 + 18, epoch.size(), epoch);
  int sum = 0;
  for (std::size_t k = l1; k < l1 + 68; ++k)
    sum += std::isdigit(static_cast<unsigned char>(tle[k])) ? tle[k] - '0' : tle[k] == '-';
  tle[l1 + 68] = static_cast<char>('0' + sum % 10);
  return tle;
}

TEST_F(TleRun, BadFilesAreRefusedWithAPlainWordsLine) {
  std::string bad_checksum = tle_;
  char& check = bad_checksum[bad_checksum.find("\n1 ") + 1 + 68];
  check = check == '0' ? '1' : '0';
  const struct {
    const char* name;
    std::string text;
    const char* said;
  } cases[] = {
      {"bad checksum", bad_checksum, "checksum"},
      {"no set", "", "TLE"},
      {"epoch 434 days before the start", with_epoch(tle_, "23001.00000000"),
       "must lie 0 to 370 days after it"},
  };
  ASSERT_EQ(with_epoch(tle_, "24069.00000000"), tle_);  // the checksum as the file has it
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_NE(run_with(c.text), 0);
    EXPECT_NE(err_.find("kelvis: "), std::string::npos) << err_;
    EXPECT_NE(err_.find(c.said), std::string::npos) << err_;
  }
}

}  // namespace
}  // namespace kv::driver
