// All text of a run: report headers, rows and tails, the view-angle file, the day-wise file
// and the PDF bundle. The writers take the detectors' tables and write through checked files.
//
//   write_occultation_report  header and rows of the occultation report
//   write_view_header         header of the view report
//   write_eclipse_header      header of the eclipse view report
//   write_angle_file          the view-angle file
//   write_orbit_information   the orbit information file
//   write_success_marker      the error file of a successful run
//   write_visibility          visibility and eclipse viewing windows (view windows less
//                             occultations and SAA passages; those in shadow): rows and
//                             tails of the three reports and the day-wise file
//   daywise                   day-wise durations of the visibility and eclipse viewing windows
//   join_reports, txt2pdf     the joined text and its PostScript and PDF
//   run_program               runs an external program without a shell and waits for it
#pragma once

#include <string>
#include <vector>

#include "common/out_file.hpp"
#include "common/tables.hpp"
#include "view/attitude.hpp"

namespace kv::report {

// What the report headers show of a run.
struct Heading {
  std::string celnm;
  double rasource = 0, decsource = 0;  // radians
  Epoch istusr{}, ietusr{}, curt{};
  double tdurs = 0;  // length of the user period, s
};

// What turns orbit times into report rows: epochs, orbit numbers, days of the period.
struct Timeline {
  Epoch iltread{};
  double tstreadif = 0;  // orbit time of the user start, s
  int nuserday = 0;
  int iorb = 0;
  const OrbitTable* orbits = nullptr;
};

// The event tables a run's reports are made from.
struct Tables {
  const EventTable& views;
  double totviewdur;  // minutes
  const EventTable& occults;
  const EventTable& saa;
  const EventTable& eclipses;
};

// The view total as the view report prints it: the sum of the view windows, or 0 when the
// report prints no total line (no window, or a sum of 0).
double printed_view_total(const Tables& t);

// The orbit information file: the orbit file used, its epoch and the mean elements
// (km, degrees); for an orbit from a two-line element set (tle_lines not empty) then a
// line saying so, the set's lines and the SHA-256 of its file.
void write_orbit_information(OutFile& f, const std::string& orbit_file, const Epoch& epoch,
                             const Elements& mean, const std::vector<std::string>& tle_lines = {},
                             const std::string& tle_sha256 = "");
// The error file's text of a successful run: inderr (1) and the completion line.
void write_success_marker(OutFile& f, int inderr);

void write_occultation_report(OutFile& f, const Heading& h, const Timeline& tl,
                              const EventTable& occults);
void write_view_header(OutFile& f, const Heading& h);
void write_eclipse_header(OutFile& f, const Heading& h, bool any_eclipse);
// Elapsed minutes since tstreadif and the five angles in degrees at each grid time t, the
// rows formatted on `threads` threads.
void write_angle_file(OutFile& f, const Heading& h, const std::vector<double>& t, double tstreadif,
                      const std::vector<view::AttAngles>& angles, int threads);

// Rows and tails of the view report, the eclipse view report and the occultation report
// (which is closed), then the day-wise file `daywise_name`, created, written and closed.
void write_visibility(OutFile& view, OutFile& eclipse, OutFile& occult, OutFile& daywise_file,
                      const std::string& daywise_name, const Heading& h, const Timeline& tl,
                      const Tables& t);

// The visibility windows (views - (occults u saa)) and the eclipse viewing windows
// (eclipses n visibility windows) of the tables, as the reports list them.
struct Visibility {
  EventTable viewact, vieweclp;
};
Visibility visibility_windows(const Tables& t);

struct DayTotals {
  std::vector<double> daynight;  // seconds of visibility per elapsed day
  std::vector<double> night;     // seconds of eclipse viewing per elapsed day
};
// Day-wise totals over nuserday days of windows starting tday (days since the user start,
// fractional) with lengths len (seconds). A window longer than a day fills the n following
// days with 86400 s each (n = whole days in its length) and gives its own day nothing.
DayTotals daywise(int nuserday, const std::vector<double>& tday, const std::vector<double>& len,
                  const std::vector<double>& tdayeclp, const std::vector<double>& leneclp);

// Day-wise totals of the visibility and eclipse viewing windows of v over a period of
// span_s seconds: the whole days, and the last partial day when there is one (which the
// day-wise file leaves out).
DayTotals daywise_with_partial(const Timeline& tl, double span_s, const Visibility& v);

// "%18.6f" of v, by std::to_chars.
void append_fixed18(std::string& out, double v);

// Exit status of a program run with argv (argv[0] looked up in PATH), or -1 when it could not
// be started. A program killed by a signal gives 128 + the signal number; one stopped at its
// time limit (seconds; 0 for none) gives kTimedOut.
inline constexpr int kTimedOut = -2;
int run_program(const std::vector<std::string>& argv, double time_limit_s = 0);

// Writes `joined` as the reports `names` one after the other. Throws RunError when a report
// cannot be read or the text written.
void join_reports(const std::vector<std::string>& names, const std::string& joined);

// Typesets `joined` (name ending in ".txt") to base.ps with enscript and converts it to
// base.pdf with ps2pdfwr, under exactly that name whatever characters it holds. Returns 0
// when a non-empty base.pdf was made; otherwise the failed program's exit code, or -1 when a
// program could not be started or reported success without making the PDF, and *problem
// holds the line for the log file. Each program is stopped after time_limit_s seconds
// (kTimedOut).
int txt2pdf(const std::string& joined, std::string* problem, double time_limit_s = 600);

}  // namespace kv::report
