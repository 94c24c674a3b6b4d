// Whole requests through the driver with a fixed clock: the set-up of a run, every failure
// of the request, configuration and orbit-file checks, and the files each leaves behind.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/run_error.hpp"
#include "driver/run.hpp"
#include "orbit/orbit.hpp"
#include "support/fixture.hpp"

namespace kv::test {
namespace {

namespace fs = std::filesystem;

const std::string kTypical = Request{}.text();

class Setup : public ScratchDir {
 protected:
  void SetUp() override {
    ScratchDir::SetUp();
    install(kEpoch, kEpoch);
  }
};

TEST_F(Setup, TypicalRequestCreatesLogErrorReportAndOrbitFiles) {
  const RunResult r = run(kTypical);
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  for (const char* f : {"log_anncrabr7_kv1.out", "erranncrabr7_kv1.out", "eclanncrabr7_kv1.txt",
                        "vrepanncrabr7_kv1.txt", "orbanncrabr7_kv1.txt"})
    EXPECT_TRUE(exists(f)) << f;
  EXPECT_FALSE(exists("anganncrabr7_kv1.txt"));
  const Elements qm = orbit::oscmean(kDemoElements);
  EXPECT_EQ(read("orbanncrabr7_kv1.txt"),
            " svi_069_2024.kv1\n iltread 2024 3 9 0 0 0 0" +
                strprintf("\n%14.6f %11.6f %11.6f %18.6f %18.6f %18.6f", qm[0], qm[1], qm[2], qm[3],
                          qm[4], qm[5]));
}

TEST_F(Setup, OrbitInformationFileOfAnEpochWithMilliseconds) {
  fs::remove_all(dir_ / "svi_069_2024.kv1");
  install({2024, 3, 5, 6, 7, 8, 9}, kEpoch);
  ASSERT_EQ(run(kTypical).status, 0);
  const std::string info = read("orbanncrabr7_kv1.txt");
  EXPECT_EQ(info.substr(0, info.find('\n', 1) + 1 + info.substr(info.find('\n', 1) + 1).find('\n')),
            " svi_069_2024.kv1\n iltread 2024 3 5 6 7 8 9");
  EXPECT_EQ(info.rfind("\n"),
            info.find("\n", info.find("iltread")));  // three lines, no final newline
}

TEST_F(Setup, AngleFileOnlyForFlagOne) {
  for (const char* flag : {"0", "2", "1"}) {
    const RunResult r = run(Request{.flag = flag});
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(exists("anganncrabr7_kv1.txt"), std::string(flag) == "1") << flag;
  }
}

// Right ascension and declination: checked before any file exists; the status line and
// the message go to standard error.
struct RangeCase {
  std::string ra, dec;
  bool ok;
  std::string err;
};

TEST_F(Setup, RightAscensionAndDeclinationRanges) {
  const RangeCase cases[] = {
      {"360", "22", true, ""},
      {"0", "-90", true, ""},
      {"83.63", "90", true, ""},
      {"360.0001", "0", false, "0\n Right Ascension value 360.000100 is outside the range\n "},
      {"-0.0001", "0", false, "0\n Right Ascension value -0.000100 is outside the range\n "},
      {"nan", "0", false, "0\n Right Ascension value nan is outside the range\n "},
      {"inf", "0", false, "0\n Right Ascension value inf is outside the range\n "},
      {"10", "90.0001", false, "0\n Declination value 90.000100 is outside the range\n "},
      {"10", "-90.0001", false, "0\n Declination value -90.000100 is outside the range\n "},
      {"10", "-nan", false, "0\n Declination value -nan is outside the range\n "},
  };
  for (const RangeCase& c : cases) {
    SCOPED_TRACE(c.ra + " " + c.dec);
    const RunResult r = run(Request{.ra = c.ra, .dec = c.dec});
    EXPECT_EQ(r.status, c.ok ? 0 : -1);
    if (!c.ok) {
      EXPECT_EQ(r.err, c.err + "\n");  // the plain-words line starts on a new line
    }
    EXPECT_EQ(exists("log_anncrabr7_kv1.out"), c.ok);
    fs::remove(dir_ / "log_anncrabr7_kv1.out");
  }
}

TEST_F(Setup, WhiteSpaceAfterTheRunTagIsNoToken) {
  EXPECT_EQ(run(kTypical.substr(0, kTypical.size() - 1) + " \t\n\n  ").status, 0);
}

TEST_F(Setup, BadRightAscensionLeavesTheRestOfTheInputUnread) {
  std::istringstream in("ann crab kv1 400 junk-that-is-never-read");
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(driver::run(in, fixed_now()), -1);
  ::testing::internal::GetCapturedStderr();
  std::string rest;
  in >> rest;
  EXPECT_EQ(rest, "junk-that-is-never-read");
}

// Malformed requests: each names the token and the rule on standard error.
TEST_F(Setup, MalformedRequestsAreRejectedWithTheTokenAndTheRule) {
  const std::string name25(25, 'a'), tag100(100, 't');
  using R = Request;
  const std::pair<std::string, std::string> cases[] = {
      // request; token and rule
      {"ann crab kv1 83.63 22.01 2024 3 10", "9 (start hour): missing: a request holds 26 tokens"},
      {"", "1 (user name): missing: a request holds 26 tokens"},
      {R{.ra = "1O"}, "4 (right ascension): \"1O\" is not a number"},
      {R{.start = "2024 3 1O 0 0 0 0"}, "8 (start day): \"1O\" is not an integer"},
      {R{.end = "2024 3 12 0 0 0 99999999999"},
       "19 (end millisecond): \"99999999999\" is not an integer"},
      {R{.limits = "45 nan 10 10 5"},
       "21 (negative-roll-Sun limit): the value must be a finite number"},
      {R{.limits = "45 45 10 10 -inf"},
       "24 (Earth-limb margin): the value must be a finite number"},
      {R{.flag = "x"}, "25 (angle-file flag): \"x\" is not an integer"},
      {R{.user = name25},
       "1 (user name): \"aaaaaaaaaaaaaaaaaaaaaaaaa\" is longer than 24 characters"},
      {R{.source = name25},
       "2 (source name): \"aaaaaaaaaaaaaaaaaaaaaaaaa\" is longer than 24 characters"},
      {R{.sid = "kv12"}, "3 (satellite id): \"kv12\" is longer than 3 characters"},
      {R{.tag = tag100},
       "26 (run tag): \"tttttttttttttttttttttttttttttttttttttttt...\" is longer than 99 "
       "characters"},
      {R{.user = "../ann"}, "1 (user name): \"../ann\" holds '/' or a control character"},
      {R{.source = "cr\x01"
                   "ab"},
       "2 (source name): \"cr?ab\" holds '/' or a control character"},
      {R{.tag = "a/b"}, "26 (run tag): \"a/b\" holds '/' or a control character"},
      {R{.start = "1999 12 31 0 0 0 0"}, "6 (start year): year 1999 is outside 2000 to 2099"},
      {R{.start = "2023 2 29 0 0 0 0"}, "8 (start day): day 29 does not exist in 2023-02"},
      {R{.start = "2025 2 29 0 0 0 0"}, "8 (start day): day 29 does not exist in 2025-02"},
      {R{.end = "2024 4 31 0 0 0 0"}, "15 (end day): day 31 does not exist in 2024-04"},
      {R{.end = "2024 13 1 0 0 0 0"}, "14 (end month): month 13 is outside 1 to 12"},
      {R{.start = "2024 3 10 24 0 0 0"}, "9 (start hour): 24 is outside 0 to 23"},
      {R{.start = "2024 3 10 0 60 0 0"}, "10 (start minute): 60 is outside 0 to 59"},
      {R{.start = "2024 3 10 0 0 -1 0"}, "11 (start second): -1 is outside 0 to 59"},
      {R{.end = "2100 1 1 0 0 0 0"}, "13 (end year): year 2100 is outside 2000 to 2099"},
      {R{.end = "2024 3 12 0 0 0 1000"}, "19 (end millisecond): 1000 is outside 0 to 999"},
      {R{.tag = "my run"}, "27 (after the run tag): the request has exactly 26 tokens"},
      {R{.tag = "r7\n\nr8"}, "27 (after the run tag): the request has exactly 26 tokens"},
  };
  for (const auto& [req, msg] : cases) {
    SCOPED_TRACE(req);
    const RunResult r = run(req);
    EXPECT_EQ(r.status, -1);
    EXPECT_EQ(r.err, "0\n Request token " + msg + "\n");
    EXPECT_EQ(r.out, "");
  }
  // Nothing was created by any of them.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator{}), 2);
}

TEST_F(Setup, AnOverlongTokenIsCutAndRejected) {
  const RunResult r = run(Request{.ra = "10", .dec = "22", .tag = std::string(100000, 'x')});
  EXPECT_EQ(r.status, -1);
  EXPECT_EQ(r.err, "0\n Request token 26 (run tag): longer than 4096 characters\n");
}

TEST_F(Setup, LogFileThatCannotBeCreated) {
  fs::create_directory(dir_ / "log_anncrabr7_kv1.out");
  const RunResult r = run(kTypical);
  EXPECT_EQ(r.status, -1);
  EXPECT_EQ(r.err, "0\nunable to open the file log_anncrabr7_kv1.out \n");
}

TEST_F(Setup, MissingConfigurationFile) {
  fs::remove(dir_ / "kelvocc_kv1.std");
  const RunResult r = run(kTypical);
  EXPECT_EQ(r.status, -1);
  EXPECT_EQ(read("log_anncrabr7_kv1.out"), "\nunable to open the File kelvocc_kv1.std ");
  EXPECT_FALSE(exists("erranncrabr7_kv1.out"));
  EXPECT_EQ(r.out + r.err, "");
}

TEST_F(Setup, ConfigurationForAnotherSatelliteIdCreatesTheErrorFile) {
  spit(dir_ / "kelvocc_kv1.std", config_text("KV1"));
  const RunResult r = run(kTypical);
  EXPECT_EQ(r.status, -1);
  EXPECT_EQ(read("log_anncrabr7_kv1.out"),
            "\n Input sat Id kv1 doesn't match with the sat Id from the file");
  EXPECT_EQ(read("erranncrabr7_kv1.out"),
            "0\nInput sat Id kv1 doesn't match with the sat Id from the file");
}

TEST_F(Setup, DamagedConfigurationFiles) {
  const std::string good = config_text();
  const std::string head = "errXXXXXXXX\nKELVORIN\nkv1\n";
  const struct {
    std::string text, log;
    bool errfile;
  } cases[] = {
      {"errXX\nKELVORIN\n", "\n configuration file kelvocc_kv1.std holds 2 of its ten tokens\n",
       false},
      {head + "occXXXXXXXX\n", "\n configuration file kelvocc_kv1.std holds 4 of its ten tokens\n",
       true},
      {head +
           "occXXXX\nviewXXXXXXXX\nangXXXXXXXX\neclXXXXXXXX\nsvi_DDD_YYYY.SID\norbXXXXXXXX\n45\n",
       "\n configuration file kelvocc_kv1.std: occultation-report template \"occXXXX\" is shorter "
       "than its 8 placeholder characters\n",
       true},
      {head + "occXXXXXXXX\nviewXXXXXXXX\nangXXXXXXXX\neclXXXXXXXX\nsvi_DD_YYYY\norbXXXXXXXX\n45\n",
       "\n configuration file kelvocc_kv1.std: orbit-file template \"svi_DD_YYYY\" is shorter than "
       "its 12 placeholder characters\n",
       true},
      {config_text("kv1", "4x5"),
       "\n configuration file kelvocc_kv1.std: yaw-Sun limit \"4x5\" is not a finite number\n",
       true},
      {config_text("kv1", "nan"),
       "\n configuration file kelvocc_kv1.std: yaw-Sun limit \"nan\" is not a finite number\n",
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    spit(dir_ / "kelvocc_kv1.std", c.text);
    fs::remove(dir_ / "erranncrabr7_kv1.out");
    const RunResult r = run(kTypical);
    EXPECT_EQ(r.status, -1);
    EXPECT_EQ(read("log_anncrabr7_kv1.out"), c.log);
    EXPECT_EQ(exists("erranncrabr7_kv1.out"), c.errfile);
    if (c.errfile) {
      EXPECT_EQ(read("erranncrabr7_kv1.out"), "0\n" + c.log);
    } else {
      EXPECT_EQ(r.err, "0\n" + c.log);
    }
  }
}

TEST_F(Setup, YawLimitWithoutDecimalPointAndEightCharacterTemplates) {
  spit(dir_ / "kelvocc_kv1.std",
       "XXXXXXXX KELVORIN kv1 occXXXXXXXX XXXXXXXX angXXXXXXXX eclXXXXXXXX svi_DDD_YYYY.SID "
       "orbXXXXXXXX 45");
  ASSERT_EQ(run(kTypical).status, 0);
  EXPECT_TRUE(exists("anncrabr7_kv1.out"));
  EXPECT_TRUE(exists("anncrabr7_kv1.txt"));
}

TEST_F(Setup, ErrorFileThatCannotBeCreated) {
  spit(dir_ / "kelvocc_kv1.std",
       "nodir/errXXXXXXXX KELVORIN kv1 occXXXXXXXX vrepXXXXXXXX angXXXXXXXX eclXXXXXXXX "
       "svi_DDD_YYYY.SID orbXXXXXXXX 45");
  const RunResult r = run(kTypical);
  EXPECT_EQ(r.status, -1);
  EXPECT_EQ(read("log_anncrabr7_kv1.out"), "unable to open the file nodir/erranncrabr7_kv1.out ");
  EXPECT_EQ(r.err, "0\nunable to open the file nodir/erranncrabr7_kv1.out \n");
}

// Configurations whose outputs would overwrite one another are refused before any report
// exists; a file already there under the shared name is left as it was.
TEST_F(Setup, OutputsThatWouldBeOneFileAreRefused) {
  struct Clash {
    const char* from;
    const char* to;
    const char* message;
    bool status_on_stderr;
  };
  const Clash clashes[] = {
      {"vrepXXXXXXXX", "viewXXXXXXXX",
       "\n output files clash: the view report viewanncrabr7_kv1.txt (from the view-report "
       "template viewXXXXXXXX) and the joined text viewanncrabr7_kv1.txt (from the fixed name "
       "view<suffix>.txt) are the same file; nothing was written\n",
       false},
      {"eclXXXXXXXX", "./vrepXXXXXXXX",
       "\n output files clash: the view report vrepanncrabr7_kv1.txt (from the view-report "
       "template vrepXXXXXXXX) and the eclipse view report ./vrepanncrabr7_kv1.txt (from the "
       "eclipse-report template ./vrepXXXXXXXX) are the same file; nothing was written\n",
       false},
      {"errXXXXXXXX", "log_XXXXXXXX",
       "\n output files clash: the error file log_anncrabr7_kv1.out (from the error-file "
       "template log_XXXXXXXX) and the log file log_anncrabr7_kv1.out (from the fixed name "
       "log_<suffix>.out) are the same file; nothing was written\n",
       true},
  };
  for (const Clash& c : clashes) {
    SCOPED_TRACE(c.to);
    std::string cfg = config_text();
    cfg.replace(cfg.find(c.from), std::string(c.from).size(), c.to);
    spit(dir_ / "kelvocc_kv1.std", cfg);
    spit(dir_ / "vrepanncrabr7_kv1.txt", "kept");
    const RunResult r = run(kTypical);
    EXPECT_EQ(r.status, -1);
    EXPECT_EQ(read("log_anncrabr7_kv1.out"), c.message);
    if (c.status_on_stderr) {
      EXPECT_EQ(r.err, std::string("0\n") + c.message);
    } else {
      EXPECT_EQ(read("erranncrabr7_kv1.out"), std::string("0\n") + c.message);
    }
    EXPECT_EQ(read("vrepanncrabr7_kv1.txt"), "kept");
    EXPECT_FALSE(exists("eclanncrabr7_kv1.txt"));
    EXPECT_FALSE(exists("viewanncrabr7_kv1.txt"));
  }
}

TEST_F(Setup, ReportFilesThatCannotBeCreated) {
  const char* templates[] = {"eclXXXXXXXX", "vrepXXXXXXXX", "orbXXXXXXXX", "angXXXXXXXX",
                             "occXXXXXXXX"};
  for (const char* t : templates) {
    std::string cfg = config_text();
    cfg.replace(cfg.find(t), std::string(t).size(), std::string("nodir/") + t);
    spit(dir_ / "kelvocc_kv1.std", cfg);
    const RunResult r = run(Request{.flag = "1"});
    std::string name = std::string("nodir/") + t;
    name = name.substr(0, name.size() - 8) + "anncrabr7_kv1.txt";
    SCOPED_TRACE(name);
    EXPECT_EQ(r.status, -1);
    EXPECT_EQ(read("log_anncrabr7_kv1.out"), "unable to open the file " + name + " ");
    EXPECT_EQ(read("erranncrabr7_kv1.out"), "0\nunable to open the file " + name + " ");
  }
}

TEST_F(Setup, UserPeriodLimits) {
  const std::string period_msg =
      "\n!!!Difference between start time and user end time is %f (not within limits) "
      "days!!!\nPlease give the correct input  \n";
  const struct {
    std::string end;
    int status;
    double days;
  } cases[] = {
      {"2025 4 14 0 0 0 0", 0, 400},  // exactly 400 days
      {"2024 3 10 0 0 1 0", 0, 0},    // one second
      {"2025 4 14 0 0 1 0", -1, 400 + 1 / 86400.0},
      {"2024 3 10 0 0 0 0", -1, 0},
      {"2024 3 9 0 0 0 0", -1, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.end);
    const RunResult r = run(Request{.end = c.end});
    EXPECT_EQ(r.status, c.status);
    if (c.status == 0) continue;
    const std::string msg = strprintf(period_msg.c_str(), c.days);
    EXPECT_EQ(read("log_anncrabr7_kv1.out"), msg);
    EXPECT_EQ(read("erranncrabr7_kv1.out"), "0\n" + msg);
  }
  EXPECT_EQ(strprintf("%f", -1.0), "-1.000000");
}

TEST_F(Setup, OrbitFileAgeLimits) {
  const std::string err_fmt =
      "0\nDifference between svi file time and user start time is %f days(allowed number should "
      "be within 1 year).Hence there is no furthur processing done";
  const std::string log_fmt =
      "\nDifference between svi file time and user start time is %f days (allowed number should "
      "bwe within 1 year).Hence there is no furthur processing done as latest orbit file is not "
      "available";
  const struct {
    std::string start, end;
    int status;
    double days;
  } cases[] = {
      {"2024 3 9 0 0 0 0", Request{}.end, 0, 0},
      {"2025 3 14 0 0 0 0", "2025 3 15 0 0 0 0", 0, 370},
      {"2024 3 8 23 59 59 0", Request{}.end, -1, -1 / 86400.0},
      {"2025 3 14 0 0 1 0", "2025 3 15 0 0 0 0", -1, 370 + 1 / 86400.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.start);
    const RunResult r = run(Request{.start = c.start, .end = c.end});
    EXPECT_EQ(r.status, c.status);
    if (c.status == 0) continue;
    EXPECT_EQ(read("erranncrabr7_kv1.out"), strprintf(err_fmt.c_str(), c.days));
    EXPECT_EQ(read("log_anncrabr7_kv1.out"), strprintf(log_fmt.c_str(), c.days));
    EXPECT_EQ(r.out, "");
  }
}

TEST_F(Setup, SatelliteIdOtherThanKv1IsRejectedByTheOrbitReader) {
  spit(dir_ / "kelvocc_kv2.std", config_text("kv2"));
  spit(dir_ / "svi_069_2024.kv2", orbit_file_text(kEpoch, 1, kDemoElements));
  const RunResult r = run(Request{.sid = "kv2"});
  EXPECT_EQ(r.status, -1);
  EXPECT_EQ(r.out, "     inputx ::  satellite id = kv2 is not correct . stop process\n");
  EXPECT_EQ(read("erranncrabr7_kv2.out"),
            "0\ninputx ::  satellite id = kv2 is not correct . stop process\n");
  EXPECT_EQ(read("log_anncrabr7_kv2.out"), "");
}

}  // namespace
}  // namespace kv::test
