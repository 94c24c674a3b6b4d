// The run driver: one request from a stream, answered in the current working directory.
#pragma once

#include <ctime>
#include <istream>
#include <optional>
#include <string>

#include "driver/context.hpp"
#include "driver/options.hpp"
#include "report/planner.hpp"

namespace kv::driver {

// Runs one request read from `in` with `now` as the run's wall-clock time. Returns the
// process exit status: -1 after any failure (messages written to standard output, the error
// file, standard error and the log file as each failure prescribes).
int run(std::istream& in, std::time_t now, const RunOptions& opt = {});

// Joins the reports of ctx into view<suffix>.txt and, with make_pdf, converts them to PDF: 0
// on success, the converter's exit code when it failed, -1 when a program could not be
// started or made no PDF (each named in the log).
int bundle(RunContext& ctx, bool make_pdf);

// Every detector of the run in ctx and, with `with_answers`, the planner's answers (seasons,
// calendar, per-limit times, next visibility, long windows) from the same grids.
std::optional<report::Answers> detect_and_answer(RunContext& ctx, const RunOptions& opt,
                                                 bool with_answers);

// The JSON document of the run in ctx (after its detectors), byte for byte what --json
// writes; pdf_made: whether the bundle's PDF was made; answers: the planner's answers.
std::string json_text(const RunContext& ctx, bool pdf_made,
                      const report::Answers* answers = nullptr);

}  // namespace kv::driver
