// kelvis._kelvis -- the C++ core of the Python module: requests computed in this process by
// the driver's own steps, with the interpreter lock released while they compute.
//
//   run        one request: a Run holding the results (JSON document, text reports)
//   catalogue  one request for many sources: one summary row per source
//   parse_utc  the --now rule: seconds since 1970 of YYYY-MM-DDTHH:MM:SS, or None
//   version    the --version line
//   Failure    raised with (plain-words message, errno or 0) for every failed check
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cstdint>
#include <ctime>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "common/run_error.hpp"
#include "driver/catalogue.hpp"
#include "driver/inprocess.hpp"
#include "driver/options.hpp"
#include "driver/run.hpp"
#include "driver/tle_file.hpp"

namespace py = pybind11;

namespace {

// A computed run: its context and the warnings a batch run prints.
struct Run {
  kv::RunContext ctx;
  std::vector<std::string> warnings;
  kv::report::Answers answers;  // the planner's answers, as the JSON document holds them
};

// The options of the batch program a call passes on, by their command-line names without
// the dashes; an option the batch program does not know is refused.
kv::driver::RunOptions run_options(const py::dict& options) {
  kv::driver::RunOptions opt;
  for (const auto& [key, value] : options) {
    const std::string name = py::str(key);
    if (value.is_none()) continue;
    if (name == "threads") {
      opt.threads = value.cast<int>();
    } else if (name == "tle") {
      opt.tle = value.cast<std::string>();
    } else if (name == "reports") {
      opt.reports = value.cast<std::string>();
    } else if (name == "min-window" || name == "min_window") {
      opt.min_window = value.cast<double>();
    } else if (name == "model") {
      const std::string model = value.cast<std::string>();
      if (model != "classic" && model != "precise")
        throw py::value_error("model must be \"classic\" or \"precise\", not \"" + model + "\"");
      opt.model = model == "precise" ? kv::Model::precise : kv::Model::classic;
    } else {
      throw py::type_error("the batch program of this build has no option --" + name);
    }
  }
  return opt;
}

std::time_t clock_of(std::optional<std::int64_t> now) {
  return now ? static_cast<std::time_t>(*now) : std::time(nullptr);
}

using Row = std::tuple<std::string, double, double, double, double, int, double, std::string,
                       std::string, double>;

}  // namespace

PYBIND11_MODULE(_kelvis, m) {
  m.doc() = "kelvis computed in-process (use the kelvis package, not this module)";
  static py::exception<kv::RunError> failure(m, "Failure", PyExc_Exception);
  py::register_exception_translator([](std::exception_ptr p) {
    try {
      if (p) std::rethrow_exception(p);
    } catch (const kv::RunError& e) {
      const py::tuple args = py::make_tuple(kv::failure_line(e), e.file_errno);
      PyErr_SetObject(failure.ptr(), args.ptr());
    }
  });

  py::class_<Run>(m, "Run")
      .def(
          "json",
          [](const Run& r, bool pdf_made) {
            const py::gil_scoped_release unlocked;
            return kv::driver::json_text(r.ctx, pdf_made, &r.answers);
          },
          py::arg("pdf_made") = false, "the JSON document, as --json writes it")
      .def(
          "write_reports",
          [](const Run& r, const std::string& dir) {
            const py::gil_scoped_release unlocked;
            return kv::driver::write_run_reports(r.ctx, dir);
          },
          py::arg("dir"), "writes the text reports inside dir; returns their names")
      .def_readonly("warnings", &Run::warnings);

  m.def(
      "run",
      [](const std::string& request, std::optional<std::int64_t> now, const std::string& data_dir,
         const py::dict& options) {
        const kv::driver::RunOptions opt = run_options(options);
        auto r = std::make_unique<Run>();
        const py::gil_scoped_release unlocked;
        std::istringstream in(request);
        r->answers = kv::driver::compute_run(in, clock_of(now), opt, data_dir, r->ctx);
        r->warnings = kv::driver::tle_warnings(r->ctx);
        return r;
      },
      py::arg("request"), py::arg("now"), py::arg("data_dir"), py::arg("options"));

  m.def(
      "catalogue",
      [](const std::string& request, std::optional<std::int64_t> now, const std::string& data_dir,
         const py::dict& options, const std::string& csv_path,
         const std::optional<std::string>& csv_text) {
        const kv::driver::RunOptions opt = run_options(options);
        const py::gil_scoped_release unlocked;
        std::vector<kv::driver::CatalogueSource> sources;
        if (csv_text) {
          std::istringstream text(*csv_text);
          sources = kv::driver::read_catalogue(text, csv_path);
        } else {
          sources = kv::driver::read_catalogue(csv_path);
        }
        kv::RunContext base;
        base.datadir = data_dir;
        std::istringstream in(request);
        const auto rows = kv::driver::compute_catalogue(in, clock_of(now), opt, sources, base);
        std::vector<Row> out;
        out.reserve(rows.size());
        for (const kv::report::CatalogueRow& r : rows)
          out.emplace_back(r.name, r.ra_deg, r.dec_deg, r.view_min, r.visibility_min, r.windows,
                           r.longest_min, r.first_start, r.last_start, r.eclipse_viewing_min);
        return out;
      },
      py::arg("request"), py::arg("now"), py::arg("data_dir"), py::arg("options"),
      py::arg("csv_path"), py::arg("csv_text"));

  m.def("parse_utc", &kv::driver::parse_utc, py::arg("text"));
  m.def("version", &kv::driver::version_text);
}
