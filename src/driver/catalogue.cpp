#include "driver/catalogue.hpp"

#include <unistd.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>

#include "common/parallel.hpp"
#include "common/run_error.hpp"
#include "driver/config.hpp"
#include "driver/coordinates.hpp"
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

// The columns of a catalogue, from its header line.
struct Columns {
  int name = -1, ra = -1, dec = -1;
  bool ra_hours = false;  // ra_hms: a bare number is refused (it would be read as degrees)
};

// The accepted headers, in any letter case, and the column each names.
constexpr struct {
  const char* header;
  int Columns::*column;
} kHeaders[] = {{"name", &Columns::name}, {"source", &Columns::name}, {"target", &Columns::name},
                {"ra", &Columns::ra},     {"ra_deg", &Columns::ra},   {"ra_hms", &Columns::ra},
                {"dec", &Columns::dec},   {"dec_deg", &Columns::dec}, {"dec_dms", &Columns::dec}};

constexpr const char* kHeaderWords =
    "the header names three columns: name (or source, target), ra (or ra_deg, ra_hms) and dec "
    "(or dec_deg, dec_dms), in any letter case and order";

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The columns of a header line, or a fault in words.
std::string read_header(const std::vector<std::string>& f, Columns& cols) {
  if (f.size() != 3) return strprintf("%zu headers instead of 3; %s", f.size(), kHeaderWords);
  for (int k = 0; k < 3; ++k) {
    const std::string h = lower(f[static_cast<std::size_t>(k)]);
    int Columns::*column = nullptr;
    for (const auto& a : kHeaders)
      if (h == a.header) column = a.column;
    if (!column)
      return strprintf("header \"%s\" is not known; %s",
                       shown(f[static_cast<std::size_t>(k)]).c_str(), kHeaderWords);
    if (cols.*column >= 0)
      return strprintf("header \"%s\" names a column twice; %s", shown(h).c_str(), kHeaderWords);
    cols.*column = k;
    if (h == "ra_hms") cols.ra_hours = true;
  }
  return "";
}

// The names already read: each name and its file-name form, with the line of each.
struct SeenNames {
  std::map<std::string, int> names, files;
};

// Why a catalogue row is bad, or "" when it is sound; the source read into src.
std::string row_fault(const std::vector<std::string>& f, const Columns& cols, SeenNames& seen,
                      CatalogueSource& src) {
  if (f.size() != 3) return strprintf("%zu fields instead of 3", f.size());
  const std::string& name = f[static_cast<std::size_t>(cols.name)];
  const std::string& ra_text = f[static_cast<std::size_t>(cols.ra)];
  const std::string& dec_text = f[static_cast<std::size_t>(cols.dec)];
  switch (check_source({.name = name})) {
    case SourceFault::name_empty:
      return "the name is empty";
    case SourceFault::name_too_long:
      return strprintf("name \"%s\" is longer than 24 characters", shown(name).c_str());
    case SourceFault::none:
      break;
    default:
      return strprintf("name \"%s\" holds '/' or a control character", shown(name).c_str());
  }
  const Angle ra = parse_ra(ra_text), dec = parse_dec(dec_text);
  if (ra.form == AngleForm::bad)
    return strprintf("right ascension \"%s\": %s", shown(ra_text).c_str(), ra.fault.c_str());
  if (cols.ra_hours && ra.form == AngleForm::degrees)
    return strprintf(
        "right ascension \"%s\" under ra_hms is a bare number (write 5.5755h or "
        "05:34:31.94)",
        shown(ra_text).c_str());
  if (dec.form == AngleForm::bad)
    return strprintf("declination \"%s\": %s", shown(dec_text).c_str(), dec.fault.c_str());
  const SourceFault where = check_source({.ra_deg = ra.deg, .dec_deg = dec.deg});
  if (where == SourceFault::ra_range)
    return strprintf("right ascension %f is outside 0 to 360", ra.deg);
  if (where == SourceFault::dec_range)
    return strprintf("declination %f is outside -90 to 90", dec.deg);
  if (const auto it = seen.names.find(name); it != seen.names.end())
    return strprintf("name \"%s\" is listed before (line %d)", name.c_str(), it->second);
  const std::string file = file_name_form(name);
  if (const auto it = seen.files.find(file); it != seen.files.end())
    return strprintf("name \"%s\" has the file name %s of the name on line %d", name.c_str(),
                     file.c_str(), it->second);
  seen.names.emplace(name, src.line);
  seen.files.emplace(file, src.line);
  src.name = name;
  src.ra_deg = ra.deg;
  src.dec_deg = dec.deg;
  return "";
}

// The fields of a line, each without the blanks around it.
std::vector<std::string> split(const std::string& line) {
  std::vector<std::string> f(1);
  for (char c : line) {
    if (c == ',') {
      f.emplace_back();
    } else {
      f.back() += c;
    }
  }
  for (std::string& s : f) {
    const std::size_t a = s.find_first_not_of(" \t");
    s = a == std::string::npos ? "" : s.substr(a, s.find_last_not_of(" \t") - a + 1);
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

// A progress line on standard error while it is a terminal, and the progress file (--progress)
// when one is asked for: both at most twice a second and at the end. A progress file that
// cannot be written is left as it is (it is a hint for a waiting reader, not a result).
class Progress {
 public:
  Progress(std::size_t total, std::string file)
      : total_(total), on_(isatty(STDERR_FILENO)), file_(std::move(file)) {
    write_file(0);
  }
  void done_one() {
    const std::size_t n = ++done_;
    if (!on_ && file_.empty()) return;
    const std::lock_guard<std::mutex> lock(m_);
    const double t = seconds();
    if (n != total_ && t - shown_ < kShownEvery_s) return;
    shown_ = t;
    write_file(n);
    if (!on_) return;
    const double rate = static_cast<double>(n) / std::max(t, 1e-9);
    std::fprintf(stderr, "\rkelvis: %zu/%zu sources, %.1f/s, %.0f s left   ", n, total_, rate,
                 static_cast<double>(total_ - n) / rate);
    if (n == total_) std::fputc('\n', stderr);
  }

 private:
  static constexpr double kShownEvery_s = 0.5;
  double seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  }
  void write_file(std::size_t n) const {
    if (file_.empty()) return;
    try {
      report::write_progress(file_, n, total_);
    } catch (const RunError&) {
    }
  }
  std::size_t total_;
  bool on_;
  std::string file_;
  std::atomic<std::size_t> done_{0};
  std::mutex m_;
  double shown_ = -1;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// A name of the form the sky map gives its pixels ("pix" and digits), whose rows and reports
// an overlay source of that name would take.
bool pixel_name(const std::string& name) {
  return name.size() > 3 && name.starts_with("pix") &&
         name.find_first_not_of("0123456789", 3) == std::string::npos;
}

}  // namespace

std::vector<CatalogueSource> read_catalogue(const std::string& path) {
  std::ifstream in(path);
  if (!in) {
    const int e = errno;
    const std::string m =
        strprintf("cannot open the catalogue %s: %s", path.c_str(), std::strerror(e));
    fail_file(RunError("", "", ""), m, e);
  }
  return read_catalogue(in, path);
}

std::vector<CatalogueSource> read_catalogue(std::istream& in, const std::string& path) {
  std::vector<CatalogueSource> out;
  std::vector<std::string> faults;
  SeenNames seen;
  Columns cols;
  bool header = false;
  int n = 0;
  for (std::string line; std::getline(in, line);) {
    ++n;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const std::vector<std::string> f = split(line);
    if (!header) {
      header = true;
      const std::string fault = read_header(f, cols);
      if (!fault.empty()) {
        faults.push_back(strprintf("line %d: %s", n, fault.c_str()));
        break;
      }
      continue;
    }
    CatalogueSource src;
    src.line = n;
    const std::string fault = row_fault(f, cols, seen, src);
    if (!fault.empty()) {
      faults.push_back(strprintf("line %d: %s", n, fault.c_str()));
      continue;
    }
    out.push_back(src);
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

std::vector<report::CatalogueRow> compute_catalogue(std::istream& in, std::time_t now,
                                                    const RunOptions& opt,
                                                    const std::vector<CatalogueSource>& sources,
                                                    RunContext& base) {
  take_options(base, opt);
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
  // search (its source-independent part once for all sources) only for the JSON document,
  // the one output that shows its answer.
  std::optional<PlannerShared> planner;
  if (!opt.json.empty()) planner = planner_shared(s, view::scanned_count(s, g), threads);
  const AnswerOptions answer_opt{opt.season_min, opt.min_window, false};
  if (!opt.reports.empty() && !sources.empty()) {
    RunContext c;
    prepare_source(base, sources.front(), opt.reports, c);
    create_output_folders(c);
  }

  std::vector<report::CatalogueRow> rows(sources.size());
  std::vector<std::string> failures(sources.size());
  Progress progress(sources.size(), opt.progress);
  parallel_for(
      sources.size(), threads,
      [&](std::size_t k) {
        try {
          RunContext c;
          prepare_source(base, sources[k], opt.reports, c);
          detect_source(c, s, g, &geometry, keep_angles, 1);
          const report::Tables t{c.views, c.totviewdur, c.occults, c.saa, c.eclipses};
          rows[k] = report::catalogue_row(c.celnm, c.rasource, c.decsource, timeline(c), t);
          report::Answers a = answers(c, s, g, c.met, planner ? &*planner : nullptr, answer_opt);
          rows[k].seasons = std::move(a.seasons);
          rows[k].why_not = std::move(a.why_not);
          rows[k].next = a.next;
          rows[k].long_windows = std::move(a.long_windows);
          rows[k].iltread = c.iltread;
          if (!opt.reports.empty()) write_text_reports(c);
        } catch (const RunError& e) {
          failures[k] = sources[k].name + ": " + failure_line(e);
        }
        progress.done_one();
      },
      1);
  for (const std::string& f : failures)
    if (!f.empty()) fail(RunError("", "", ""), f);
  return rows;
}

int run_catalogue(std::istream& in, std::time_t now, const RunOptions& opt) {
  try {
    std::vector<CatalogueSource> sources =
        shard_of(opt.sky_nside > 0 ? sky_sources(opt.sky_nside) : read_catalogue(opt.catalogue),
                 opt.shard_k, opt.shard_n);
    // The overlay's sources (pixel -1) join the first shard of a sky map.
    if (!opt.overlay.empty() && opt.shard_k == 0)
      for (const CatalogueSource& o : read_catalogue(opt.overlay)) {
        if (pixel_name(o.name))
          fail(RunError("", "", ""),
               strprintf("overlay %s: line %d: %s is the name of a sky-map pixel; rename it",
                         opt.overlay.c_str(), o.line, o.name.c_str()));
        sources.push_back(o);
      }
    RunContext base;
    const std::vector<report::CatalogueRow> rows = compute_catalogue(in, now, opt, sources, base);
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
