#include "driver/catalogue.hpp"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>

#include "common/parallel.hpp"
#include "common/run_error.hpp"
#include "driver/config.hpp"
#include "driver/outputs.hpp"
#include "driver/planner.hpp"
#include "driver/request.hpp"
#include "driver/setup.hpp"
#include "driver/skymap.hpp"
#include "driver/source_check.hpp"
#include "driver/steps.hpp"
#include "driver/tle_file.hpp"
#include "driver/tokens.hpp"
#include "ephem/ephem.hpp"
#include "events/events.hpp"
#include "report/catalogue.hpp"
#include "report/skymap.hpp"
#include "view/scan.hpp"

namespace kv::driver {
namespace {

constexpr int kMaxListedRows = 20;

// Why a catalogue row is bad, or "" when it is sound.
std::string row_fault(const std::vector<std::string>& f, std::set<std::string>& names) {
  if (f.size() != 3) return strprintf("%zu fields instead of 3", f.size());
  const std::string& name = f[0];
  switch (check_source({.name = name})) {
    case SourceFault::name_empty:
      return "the name is empty";
    case SourceFault::name_too_long:
      return strprintf("name \"%s\" is longer than 24 characters", shown(name).c_str());
    case SourceFault::none:
      break;
    default:
      return strprintf("name \"%s\" holds '/', a blank or a control character",
                       shown(name).c_str());
  }
  const auto ra = to_double(f[1]), dec = to_double(f[2]);
  if (!ra) return strprintf("right ascension \"%s\" is not a number", shown(f[1]).c_str());
  if (!dec) return strprintf("declination \"%s\" is not a number", shown(f[2]).c_str());
  const SourceFault where = check_source({.ra_deg = *ra, .dec_deg = *dec});
  if (where == SourceFault::ra_range)
    return strprintf("right ascension %f is outside 0 to 360", *ra);
  if (where == SourceFault::dec_range)
    return strprintf("declination %f is outside -90 to 90", *dec);
  if (!names.insert(name).second) return strprintf("name \"%s\" is listed before", name.c_str());
  return "";
}

std::vector<std::string> split(const std::string& line) {
  std::vector<std::string> f(1);
  for (char c : line) {
    if (c == ',') {
      f.emplace_back();
    } else {
      f.back() += c;
    }
  }
  return f;
}

// A run context for one source, with everything the set-up derived for the request.
void prepare_source(const RunShared& base, const CatalogueSource& src, const std::string& dir,
                    RunContext& c) {
  static_cast<RunShared&>(c) = base;
  c.celnm = src.name;
  c.rasource = src.ra_deg;
  c.decsource = src.dec_deg;
  c.fc1 = source_direction(src.ra_deg, src.dec_deg);
  c.threads = 1;
  c.outdir = dir.empty() ? "" : dir + "/";
}

// The text reports of a source, as a single run of it writes them (the bundle aside).
void write_source_reports(RunContext& c) {
  open_log_file(c);
  form_output_names(c);
  c.errfl.create(c.errfnmfl);
  create_reports(c);
  write_reports(c);
  declare_success(c);
}

// Folders that the templates of the outputs name, created once inside dir.
void create_output_folders(const RunContext& base, const CatalogueSource& any,
                           const std::string& dir) {
  RunContext c;
  prepare_source(base, any, dir, c);
  form_output_names(c);
  for (const OutputName& o : output_names(c)) {
    const std::filesystem::path parent = std::filesystem::path(o.name).parent_path();
    std::error_code ec;
    if (!parent.empty()) std::filesystem::create_directories(parent, ec);
  }
}

// A progress line on standard error while it is a terminal.
class Progress {
 public:
  explicit Progress(std::size_t total) : total_(total), on_(isatty(STDERR_FILENO)) {}
  void done_one() {
    const std::size_t n = ++done_;
    if (!on_) return;
    const std::lock_guard<std::mutex> lock(m_);
    const double t = seconds();
    if (n != total_ && t - shown_ < 0.5) return;
    shown_ = t;
    const double rate = static_cast<double>(n) / std::max(t, 1e-9);
    std::fprintf(stderr, "\rkelvis: %zu/%zu sources, %.1f/s, %.0f s left   ", n, total_, rate,
                 static_cast<double>(total_ - n) / rate);
    if (n == total_) std::fputc('\n', stderr);
  }

 private:
  double seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  }
  std::size_t total_;
  bool on_;
  std::atomic<std::size_t> done_{0};
  std::mutex m_;
  double shown_ = -1;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace

std::vector<CatalogueSource> read_catalogue(const std::string& path) {
  std::ifstream in(path);
  if (!in) {
    const int e = errno;
    const std::string m =
        strprintf("cannot open the catalogue %s: %s", path.c_str(), std::strerror(e));
    fail(RunError("", "", ""), m);
  }
  std::vector<CatalogueSource> out;
  std::vector<std::string> faults;
  std::set<std::string> names;
  bool header = false;
  int n = 0;
  for (std::string line; std::getline(in, line);) {
    ++n;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    if (!header) {
      if (line != "name,ra_deg,dec_deg")
        faults.push_back(strprintf("line %d: the header must be name,ra_deg,dec_deg", n));
      header = true;
      continue;
    }
    const std::vector<std::string> f = split(line);
    const std::string fault = row_fault(f, names);
    if (!fault.empty()) {
      faults.push_back(strprintf("line %d: %s", n, fault.c_str()));
      continue;
    }
    out.push_back({f[0], *to_double(f[1]), *to_double(f[2]), n});
  }
  if (faults.empty() && out.empty()) faults.push_back("no source is listed");
  if (!faults.empty()) {
    std::string m =
        strprintf("catalogue %s: %zu bad rows, nothing was computed", path.c_str(), faults.size());
    for (std::size_t k = 0; k < faults.size() && k < kMaxListedRows; ++k) m += "\n  " + faults[k];
    fail(RunError("", "", ""), m);
  }
  return out;
}

std::string summary_name(const RunContext& base, const RunOptions& opt, const char* ext) {
  std::string n = (opt.sky_nside > 0 ? "skymap_" : "catalogue_") + base.suffix();
  if (opt.sky_nside > 0) n += strprintf("_n%d", opt.sky_nside);
  if (opt.shard_n > 1) n += strprintf("_shard%dof%d", opt.shard_k, opt.shard_n);
  return n + ext;
}

std::vector<CatalogueSource> shard_of(const std::vector<CatalogueSource>& all, int k, int n) {
  std::vector<CatalogueSource> out;
  for (std::size_t i = static_cast<std::size_t>(k); i < all.size();
       i += static_cast<std::size_t>(n))
    out.push_back(all[i]);
  return out;
}

int run_catalogue(std::istream& in, std::time_t now, const RunOptions& opt) {
  try {
    const std::vector<CatalogueSource> sources =
        shard_of(opt.sky_nside > 0 ? sky_sources(opt.sky_nside) : read_catalogue(opt.catalogue),
                 opt.shard_k, opt.shard_n);
    RunContext base;
    base.threads = opt.threads;
    base.tle_file = opt.tle;
    base.curt = wall_clock(now);
    read_request(in, base);
    rstdinp(base);
    check_period(base);
    read_orbit(base);
    mean_elements(base);
    for (const std::string& w : tle_warnings(base))
      std::fprintf(stderr, "kelvis: warning: %s\n", w.c_str());
    const int threads = thread_count(opt.threads);
    const bool keep_angles = base.flagcrang == 1 && !opt.reports.empty();
    const grid::ScanSetup s = scan_setup(base);
    const grid::Samples g = grid::user_samples(s, threads, keep_angles);
    detect_shared(base, s, g, threads);
    const std::vector<events::OccultationParts> geometry =
        events::occultation_geometry(g, base.thetainp, threads);
    // The grid's times and masks are kept for the answers (planner.hpp); the next-visible
    // search's source-independent part once for all sources.
    const PlannerShared planner = planner_shared(s, view::scanned_count(s, g), threads);
    const AnswerOptions answer_opt{opt.season_min, opt.min_window, false};
    if (!opt.reports.empty() && !sources.empty())
      create_output_folders(base, sources.front(), opt.reports);

    std::vector<report::CatalogueRow> rows(sources.size());
    std::vector<std::string> failures(sources.size());
    Progress progress(sources.size());
    parallel_for(
        sources.size(), threads,
        [&](std::size_t k) {
          try {
            RunContext c;
            prepare_source(base, sources[k], opt.reports, c);
            detect_source(c, s, g, &geometry, keep_angles, 1);
            const report::Tables t{c.views, c.totviewdur, c.occults, c.saa, c.eclipses};
            rows[k] = report::catalogue_row(c.celnm, c.rasource, c.decsource, timeline(c), t);
            report::Answers a = answers(c, s, g, c.met, &planner, answer_opt);
            rows[k].seasons = std::move(a.seasons);
            rows[k].why_not = std::move(a.why_not);
            rows[k].next = a.next;
            rows[k].long_windows = std::move(a.long_windows);
            rows[k].iltread = c.iltread;
            if (!opt.reports.empty()) write_source_reports(c);
          } catch (const RunError& e) {
            failures[k] = sources[k].name + ": " + failure_line(e);
          }
          progress.done_one();
        },
        1);
    for (const std::string& f : failures)
      if (!f.empty()) fail(RunError("", "", ""), f);
    report::write_catalogue_csv(summary_name(base, opt, ".csv"), rows);
    if (opt.sky_nside > 0) write_sky_map(base, opt, sources, rows);
    if (!opt.json.empty()) {
      report::Provenance p = provenance(base);
      p.outputs = {{"summary", summary_name(base, opt, ".csv")}};
      if (opt.sky_nside > 0) {
        p.outputs.emplace_back("sky map", summary_name(base, opt, ".fits"));
        p.outputs.emplace_back("sky picture", summary_name(base, opt, ".png"));
      }
      if (!opt.reports.empty()) p.outputs.emplace_back("reports folder", opt.reports);
      report::write_catalogue_json(opt.json, p, rows);
    }
    return 0;
  } catch (const RunError& err) {
    if (!err.status.empty()) std::fprintf(stderr, "0\n%s\n", err.status.c_str());
    std::fprintf(stderr, "kelvis: %s\n", failure_line(err).c_str());
    if (!opt.json.empty()) std::remove(opt.json.c_str());
    return -1;
  }
}

}  // namespace kv::driver
