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
    const RunResult r = run(request, fixed_now(), threads);
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
  for (const char* request :
       {"ann crab kv1 83.63 22.01 2024 3 10 0 0 0 0 2024 3 13 0 0 0 0 45 45 10 10 5 1 a",
        "ann eq kv1 180 0 2024 3 9 7 13 21 517 2024 3 12 1 2 3 4 30 20 5 1 2.5 1 b",
        "ann pole kv1 0 90 2024 3 20 0 0 0 0 2024 4 9 0 0 0 0 45 45 10 10 5 0 c"}) {
    SCOPED_TRACE(request);
    const auto one = outputs_of(std::string(request) + "\n", 1);
    const auto four = outputs_of(std::string(request) + "\n", 4);
    EXPECT_GE(one.size(), 8u);
    EXPECT_EQ(one, four);
  }
}

}  // namespace
}  // namespace kv::test
