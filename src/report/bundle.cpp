// The report bundle: the three reports joined into one text, typeset and converted to PDF.
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "common/run_error.hpp"
#include "report/report.hpp"

extern char** environ;

namespace kv::report {

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

void join_reports(const RunContext& ctx, const std::string& joined) {
  // All three are read before the joined text is created, which may bear the name of one.
  std::string text;
  for (const std::string* name : {&ctx.attfnm, &ctx.eclpfnm, &ctx.evnoccfnmdsp}) {
    std::ifstream in(*name, std::ios::binary);
    if (!in) {
      const std::string m = strprintf("unable to read the file %s ", name->c_str());
      throw RunError("", m, m);
    }
    text.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  OutFile out;
  out.create(joined);
  out.write(text);
  out.close();
}

int txt2pdf(const std::string& joined, std::string* missing) {
  const std::string base = joined.substr(0, joined.size() - 4);
  const std::vector<std::string> enscript{"enscript",   "-B", "--margins=10:10:", "-o",
                                          base + ".ps", "-f", "Courier@7.3/10",   joined};
  if (run_program(enscript) < 0) {
    if (missing) *missing = "enscript";
    return -1;
  }
  const int rc = run_program({"ps2pdfwr", base + ".ps", base + ".pdf"});
  if (rc < 0 && missing) *missing = "ps2pdfwr";
  return rc;
}

}  // namespace kv::report
