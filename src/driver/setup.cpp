#include "driver/setup.hpp"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "common/run_error.hpp"
#include "common/timescales.hpp"
#include "driver/config.hpp"
#include "driver/orbit_file.hpp"
#include "driver/outputs.hpp"
#include "driver/request.hpp"
#include "driver/steps.hpp"
#include "driver/tle_file.hpp"
#include "ephem/ephem.hpp"
#include "orbit/orbit.hpp"
#include "report/report.hpp"

namespace kv::driver {

Epoch wall_clock(std::time_t now) {
  std::tm tm{};
  gmtime_r(&now, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, 0};
}

std::string log_file_name(const RunContext& ctx) {
  return ctx.outdir + "log_" + ctx.suffix() + ".out";
}

void take_options(RunContext& ctx, const RunOptions& opt) {
  ctx.threads = opt.threads;
  ctx.tle_file = opt.tle;
  ctx.model = opt.model;
}

void open_log_file(RunContext& ctx) {
  ctx.logfnm = log_file_name(ctx);
  if (!ctx.loginp.open(ctx.logfnm)) {
    const int e = errno;
    fail_file(RunError("", strprintf("unable to open the file %s ", ctx.logfnm.c_str()), ""),
              strprintf("cannot create the log file %s: %s", ctx.logfnm.c_str(), std::strerror(e)),
              e);
  }
}

void form_output_names(RunContext& ctx) {
  const RunContext::Templates& t = ctx.templates;
  ctx.errfnmfl = ctx.outdir + name_from_template(t.errfnmfl, ctx, ".out");
  ctx.attfnm = ctx.outdir + name_from_template(t.attfnm, ctx, ".txt");
  ctx.attfnmang = ctx.outdir + name_from_template(t.attfnmang, ctx, ".txt");
  ctx.eclpfnm = ctx.outdir + name_from_template(t.eclpfnm, ctx, ".txt");
  ctx.orbinfnm = ctx.outdir + name_from_template(t.orbinfnm, ctx, ".txt");
  ctx.evnoccfnmdsp = ctx.outdir + name_from_template(t.evnoccfnmdsp, ctx, ".txt");
  check_distinct_outputs(ctx);
}

void open_log_and_error_files(RunContext& ctx) {
  open_log_file(ctx);
  rstdinp(ctx);
  form_output_names(ctx);
  ctx.errfl.create(ctx.errfnmfl);
}

void check_period(RunContext& ctx) {
  ctx.tstusr2000 = timdif2000(ctx.istusr).days;
  const double end2000 = timdif2000(ctx.ietusr).days;
  ctx.tdurs = (end2000 - ctx.tstusr2000) * daysec;
  ctx.nuserday = static_cast<int>(ctx.tdurs / daysec);
  if (!(ctx.tdurs > 0 && ctx.tdurs <= max_period_s)) {
    const std::string m = strprintf(
        "\n!!!Difference between start time and user end time is %f (not within limits) "
        "days!!!\nPlease give the correct input  \n",
        ctx.tdurs / daysec);
    fail(RunError("", m, m),
         strprintf("the user period is %f days; it must be more than 0 and at most 400 days",
                   ctx.tdurs / daysec));
  }
  ctx.step = scan_step;
}

void orbit_times(RunContext& ctx) {
  ctx.tstusr1900 = timdif(ctx.iltread).days;
  ctx.timeread2000 = timdif2000(ctx.iltread).days;
  ctx.epocsidang = ephem::sidtim(ctx.tstusr1900).angle;
  ctx.tstreadif = (ctx.tstusr2000 - ctx.timeread2000) * daysec;
  ctx.tdursread = (timdif2000(ctx.ietusr).days - ctx.timeread2000) * daysec;
  ctx.tendinp = ctx.tdursread;
}

void read_orbit(RunContext& ctx) {
  if (!ctx.tle_file.empty()) {
    read_tle_orbit(ctx);
    return;
  }
  const OrbitRecord rec =
      find_and_read_orbit_file(ctx.orbfnm1, ctx.sid, ctx.curt, ctx.orbfnm, ctx.datadir);
  ctx.iltread = rec.iltread;
  ctx.iorb = rec.iorb;
  ctx.q = rec.q;
  orbit_times(ctx);
  if (!(ctx.tstreadif >= 0 && ctx.tstreadif <= max_start_age_s)) {
    const double days = ctx.tstreadif / daysec;
    fail(RunError(
             "",
             strprintf("Difference between svi file time and user start time is %f days(allowed "
                       "number should be within 1 year).Hence there is no furthur processing done",
                       days),
             strprintf(
                 "\nDifference between svi file time and user start time is %f days (allowed "
                 "number should bwe within 1 year).Hence there is no furthur processing done as "
                 "latest orbit file is not available",
                 days)),
         strprintf("the user start lies %f days after the epoch of the orbit file %s; it must "
                   "lie 0 to 370 days after it",
                   days, ctx.orbfnm.c_str()));
  }
}

void mean_elements(RunContext& ctx) {
  if (!ctx.tle_file.empty()) return;  // the set's own mean elements, read with it
  ctx.qm = orbit::oscmean(ctx.q);
  ctx.orbit = orbit::mean_orbit(ctx.qm);
}

void create_reports(RunContext& ctx) {
  ctx.eclpinf.create(ctx.eclpfnm);
  ctx.attinf.create(ctx.attfnm);
  ctx.orbinf.create(ctx.orbinfnm);
  if (ctx.tle_file.empty()) {
    report::write_orbit_information(ctx.orbinf, ctx.orbfnm, ctx.iltread, ctx.qm);
  } else {
    std::vector<std::string> lines{ctx.tle.line1, ctx.tle.line2};
    if (!ctx.tle.name.empty()) lines.insert(lines.begin(), ctx.tle.name);
    report::write_orbit_information(ctx.orbinf, ctx.orbfnm, ctx.iltread, ctx.qm, lines,
                                    sha256_hex(in_folder(ctx.datadir, ctx.tle_file)));
  }
  if (ctx.flagcrang == 1) ctx.attinfang.create(ctx.attfnmang);
  ctx.outoccdsp.create(ctx.evnoccfnmdsp);
}

// The set-up of a run: request, configuration, error file, period, orbit file, mean
// elements, report files. Throws RunError on the first failed check.
void setup(std::istream& in, std::time_t now, RunContext& ctx) {
  ctx.curt = wall_clock(now);
  read_request(in, ctx);
  open_log_and_error_files(ctx);
  check_period(ctx);
  read_orbit(ctx);
  mean_elements(ctx);
  create_reports(ctx);
}

void setup_in_memory(std::istream& in, std::time_t now, RunContext& ctx) {
  ctx.curt = wall_clock(now);
  read_request(in, ctx);
  ctx.logfnm = log_file_name(ctx);
  rstdinp(ctx);
  form_output_names(ctx);
  check_period(ctx);
  read_orbit(ctx);
  mean_elements(ctx);
}

void create_output_folders(RunContext& ctx) {
  form_output_names(ctx);
  for (const OutputName& o : output_names(ctx)) {
    const std::filesystem::path parent = std::filesystem::path(o.name).parent_path();
    std::error_code ec;
    if (!parent.empty()) std::filesystem::create_directories(parent, ec);
  }
}

void write_text_reports(RunContext& ctx) {
  open_log_file(ctx);
  form_output_names(ctx);
  ctx.errfl.create(ctx.errfnmfl);
  create_reports(ctx);
  write_reports(ctx);
  declare_success(ctx);
}

void declare_success(RunContext& ctx) {
  ctx.attinf.close();
  ctx.orbinf.close();
  ctx.eclpinf.close();
  ctx.attinfang.close();
  ctx.inderr = 1;
  report::write_success_marker(ctx.errfl, ctx.inderr);
  ctx.errfl.close();
  ctx.loginp.close();
}

}  // namespace kv::driver
