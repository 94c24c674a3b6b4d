// Visibility combination, reports and the PDF bundle.
//
//   freadsource      runs the five searches, combines their tables into visibility and
//                    eclipse viewing windows, writes the report rows and tails and the
//                    day-wise duration file
//   daywise          day-wise durations of the visibility and eclipse viewing windows
//   join_reports     writes the joined text of the three reports
//   txt2pdf          typesets the joined text to PostScript and converts it to PDF
//   run_program      runs an external program without a shell and waits for it
#pragma once

#include <string>
#include <vector>

#include "common/context.hpp"
#include "report/window.hpp"

namespace kv::report {

void freadsource(RunContext& ctx);
// The part of freadsource after the searches: windows from the event tables of ctx, the
// rows and tails of the view, eclipse view and occultation reports (closing the latter) and
// the day-wise file.
void write_reports(RunContext& ctx);

// Visibility windows (viewspi - (occspi u saaspi)) and eclipse viewing windows
// (eclpspi n viewact) of the event tables in ctx.
struct Combined {
  Window viewact;
  Window vieweclp;
};
Combined combine_windows(const RunContext& ctx);

struct DayTotals {
  std::vector<double> daynight;  // seconds of visibility per elapsed day
  std::vector<double> night;     // seconds of eclipse viewing per elapsed day
};
// Day-wise totals over nuserday days of windows starting tday (days since the user start,
// fractional) with lengths len (seconds). A window longer than a day fills the n following
// days with 86400 s each (n = whole days in its length) and gives its own day nothing.
DayTotals daywise(int nuserday, const std::vector<double>& tday, const std::vector<double>& len,
                  const std::vector<double>& tdayeclp, const std::vector<double>& leneclp);

// Exit status of a program run with argv (argv[0] looked up in PATH), or -1 when it could not
// be started. A program killed by a signal gives 128 + the signal number.
int run_program(const std::vector<std::string>& argv);

// Writes `joined` as the view report, the eclipse view report and the occultation report
// one after the other. Throws RunError when a report cannot be read or the text written.
void join_reports(const RunContext& ctx, const std::string& joined);

// Typesets `joined` (name ending in ".txt") to base.ps with enscript and converts it to
// base.pdf with ps2pdfwr, under exactly that name whatever characters it holds. Returns 0
// when a non-empty base.pdf was made; otherwise the failed program's exit code, or -1 when a
// program could not be started or reported success without making the PDF, and *problem
// holds the line for the log file.
int txt2pdf(const std::string& joined, std::string* problem);

// The log line for a program that failed with rc (-1: could not be started).
std::string describe_failure(const std::string& program, int rc, const std::string& pdf);

}  // namespace kv::report
