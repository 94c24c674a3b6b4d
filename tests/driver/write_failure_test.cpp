// Checked output: a report that cannot be written (disk full, file-size limit) ends the run
// with status "0" and exit status -1, never with the success marker over a truncated report.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "support/fixture.hpp"

namespace kv::test {
namespace {

namespace fs = std::filesystem;

const std::string kRequest = Request{.flag = "1"}.text();

class WriteFailure : public ScratchDir {
 protected:
  void SetUp() override {
    ScratchDir::SetUp();
    install(kEpoch, kEpoch);
    if (!fs::is_character_file("/dev/full")) GTEST_SKIP() << "no /dev/full on this machine";
  }
};

TEST_F(WriteFailure, DiskFullWhileWritingTheAngleFile) {
  fs::create_symlink("/dev/full", dir_ / "anganncrabr7_kv1.txt");
  const RunResult r = run(kRequest);
  EXPECT_EQ(r.status, -1);
  const std::string msg =
      "\n write of the file anganncrabr7_kv1.txt failed: No space left on device\n";
  EXPECT_EQ(read("erranncrabr7_kv1.out"), "0\n" + msg);
  EXPECT_EQ(read("log_anncrabr7_kv1.out"), msg);
  EXPECT_FALSE(exists("viewanncrabr7_kv1.pdf"));
}

TEST_F(WriteFailure, DiskFullWhenTheViewReportIsClosed) {
  fs::create_symlink("/dev/full", dir_ / "vrepanncrabr7_kv1.txt");
  const RunResult r = run(kRequest);
  EXPECT_EQ(r.status, -1);
  const std::string err = read("erranncrabr7_kv1.out");
  EXPECT_EQ(err.rfind("0\n", 0), 0u) << err;
  EXPECT_NE(err.find("vrepanncrabr7_kv1.txt failed: No space left on device"), std::string::npos);
  EXPECT_EQ(err.find("Succesful"), std::string::npos);
}

TEST_F(WriteFailure, ErrorFileThatCannotTakeTheSuccessMarker) {
  fs::create_symlink("/dev/full", dir_ / "erranncrabr7_kv1.out");
  const RunResult r = run(kRequest);
  EXPECT_EQ(r.status, -1);
  EXPECT_EQ(r.err,
            "0\n\n close of the file erranncrabr7_kv1.out failed: No space left on device\n");
}

// The kelvis program in a child process with a file-size limit and SIGXFSZ ignored.
int run_limited(const std::string& request, rlim_t bytes) {
  spit("request.txt", request);
  const pid_t pid = fork();
  if (pid == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit lim{bytes, bytes};
    setrlimit(RLIMIT_FSIZE, &lim);
    if (!freopen("request.txt", "r", stdin)) _exit(98);
    execl(KELVIS_BINARY, "kelvis", static_cast<char*>(nullptr));
    _exit(99);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -100;
}

TEST_F(WriteFailure, FileSizeLimit) {
  // The program reads the real clock: the orbit file is named for today.
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&now, &tm);
  install(kEpoch, {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, 0, 0, 0, 0});
  // The view-angle file of two days (about 330 kB) passes a limit of 100 kB.
  EXPECT_EQ(run_limited(kRequest, 100000), 255);
  const std::string err = read("erranncrabr7_kv1.out");
  EXPECT_EQ(err, "0\n\n write of the file anganncrabr7_kv1.txt failed: File too large\n");
  EXPECT_LE(fs::file_size(dir_ / "anganncrabr7_kv1.txt"), 100000u);
}

}  // namespace
}  // namespace kv::test
