#include "driver/run.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#include "common/parallel.hpp"
#include "common/run_error.hpp"
#include "common/timescales.hpp"
#include "driver/config.hpp"
#include "driver/context.hpp"
#include "driver/orbit_file.hpp"
#include "driver/outputs.hpp"
#include "driver/planner.hpp"
#include "driver/request.hpp"
#include "driver/setup.hpp"
#include "driver/source_check.hpp"
#include "driver/steps.hpp"
#include "driver/tle_file.hpp"
#include "driver/tokens.hpp"
#include "ephem/ephem.hpp"
#include "orbit/orbit.hpp"
#include "report/json.hpp"
#include "report/plot.hpp"
#include "report/report.hpp"

namespace kv::driver {
namespace {

// Writes the texts of a failure to their destinations (standard output, error file or
// standard error, log file).
void report_failure(RunContext& ctx, const RunError& err) {
  ctx.inderr = 0;
  if (!err.out.empty()) {
    std::fputs(err.out.c_str(), stdout);
    std::fflush(stdout);
  }
  if (!ctx.errfl.is_open() && !err.errfile_to_create.empty()) ctx.errfl.open(err.errfile_to_create);
  if (ctx.errfl.is_open()) {
    ctx.errfl.write_quietly(strprintf("%d\n", ctx.inderr) + err.status);
  } else if (!err.status.empty()) {
    std::fprintf(stderr, "%d\n%s", ctx.inderr, err.status.c_str());
    // The plain-words line below starts a line of its own.
    if (err.status.back() != '\n') std::fputc('\n', stderr);
    std::fflush(stderr);
  }
  // A failure after the log file was closed (while the reports are bundled) is appended.
  if (!err.log.empty() && !ctx.loginp.is_open() && !ctx.logfnm.empty())
    ctx.loginp.open(ctx.logfnm, true);
  if (!err.log.empty()) ctx.loginp.write_quietly(err.log);
  std::fprintf(stderr, "kelvis: %s\n", failure_line(err).c_str());
  std::fflush(stderr);
}

// --source-name: the name shown for the request's source, whose file-name form the request
// holds.
void apply_source_name(RunContext& ctx, const std::string& name) {
  if (name.empty()) return;
  const SourceFault f = check_source({.name = name});
  std::string m;
  if (f != SourceFault::none) {
    m = strprintf("--source-name \"%s\": %s", shown(name).c_str(), source_rule(f));
  } else if (file_name_form(name) != ctx.celnm) {
    m = strprintf("--source-name \"%s\": its file-name form %s is not the request's source %s",
                  shown(name).c_str(), shown(file_name_form(name)).c_str(),
                  shown(ctx.celnm).c_str());
  } else {
    ctx.celnm = name;
    return;
  }
  fail(RunError("", m + "\n", m + "\n"), m);
}

}  // namespace

int bundle(RunContext& ctx, bool make_pdf) {
  const std::string joined = bundle_name(ctx, ".txt");
  report::join_reports({ctx.attfnm, ctx.eclpfnm, ctx.evnoccfnmdsp}, joined);
  if (!make_pdf) return 0;
  std::string problem;
  const int rc = report::txt2pdf(joined, &problem);
  if (rc != 0) {
    if (ctx.loginp.open(ctx.logfnm, true)) ctx.loginp.write_quietly(problem);
    std::fprintf(stderr, "kelvis: %s\n", failure_line(RunError("", problem, "")).c_str());
  }
  return rc;
}

// The provenance block of the JSON document.
report::Provenance provenance(const RunContext& ctx) {
  report::Provenance p;
  p.version = KELVIS_VERSION;
  p.commit = KELVIS_COMMIT;
  p.run_time = ctx.curt;
  p.request_tokens = ctx.request_tokens;
  p.user = ctx.usrnm;
  p.source = ctx.celnm;
  p.satellite = ctx.sid;
  p.tag = ctx.rndnum;
  p.ra_deg = ctx.rasource;
  p.dec_deg = ctx.decsource;
  p.start = ctx.istusr;
  p.end = ctx.ietusr;
  p.roll_sun = ctx.rosvlim;
  p.neg_roll_sun = ctx.nrosvlim;
  p.roll_moon = ctx.romlim;
  p.roll_velocity = ctx.rovellim;
  p.earth_margin = ctx.thetainp;
  p.yaw_sun = ctx.ywsvlim;
  p.angle_flag = ctx.flagcrang;
  p.config_file = "kelvocc_" + ctx.sid + ".std";
  p.config_values = ctx.config_tokens;
  p.orbit_file = ctx.orbfnm;
  p.orbit_sha256 = sha256_hex(in_folder(ctx.datadir, ctx.orbfnm));
  p.orbit_epoch = ctx.iltread;
  p.orbit_number = ctx.iorb;
  p.osculating = ctx.q;
  p.mean = ctx.qm;
  if (!ctx.tle_file.empty()) {
    p.tle_name = ctx.tle.name;
    p.tle_lines = {ctx.tle.line1, ctx.tle.line2};
  }
  for (const OutputName& o : output_names(ctx)) p.outputs.emplace_back(o.role, o.name);
  p.model = ctx.model;
  p.orbit_age_start_days = ctx.tstreadif / daysec;
  p.orbit_age_end_days = ctx.tendinp / daysec;
  p.caveats = report::caveats(ctx.iltread, ctx.tendinp);
  return p;
}

std::string json_text(const RunContext& ctx, bool pdf_made, const report::Answers* answers) {
  const report::Tables t{ctx.views, ctx.totviewdur, ctx.occults, ctx.saa, ctx.eclipses};
  const report::RunTables r{t, ctx.orbits, ctx.model == Model::precise ? &ctx.penumbra : nullptr};
  return report::json_document(provenance(ctx), heading(ctx), timeline(ctx), r,
                               bundle_name(ctx, ".pdf"), pdf_made, answers);
}

std::optional<report::Answers> detect_and_answer(RunContext& ctx, const RunOptions& opt,
                                                 bool with_answers) {
  std::optional<report::Answers> answers;
  if (!with_answers) {
    detect(ctx);
    return answers;
  }
  detect(ctx, [&](const grid::ScanSetup& s, const grid::Samples& g) {
    const PlannerShared p = planner_shared(s, ctx.met.size(), thread_count(ctx.threads));
    answers = driver::answers(ctx, s, g, ctx.met, &p, {opt.season_min, opt.min_window, true});
  });
  return answers;
}

// Writes the JSON document; a failure is reported and makes the exit status -1.
int write_json(RunContext& ctx, const std::string& path, int rc, bool pdf_asked,
               const report::Answers* answers) {
  try {
    OutFile f;
    f.create_replacing(path);
    f.write(json_text(ctx, rc == 0 && pdf_asked, answers));
    f.close();
    return rc;
  } catch (const RunError& err) {
    if (ctx.loginp.open(ctx.logfnm, true)) ctx.loginp.write_quietly(err.log);
    std::fprintf(stderr, "kelvis: %s\n", failure_line(err).c_str());
    return -1;
  }
}

// Draws the plot; a failure is reported and makes the exit status -1.
int write_plot(RunContext& ctx, const std::string& path, int rc, const report::Answers* answers) {
  report::PlotTitle p;
  p.source = ctx.celnm;
  p.orbit_file = ctx.orbfnm;
  p.ra_deg = ctx.rasource;
  p.dec_deg = ctx.decsource;
  p.start = ctx.istusr;
  p.end = ctx.ietusr;
  p.orbit_epoch = ctx.iltread;
  p.roll_sun = ctx.rosvlim;
  p.neg_roll_sun = ctx.nrosvlim;
  p.roll_moon = ctx.romlim;
  p.roll_velocity = ctx.rovellim;
  p.yaw_sun = ctx.ywsvlim;
  p.earth_margin = ctx.thetainp;
  p.model = ctx.model;
  try {
    const report::Tables t{ctx.views, ctx.totviewdur, ctx.occults, ctx.saa, ctx.eclipses};
    std::optional<report::PlotAnswers> pa;
    if (answers) pa = report::PlotAnswers{answers->limit_met, &answers->calendar};
    report::write_plot(path, p, timeline(ctx), ctx.tendinp, t, pa ? &*pa : nullptr);
    return rc;
  } catch (const RunError& err) {
    if (ctx.loginp.open(ctx.logfnm, true)) ctx.loginp.write_quietly(err.log);
    std::fprintf(stderr, "kelvis: %s\n", failure_line(err).c_str());
    return -1;
  }
}

int run(std::istream& in, std::time_t now, const RunOptions& opt) {
  RunContext ctx;
  take_options(ctx, opt);
  try {
    setup(in, now, ctx);
    apply_source_name(ctx, opt.source_name);
    for (const std::string& w : tle_warnings(ctx))
      std::fprintf(stderr, "kelvis: warning: %s\n", w.c_str());
    // The planner's answers, for the JSON document, the plot and a terminal.
    const bool tty = isatty(STDERR_FILENO) != 0;
    const std::optional<report::Answers> answers =
        detect_and_answer(ctx, opt, !opt.json.empty() || !opt.plot.empty() || tty);
    write_reports(ctx);
    declare_success(ctx);
    if (tty && answers) {
      const report::Tables t{ctx.views, ctx.totviewdur, ctx.occults, ctx.saa, ctx.eclipses};
      for (const std::string& line : report::terminal_lines(
               ctx.celnm, ctx.iltread, report::visibility_windows(t).viewact, *answers))
        std::fprintf(stderr, "kelvis: %s\n", line.c_str());
    }
    int rc = bundle(ctx, !opt.no_pdf);
    if (!opt.json.empty())
      rc = write_json(ctx, opt.json, rc, !opt.no_pdf, answers ? &*answers : nullptr);
    if (!opt.plot.empty()) rc = write_plot(ctx, opt.plot, rc, answers ? &*answers : nullptr);
    return rc;
  } catch (const RunError& err) {
    report_failure(ctx, err);
    // A document or plot of an earlier run under the same name must not pass for this one's.
    for (const std::string* f : {&opt.json, &opt.plot})
      if (!f->empty()) std::remove(f->c_str());
    return -1;
  }
}

}  // namespace kv::driver
