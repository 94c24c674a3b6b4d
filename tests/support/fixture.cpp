#include "support/fixture.hpp"

#include <unistd.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "common/run_error.hpp"
#include "common/timescales.hpp"
#include "driver/orbit_file.hpp"
#include "driver/run.hpp"
#include "driver/steps.hpp"
#include "ephem/ephem.hpp"
#include "orbit/orbit.hpp"

namespace kv::test {

std::string slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void spit(const std::filesystem::path& p, const std::string& text) {
  std::ofstream out(p, std::ios::binary);
  out << text;
}

std::time_t utc(int y, int mo, int d, int h, int mi, int s) {
  std::tm tm{};
  tm.tm_year = y - 1900;
  tm.tm_mon = mo - 1;
  tm.tm_mday = d;
  tm.tm_hour = h;
  tm.tm_min = mi;
  tm.tm_sec = s;
  return timegm(&tm);
}

std::time_t fixed_now() { return utc(2024, 3, 9, 12, 0, 0); }

std::string orbit_file_text(const Epoch& e, int iorb, const Elements& q) {
  std::string t = "KELVORIN ORBIT FILE\n";
  t += strprintf("%-19s%10.4f%10.4f%10.4f%10.4f%10.4f%15.6f\n", "PARAMS", 1.0, 2.0, 3.0, 4.0, 5.0,
                 6.0);
  t += strprintf("    PBEPC1         %6d%6d%6d%6d%6d%6d%6d%6d%6d\n", e[0], e[1], e[2], e[3], e[4],
                 e[5], e[6], iorb, 0);
  t += strprintf("%-19s%22.10f%22.10f%22.10f\n", "POSITION", 1.0, 2.0, 3.0);
  t += strprintf("%-19s%22.10f%22.10f%22.10f\n", "VELOCITY", 1.0, 2.0, 3.0);
  t += strprintf("%-19s%22.10f%22.10f%22.10f\n", "AEI", q[0], q[1], q[2]);
  t += strprintf("%-19s%22.10f%22.10f%22.10f\n", "WOM", q[3], q[4], q[5]);
  return t;
}

std::string config_text(const std::string& sid, const std::string& yaw) {
  return "errXXXXXXXX\nKELVORIN\n" + sid +
         "\noccXXXXXXXX\nvrepXXXXXXXX\nangXXXXXXXX\neclXXXXXXXX\nsvi_DDD_YYYY.SID\norbXXXXXXXX\n" +
         yaw + "\n";
}

RunContext scan_context(const Elements& q, double start, double end, double ra_deg, double dec_deg,
                        const Epoch& epoch) {
  RunContext ctx;
  ctx.usrnm = "ann";
  ctx.celnm = "crab";
  ctx.sid = "kv1";
  ctx.rndnum = "t";
  ctx.iltread = epoch;
  ctx.iorb = 1234;
  ctx.q = q;
  ctx.tstusr1900 = timdif(epoch).days;
  ctx.timeread2000 = timdif2000(epoch).days;
  ctx.epocsidang = ephem::sidtim(ctx.tstusr1900).angle;
  ctx.qm = orbit::oscmean(q);
  ctx.orbit = orbit::mean_orbit(ctx.qm);
  ctx.tstreadif = start;
  ctx.tdursread = ctx.tendinp = end;
  ctx.tdurs = end - start;
  ctx.nuserday = static_cast<int>(ctx.tdurs / 86400);
  ctx.istusr = addtim(epoch, start);
  ctx.ietusr = addtim(epoch, end);
  ctx.rasource = ra_deg;
  ctx.decsource = dec_deg;
  ctx.fc1 = driver::source_direction(ra_deg, dec_deg);
  ctx.rosvlim = ctx.nrosvlim = 45;
  ctx.romlim = ctx.rovellim = 10;
  ctx.thetainp = 5;
  ctx.ywsvlim = 45;
  return ctx;
}

void ScratchDir::SetUp() {
  old_ = std::filesystem::current_path();
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string("kelvis_") + info->test_suite_name() + "_" + info->name() + "_" +
                     std::to_string(getpid());
  for (char& c : name)
    if (c == '/') c = '_';
  dir_ = std::filesystem::temp_directory_path() / name;
  std::filesystem::remove_all(dir_);
  std::filesystem::create_directories(dir_);
  std::filesystem::current_path(dir_);
}

void ScratchDir::stub_converters() {
  std::filesystem::create_directory(dir_ / "bin");
  spit(dir_ / "bin/enscript", "#!/bin/sh\nexit 0\n");
  spit(dir_ / "bin/ps2pdfwr", "#!/bin/sh\necho %PDF > \"$2\"\n");
  for (const char* p : {"bin/enscript", "bin/ps2pdfwr"})
    std::filesystem::permissions(dir_ / p, std::filesystem::perms::owner_all);
  old_path_ = std::getenv("PATH");
  setenv("PATH", (dir_ / "bin").c_str(), 1);
}

void ScratchDir::TearDown() {
  if (!old_path_.empty()) setenv("PATH", old_path_.c_str(), 1);
  std::filesystem::current_path(old_);
  if (!HasFailure()) std::filesystem::remove_all(dir_);
}

void ScratchDir::install(const Epoch& epoch, const Epoch& file_day, int iorb, const Elements& q) {
  spit(dir_ / "kelvocc_kv1.std", config_text());
  spit(dir_ / driver::orbit_file_name("svi_DDD_YYYY.SID", "kv1", file_day),
       orbit_file_text(epoch, iorb, q));
}

Scan scan_of(const RunContext& ctx, int threads) {
  Scan r{driver::scan_setup(ctx), {}};
  r.g = grid::user_samples(r.s, threads);
  return r;
}

RunResult ScratchDir::run(const std::string& request, std::time_t now, int threads, Model model) {
  std::istringstream in(request);
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  driver::RunOptions opt;
  opt.threads = threads;
  opt.model = model;
  const int status = driver::run(in, now, opt);
  RunResult r{status, ::testing::internal::GetCapturedStdout(),
              ::testing::internal::GetCapturedStderr(), ""};
  // The plain-words line of a failure comes last; the documented texts stay in err.
  const std::size_t p = r.err.rfind("kelvis: ");
  if (p != std::string::npos && (p == 0 || r.err[p - 1] == '\n') && r.err.back() == '\n' &&
      r.err.find('\n', p) == r.err.size() - 1) {
    r.said = r.err.substr(p, r.err.size() - p - 1);
    r.err.erase(p);
  }
  return r;
}

}  // namespace kv::test
