// Results do not depend on the number of threads: whole runs with 1 and with 4 threads
// leave the same bytes in every file.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "support/fixture.hpp"

namespace kv::test {
namespace {

namespace fs = std::filesystem;

class Threads : public ScratchDir {
 protected:
  // Every output file of a run (inputs, PostScript and PDF aside), removed afterwards.
  std::map<std::string, std::string> outputs_of(const std::string& request, int threads) {
    driver::RunOptions opt;
    opt.threads = threads;
    const RunResult r = run(request, opt);
    EXPECT_EQ(r.status, 0) << r.err;
    std::map<std::string, std::string> files;
    for (const auto& e : fs::directory_iterator(dir_)) {
      const std::string n = e.path().filename().string();
      if (n.starts_with("kelvocc_") || n.starts_with("svi_")) continue;
      if (n.ends_with(".txt") || n.ends_with(".out")) files[n] = read(n);
      fs::remove(e.path());
    }
    return files;
  }
};

TEST_F(Threads, OneAndFourThreadsWriteTheSameFiles) {
  install(kEpoch, kEpoch);
  for (const Request& q : {Request{.end = "2024 3 13 0 0 0 0", .flag = "1", .tag = "a"},
                           Request{.source = "eq",
                           .ra = "180",
                           .dec = "0",
                           .start = "2024 3 9 7 13 21 517",
                           .end = "2024 3 12 1 2 3 4",
                           .limits = "30 20 5 1 2.5",
                           .flag = "1",
                           .tag = "b"},
                           Request{.source = "pole",
                           .ra = "0",
                           .dec = "90",
                           .start = "2024 3 20 0 0 0 0",
                           .end = "2024 4 9 0 0 0 0",
                           .tag = "c"}}) {
    SCOPED_TRACE(q.text());
    const auto one = outputs_of(q.text(), 1);
    const auto four = outputs_of(q.text(), 4);
    EXPECT_GE(one.size(), 8u);
    EXPECT_EQ(one, four);
  }
}

}  // namespace
}  // namespace kv::test
