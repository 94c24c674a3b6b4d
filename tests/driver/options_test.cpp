// Command-line options: help and version end the run with 0, usage errors with 2.
#include "driver/options.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kv::driver {
namespace {

int parse(std::vector<std::string> args, RunOptions& opt) {
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
  for (const auto& bad : std::vector<std::vector<std::string>>{
           {"--threads", "0"}, {"--threads", "x"}, {"--threads"}, {"--fast"}, {"extra"}})
    EXPECT_EQ(parse(bad, opt), 2) << bad[0];
}

}  // namespace
}  // namespace kv::driver
