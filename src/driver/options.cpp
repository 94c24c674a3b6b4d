#include "driver/options.hpp"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>

#include "common/timescales.hpp"
#include "report/plot.hpp"

namespace kv::driver {
namespace {

constexpr const char* kDescription =
    "kelvis: viewing opportunities of the KELVORIN satellite (kv1) for one celestial source.\n"
    "Reads one request of 26 whitespace-separated tokens from standard input and writes the\n"
    "reports of when the source can be observed within the attitude limits and outside\n"
    "Earth occultations and SAA passages, in sunlight and in eclipse.";

constexpr const char* kFooter = R"(Request tokens (standard input):
   1 user name          at most 24 characters, no '/' or control characters
   2 source name        at most 24 characters, no '/' or control characters
   3 satellite id       kv1
   4 right ascension    degrees, 0 to 360
   5 declination        degrees, -90 to +90
   6-12 start           year month day hour minute second millisecond (UTC, 2000-2099)
  13-19 end             the same seven integers; 0 < end - start <= 400 days
  20-24 limits          degrees: roll-Sun, negative-roll-Sun, roll-Moon, roll-velocity,
                        Earth-limb margin
  25 angle-file flag    1 writes the attitude angles of every minute
  26 run tag            at most 99 characters, no '/' or control characters
  Example: ann crab kv1 83.63 22.01 2024 3 10 0 0 0 0 2024 3 12 0 0 0 0 45 45 10 10 5 0 r7

Files read (working folder): kelvocc_<sid>.std, the configuration (ten tokens: output
name templates, orbit-file template, yaw-Sun limit); the newest orbit file of the day of
the run and the ten days before, named from the orbit-file template. The user start must
lie 0 to 370 days after its epoch.

Files written (names from the configuration and the run suffix <user><source><tag>_kv1):
log_<suffix>.out, the error (status) file, the view report, the eclipse view report, the
occultation report, the orbit information file, the view-angle file (flag 1),
viewplot_<suffix>.txt (day-wise durations), view<suffix>.txt, .ps and .pdf (the bundle).

The planner's answers (with --json, --plot, and on a terminal): observing seasons
(maximal runs of UTC days with at least --season-min minutes of visibility); visibility and
eclipse viewing per UTC day and month (windows split at midnight); per attitude limit and
blocker the time it excludes and the time it alone excludes (every other limit met and no
other blocker); for a source never visible, one line naming what blocks it; the next
visibility within 400 days after the period (or, when visible, the next gap of more than
a day); with --min-window, the windows at least that long. See docs/json.md.

Exit status: 0 when the PDF was made; the converter's status when it failed; 255 (-1)
when a check failed or a converter could not be started; 2 after a usage error.)";

}  // namespace

std::string version_text() {
  std::string v = std::string("kelvis ") + KELVIS_VERSION;
  if (std::string(KELVIS_COMMIT).size() > 0) v += std::string(" (commit ") + KELVIS_COMMIT + ")";
  return v;
}

std::optional<std::time_t> parse_utc(const std::string& text) {
  int y, mo, d, h, mi, s;
  char tail;
  if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
      text[16] != ':' ||
      std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &s, &tail) != 6)
    return std::nullopt;
  if (y < 2000 || y > 2099 || !is_valid_date(y, mo, d) || h > 23 || mi > 59 || s > 59 || h < 0 ||
      mi < 0 || s < 0)
    return std::nullopt;
  std::tm tm{};
  tm.tm_year = y - 1900;
  tm.tm_mon = mo - 1;
  tm.tm_mday = d;
  tm.tm_hour = h;
  tm.tm_min = mi;
  tm.tm_sec = s;
  return timegm(&tm);
}

int parse_options(int argc, char** argv, RunOptions& opt) {
  CLI::App app{kDescription, "kelvis"};
  app.footer(kFooter);
  app.set_version_flag("--version", version_text());
  app.add_option("--threads", opt.threads, "threads of the computation (default: all cores)")
      ->check(CLI::Range(1, 1024));
  std::string now;
  app.add_option("--now", now,
                 "the run's wall-clock time, UTC, YYYY-MM-DDTHH:MM:SS (default: the clock); "
                 "it picks the orbit file and heads the view report")
      ->type_name("YYYY-MM-DDTHH:MM:SS")
      ->check([](const std::string& v) {
        return parse_utc(v) ? std::string() : "not a UTC time YYYY-MM-DDTHH:MM:SS of 2000-2099";
      });
  app.add_option("--json", opt.json,
                 "also write the run as a JSON document to FILE (see docs/json.md); a failed "
                 "run removes it")
      ->type_name("FILE");
  app.add_option("--plot", opt.plot,
                 "also draw the run on one page to FILE: PDF, PNG or SVG by its extension; a "
                 "failed run removes it")
      ->type_name("FILE")
      ->check([](const std::string& v) {
        return report::plot_format_known(v) ? std::string()
                                            : "the plot's name must end in .pdf, .png or .svg";
      });
  app.add_option("--tle", opt.tle,
                 "two-line element file: the orbit from the newest set whose epoch is not "
                 "after the start (else the oldest), propagated by SGP4, instead of the "
                 "orbit files; near-Earth sets only (period under 225 minutes)")
      ->option_text("FILE");
  app.add_option("--model", opt.model,
                 "the model set: classic (default; the analytic ephemeris of the 1900 epoch) or "
                 "precise (ERFA: apparent places, Sun and Moon seen from the satellite, IAU "
                 "2006 sidereal time, conical umbra); see the README")
      ->type_name("classic|precise")
      ->transform(CLI::CheckedTransformer(
          std::map<std::string, Model>{{"classic", Model::classic}, {"precise", Model::precise}}));
  app.add_option("--source-name", opt.source_name,
                 "the source's name as reports and documents show it, which may hold blanks "
                 "(\"Cyg X-1\"); the request's source name must be its file-name form, blanks "
                 "as _ (Cyg_X-1)")
      ->type_name("NAME");
  app.add_option("--season-min", opt.season_min,
                 "minutes of visibility a UTC day needs to count in an observing season "
                 "(default 1); seasons are maximal runs of such days")
      ->type_name("MINUTES")
      ->check(CLI::Range(0.0, 1440.0));
  app.add_option("--min-window", opt.min_window,
                 "the JSON document, the catalogue summary and the web page also list the "
                 "visibility windows at least MINUTES long, their count and total")
      ->type_name("MINUTES")
      ->check(CLI::Range(0.0, 576000.0));
  app.add_flag("--no-pdf", opt.no_pdf,
               "join the reports into view<suffix>.txt but make no PostScript or PDF (for a "
               "caller that converts later)");
  auto* catalogue = app.add_option("--catalogue", opt.catalogue,
                                   "run the request for every source of a CSV catalogue (header "
                                   "name,ra,dec; the request's own source is not used): writes "
                                   "catalogue_<suffix>.csv, one summary row per source")
                        ->type_name("FILE");
  app.add_option(
         "--reports", opt.reports,
         "with --catalogue or --sky-map: every source's text reports, named as its single run "
         "names them, inside DIR (created)")
      ->type_name("DIR")
      ->check([](const std::string& v) {
        std::error_code ec;
        std::filesystem::create_directories(v, ec);
        return std::filesystem::is_directory(v, ec) ? std::string()
                                                    : "the folder cannot be created";
      });
  app.add_option("--sky-map", opt.sky_nside,
                 "the sources are the centres of the HEALPix pixels of NSIDE (a "
                 "power of two, 1 to 256): writes skymap_<suffix>_n<NSIDE>.fits "
                 "and .png")
      ->type_name("NSIDE")
      ->excludes(catalogue)
      ->check([](const std::string& v) {
        int n = 0;
        char tail;
        return std::sscanf(v.c_str(), "%d%c", &n, &tail) == 1 && n >= 1 && n <= 256 &&
                       (n & (n - 1)) == 0
                   ? std::string()
                   : "not a power of two from 1 to 256";
      });
  auto* overlay = app.add_option("--overlay", opt.overlay,
                                 "with --sky-map: a catalogue CSV whose sources are marked and "
                                 "named on the picture and added to the summary")
                      ->type_name("FILE");
  auto* progress =
      app.add_option("--progress", opt.progress,
                     "with --catalogue or --sky-map: keep FILE holding the sources done so far, "
                     "as JSON {\"done\": N, \"total\": M} (rewritten whole, at most twice a "
                     "second)")
          ->type_name("FILE");
  std::string shard;
  app.add_option(
         "--shard", shard,
         "with --catalogue or --sky-map: only the sources at positions K, K+N, K+2N, ... (0 <= K < "
         "N); the summary is named with the shard")
      ->type_name("K/N")
      ->check([](const std::string& v) {
        int k = -1, n = 0;
        char tail;
        return std::sscanf(v.c_str(), "%d/%d%c", &k, &n, &tail) == 2 && k >= 0 && k < n
                   ? std::string()
                   : "not K/N with 0 <= K < N";
      });
  CLI::App* serve = app.add_subcommand(
      "serve",
      "serve the web page and JSON API on ADDR:PORT; every run is a batch run in a "
      "scratch folder of its own, with the data folder's configuration and orbit files");
  serve->add_option("--listen", opt.listen, "address and port (default 127.0.0.1:8080)")
      ->type_name("ADDR:PORT")
      ->check([](const std::string& v) {
        const auto c = v.rfind(':');
        int port = -1;
        return c != std::string::npos && c > 0 &&
                       std::sscanf(v.c_str() + c + 1, "%d", &port) == 1 && port >= 0 && port < 65536
                   ? std::string()
                   : "not ADDR:PORT";
      });
  serve->add_option("--data", opt.data, "folder of the configuration and orbit files (default .)")
      ->type_name("DIR")
      ->check(CLI::ExistingDirectory);
  serve->add_option("--workers", opt.workers, "runs at once (default: the cores)")
      ->check(CLI::Range(1, 256));
  serve->add_option("--run-timeout", opt.run_timeout_s, "seconds before a run is stopped (120)")
      ->check(CLI::Range(0.001, 86400.0));
  serve->add_option("--keep-hours", opt.keep_hours, "age of finished runs to remove (24)")
      ->check(CLI::Range(0.001, 8760.0));
  serve
      ->add_option("--max-disk-mb", opt.max_disk_mb,
                   "disk for the run folders, MB; the oldest finished runs make room (1024)")
      ->check(CLI::Range(1.0, 1.0e7));
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << "kelvis: " << e.what() << " (kelvis --help shows the usage)\n";
    return 2;
  }
  opt.serve = serve->parsed();
  if (overlay->count() > 0 && opt.sky_nside == 0) {
    std::cerr << "kelvis: --overlay needs --sky-map (kelvis --help shows the usage)\n";
    return 2;
  }
  if (!now.empty()) opt.now = parse_utc(now);
  if (!shard.empty()) std::sscanf(shard.c_str(), "%d/%d", &opt.shard_k, &opt.shard_n);
  const bool many = !opt.catalogue.empty() || opt.sky_nside > 0;
  if (!many && (!opt.reports.empty() || !shard.empty() || progress->count() > 0)) {
    std::cerr << "kelvis: --reports, --shard and --progress need --catalogue or --sky-map "
                 "(kelvis --help shows the usage)\n";
    return 2;
  }
  if (many && !opt.plot.empty()) {
    std::cerr << "kelvis: --plot draws a single run, not a catalogue (kelvis --help shows the "
                 "usage)\n";
    return 2;
  }
  return -1;
}

}  // namespace kv::driver
