// Command-line options: help and version end the run with 0, usage errors with 2.
#include "driver/options.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kv::driver {
namespace {

int parse(std::vector<std::string> args, RunOptions& opt) {
  opt = RunOptions{};
  args.insert(args.begin(), "kelvis");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  const int rc = parse_options(static_cast<int>(argv.size()), argv.data(), opt);
  ::testing::internal::GetCapturedStdout();
  ::testing::internal::GetCapturedStderr();
  return rc;
}

TEST(Options, ThreadsHelpVersionAndUsageErrors) {
  RunOptions opt;
  EXPECT_EQ(parse({}, opt), -1);
  EXPECT_EQ(opt.threads, 0);
  EXPECT_EQ(parse({"--threads", "3"}, opt), -1);
  EXPECT_EQ(opt.threads, 3);
  EXPECT_EQ(parse({"--help"}, opt), 0);
  EXPECT_EQ(parse({"--version"}, opt), 0);
  for (const auto& bad :
       std::vector<std::vector<std::string>>{{"--threads", "0"},
                                             {"--threads", "x"},
                                             {"--threads"},
                                             {"--fast"},
                                             {"extra"},
                                             {"--now", "2024-13-01T00:00:00"},
                                             {"--now", "2023-02-29T00:00:00"},
                                             {"--now", "2024-03-09 12:00:00"},
                                             {"--now", "1999-12-31T23:59:59"},
                                             {"--plot", "p.jpg"},
                                             {"--shard", "1/2"},
                                             {"--progress", "p.json"},
                                             {"--catalogue", "c.csv", "--shard", "2/2"},
                                             {"--catalogue", "c.csv", "--shard", "x"},
                                             {"--catalogue", "c.csv", "--reports", "/proc/nope"},
                                             {"--catalogue", "c.csv", "--plot", "p.png"},
                                             {"--sky-map", "3"},
                                             {"--sky-map", "0"},
                                             {"--sky-map", "512"},
                                             {"--sky-map", "16", "--catalogue", "c.csv"},
                                             {"--model", "exact"},
                                             {"--model"}})
    EXPECT_EQ(parse(bad, opt), 2) << bad[0] << " " << (bad.size() > 1 ? bad[1] : "");
  EXPECT_EQ(parse({"--now", "2024-03-09T12:00:00", "--plot", "a.svg", "--json", "a.json"}, opt),
            -1);
  ASSERT_TRUE(opt.now.has_value());
  EXPECT_EQ(*opt.now, 1709985600);  // date -u -d 2024-03-09T12:00:00 +%s
  EXPECT_EQ(opt.plot, "a.svg");
  EXPECT_EQ(opt.json, "a.json");
  EXPECT_EQ(parse({"--catalogue", "c.csv", "--shard", "1/3"}, opt), -1);
  EXPECT_EQ(opt.shard_k, 1);
  EXPECT_EQ(opt.shard_n, 3);
}

TEST(Options, ModelIsClassicUnlessPreciseIsAsked) {
  const struct {
    std::vector<std::string> args;
    Model model;
  } cases[] = {{{}, Model::classic},
               {{"--model", "classic"}, Model::classic},
               {{"--model", "precise"}, Model::precise},
               {{"--catalogue", "c.csv", "--model", "precise"}, Model::precise},
               {{"--sky-map", "4", "--model", "precise"}, Model::precise}};
  for (const auto& c : cases) {
    RunOptions opt;
    SCOPED_TRACE(c.args.empty() ? "(none)" : c.args.back());
    EXPECT_EQ(parse(c.args, opt), -1);
    EXPECT_EQ(opt.model, c.model);
  }
}

}  // namespace
}  // namespace kv::driver
