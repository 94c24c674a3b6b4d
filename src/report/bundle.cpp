// The report bundle: the three reports joined into one text, typeset and converted to PDF.
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "common/run_error.hpp"
#include "report/report.hpp"

extern char** environ;

namespace kv::report {

namespace {

// The log line for a program that failed with rc (-1: could not be started).
std::string describe_failure(const std::string& program, int rc, const std::string& pdf) {
  if (rc < 0)
    return strprintf("\nunable to run the program %s: the PDF %s was not made\n", program.c_str(),
                     pdf.c_str());
  return strprintf("\nthe program %s failed with status %d: the PDF %s was not made\n",
                   program.c_str(), rc, pdf.c_str());
}

}  // namespace

int run_program(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid;
  if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return -1;
  if (WIFEXITED(status)) {
    // The shell convention for a program that could not be executed after the fork.
    return WEXITSTATUS(status) == 127 ? -1 : WEXITSTATUS(status);
  }
  return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

void join_reports(const std::vector<std::string>& names, const std::string& joined) {
  // All are read before the joined text is created.
  std::string text;
  for (const std::string& name : names) {
    std::ifstream in(name, std::ios::binary);
    if (!in) {
      const int e = errno;
      const std::string m = strprintf("unable to read the file %s ", name.c_str());
      fail(RunError("", m, m), strprintf("cannot read %s: %s", name.c_str(), std::strerror(e)));
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

int txt2pdf(const std::string& joined, std::string* problem) {
  const std::string base = joined.substr(0, joined.size() - 4);
  const std::string pdf = base + ".pdf";
  // A PDF left by an earlier run must not pass for the result of this one.
  std::error_code ec;
  std::filesystem::remove(pdf, ec);
  const std::vector<std::string> enscript{"enscript",   "-B", "--margins=10:10:", "-o",
                                          base + ".ps", "-f", "Courier@7.3/10",   joined};
  const int rc_ps = run_program(enscript);
  if (rc_ps != 0) {
    if (problem) *problem = describe_failure("enscript", rc_ps, pdf);
    return rc_ps;
  }
  const int rc = run_program({"ps2pdfwr", base + ".ps", literal_output_name(pdf)});
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
