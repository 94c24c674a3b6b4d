// The report bundle: the three reports joined into one text, typeset and converted to PDF.
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "common/child.hpp"
#include "common/run_error.hpp"
#include "report/report.hpp"

namespace kv::report {

namespace {

// The log line for a program that failed with rc (-1: could not be started).
std::string describe_failure(const std::string& program, int rc, const std::string& pdf) {
  if (rc == kTimedOut)
    return strprintf(
        "\nthe program %s did not finish within its time limit: the PDF %s was not "
        "made\n",
        program.c_str(), pdf.c_str());
  if (rc < 0)
    return strprintf("\nunable to run the program %s: the PDF %s was not made\n", program.c_str(),
                     pdf.c_str());
  return strprintf("\nthe program %s failed with status %d: the PDF %s was not made\n",
                   program.c_str(), rc, pdf.c_str());
}

}  // namespace

int run_program(const std::vector<std::string>& argv, double time_limit_s) {
  ChildSpec spec;
  spec.argv = argv;
  spec.time_limit_s = time_limit_s;
  const ChildResult r = run_child(spec);
  if (!r.started) return -1;
  if (r.timed_out) return kTimedOut;
  if (r.signal != 0) return 128 + r.signal;
  // The shell convention for a program that could not be executed after the fork.
  return r.exit_status == 127 ? -1 : r.exit_status;
}

void join_reports(const std::vector<std::string>& names, const std::string& joined) {
  // All are read before the joined text is created.
  std::string text;
  for (const std::string& name : names) {
    std::ifstream in(name, std::ios::binary);
    if (!in) {
      const int e = errno;
      const std::string m = strprintf("unable to read the file %s ", name.c_str());
      fail_file(RunError("", m, m), strprintf("cannot read %s: %s", name.c_str(), std::strerror(e)),
                e);
    }
    text.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  OutFile out;
  out.create(joined);
  out.write(text);
  out.close();
}

namespace {

// The converter reads '%' in its output name as a page-number format; "%%" is a literal '%'.
std::string literal_output_name(const std::string& name) {
  std::string out;
  for (char c : name) {
    if (c == '%') out.push_back('%');
    out.push_back(c);
  }
  return out;
}

bool nonempty_file(const std::string& name) {
  std::error_code ec;
  return std::filesystem::is_regular_file(name, ec) && std::filesystem::file_size(name, ec) > 0 &&
         !ec;
}

}  // namespace

int txt2pdf(const std::string& joined, std::string* problem, double time_limit_s) {
  const std::string base = joined.substr(0, joined.size() - 4);
  const std::string pdf = base + ".pdf";
  // A PDF left by an earlier run must not pass for the result of this one.
  std::error_code ec;
  std::filesystem::remove(pdf, ec);
  const std::vector<std::string> enscript{"enscript",   "-B", "--margins=10:10:", "-o",
                                          base + ".ps", "-f", "Courier@7.3/10",   joined};
  const int rc_ps = run_program(enscript, time_limit_s);
  if (rc_ps != 0) {
    if (problem) *problem = describe_failure("enscript", rc_ps, pdf);
    return rc_ps;
  }
  const int rc = run_program({"ps2pdfwr", base + ".ps", literal_output_name(pdf)}, time_limit_s);
  if (rc != 0) {
    if (problem) *problem = describe_failure("ps2pdfwr", rc, pdf);
    return rc;
  }
  if (!nonempty_file(pdf)) {
    if (problem)
      *problem = strprintf("\nps2pdfwr reported success but the PDF %s is missing or empty\n",
                           pdf.c_str());
    return -1;
  }
  return 0;
}

}  // namespace kv::report
