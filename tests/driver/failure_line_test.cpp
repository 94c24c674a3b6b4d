// Every class of failure ends with one plain-words line on standard error, "kelvis: ...",
// with the system's reason where a file could not be opened or created.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/fixture.hpp"

namespace kv::test {
namespace {

namespace fs = std::filesystem;

class FailureLine : public ScratchDir {
 protected:
  void SetUp() override {
    ScratchDir::SetUp();
    install(kEpoch, kEpoch);
  }
  std::string said(const std::string& request = Request{}.text()) {
    const RunResult r = run(request);
    EXPECT_NE(r.status, 0);
    return r.said;
  }
};

TEST_F(FailureLine, RequestAndPeriodAndOrbitAge) {
  EXPECT_EQ(said("ann crab kv1 83.63 22.01 2024 3 10"),
            "kelvis: Request token 9 (start hour): missing: a request holds 26 tokens");
  EXPECT_EQ(said("ann crab kv1 400 22.01"),
            "kelvis: Right Ascension value 400.000000 is outside the range");
  EXPECT_EQ(said(Request{.end = "2024 3 9 0 0 0 0"}.text()),
            "kelvis: the user period is -1.000000 days; it must be more than 0 and at most 400 "
            "days");
  EXPECT_EQ(said(Request{.start = "2024 3 8 0 0 0 0", .end = "2024 3 9 0 0 0 0"}.text()),
            "kelvis: the user start lies -1.000000 days after the epoch of the orbit file "
            "svi_069_2024.kv1; it must lie 0 to 370 days after it");
}

TEST_F(FailureLine, ConfigurationAndOrbitFiles) {
  fs::remove("kelvocc_kv1.std");
  EXPECT_EQ(said(),
            "kelvis: cannot open the configuration file kelvocc_kv1.std: No such file or "
            "directory");
  spit(dir_ / "kelvocc_kv1.std", "errXXXXXXXX KELVORIN");
  EXPECT_EQ(said(), "kelvis: configuration file kelvocc_kv1.std holds 2 of its ten tokens");
  spit(dir_ / "kelvocc_kv1.std", config_text());
  spit(dir_ / "svi_069_2024.kv1", "KELVORIN ORBIT FILE\n");
  EXPECT_EQ(said(), "kelvis: orbit file svi_069_2024.kv1: line 2 is missing");
  fs::remove("svi_069_2024.kv1");
  EXPECT_EQ(said(),
            "kelvis: no orbit file for the day of the run or the ten days before (the oldest "
            "name tried: svi_059_2024.kv1)");
}

TEST_F(FailureLine, FilesThatCannotBeCreatedGiveTheSystemsReason) {
  std::string cfg = config_text();
  cfg.replace(cfg.find("eclXXXXXXXX"), 11, "nodir/eclXXXXXXXX");
  spit(dir_ / "kelvocc_kv1.std", cfg);
  EXPECT_EQ(said(), "kelvis: cannot create nodir/eclanncrabr7_kv1.txt: No such file or directory");
  spit(dir_ / "kelvocc_kv1.std", config_text());
  fs::remove("log_anncrabr7_kv1.out");
  fs::create_directory("log_anncrabr7_kv1.out");
  EXPECT_EQ(said(), "kelvis: cannot create the log file log_anncrabr7_kv1.out: Is a directory");
  fs::remove("log_anncrabr7_kv1.out");
  cfg = config_text();
  cfg.replace(cfg.find("vrepXXXXXXXX"), 12, "viewXXXXXXXX");
  spit(dir_ / "kelvocc_kv1.std", cfg);
  EXPECT_EQ(said().rfind("kelvis: output files clash: the view report viewanncrabr7_kv1.txt", 0),
            0u);
}

TEST_F(FailureLine, ConvertersThatFailOrCannotBeStarted) {
  stub_converters(nullptr, nullptr);
  EXPECT_EQ(said(),
            "kelvis: unable to run the program enscript: the PDF viewanncrabr7_kv1.pdf was not "
            "made");
  stub_converters("exit 3", nullptr);
  EXPECT_EQ(said(),
            "kelvis: the program enscript failed with status 3: the PDF viewanncrabr7_kv1.pdf "
            "was not made");
}

}  // namespace
}  // namespace kv::test
