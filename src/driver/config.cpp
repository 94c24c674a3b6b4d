#include "driver/config.hpp"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <vector>

#include "common/run_error.hpp"
#include "driver/tokens.hpp"

namespace kv::driver {
namespace {

constexpr const char* kTemplateNames[10] = {"error-file template",
                                            "satellite name",
                                            "satellite id",
                                            "occultation-report template",
                                            "view-report template",
                                            "view-angle-file template",
                                            "eclipse-report template",
                                            "orbit-file template",
                                            "orbit-information-file template",
                                            "yaw-Sun limit"};

// A failure of the configuration: message to the log file and, when the error-file
// template (token 1) is usable, to the error file created from it.
[[noreturn]] void config_failure(const std::vector<std::string>& tok, const RunContext& ctx,
                                 const std::string& log_msg, const std::string& status_msg) {
  RunError err("", status_msg, log_msg);
  if (!tok.empty() && tok[0].size() >= 8)
    err.errfile_to_create = name_from_template(tok[0], ctx, ".out");
  throw err;
}

}  // namespace

std::string name_from_template(const std::string& tmpl, const RunContext& ctx, const char* ext) {
  return tmpl.substr(0, tmpl.size() - 8) + ctx.suffix() + ext;
}

std::string in_folder(const std::string& folder, const std::string& name) {
  if (folder.empty() || name.empty() || name.front() == '/') return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

void rstdinp(RunContext& ctx) { read_config(ctx.datadir, ctx); }

void read_config(const std::string& folder, RunContext& ctx) {
  const std::string fname = "kelvocc_" + ctx.sid + ".std";
  ctx.attfnm.clear();
  ctx.eclpfnm.clear();
  ctx.evnoccfnmdsp.clear();
  std::ifstream in(in_folder(folder, fname));
  if (!in) {
    const int e = errno;
    fail_file(
        RunError("", "", strprintf("\nunable to open the File %s ", fname.c_str())),
        strprintf("cannot open the configuration file %s: %s", fname.c_str(), std::strerror(e)), e);
  }

  std::vector<std::string> tok;
  bool too_long = false;
  while (tok.size() < 10 && !too_long) {
    auto t = next_token(in, &too_long);
    if (!t) break;
    tok.push_back(*t);
  }
  auto short_msg = [&] {
    return strprintf("\n configuration file %s holds %zu of its ten tokens\n", fname.c_str(),
                     tok.size());
  };
  if (too_long) {
    const std::string m = strprintf(
        "\n configuration file %s: token %zu is longer than %zu "
        "characters\n",
        fname.c_str(), tok.size(), kMaxToken);
    config_failure(tok, ctx, m, m);
  }
  if (tok.size() < 3) config_failure(tok, ctx, short_msg(), short_msg());
  if (tok[2] != ctx.sid)
    config_failure(
        tok, ctx,
        strprintf("\n Input sat Id %s doesn't match with the sat Id from the file",
                  ctx.sid.c_str()),
        strprintf("Input sat Id %s doesn't match with the sat Id from the file", ctx.sid.c_str()));
  if (tok.size() < 10) config_failure(tok, ctx, short_msg(), short_msg());
  for (int k : {0, 3, 4, 5, 6, 7, 8}) {
    const std::size_t need = (k == 7) ? 12 : 8;
    if (tok[k].size() < need) {
      const std::string m = strprintf(
          "\n configuration file %s: %s \"%s\" is shorter than its %zu placeholder characters\n",
          fname.c_str(), kTemplateNames[k], shown(tok[k]).c_str(), need);
      config_failure(tok, ctx, m, m);
    }
  }
  const auto yaw = to_double(tok[9]);
  if (!yaw || !std::isfinite(*yaw)) {
    const std::string m = strprintf("\n configuration file %s: %s \"%s\" is not a finite number\n",
                                    fname.c_str(), kTemplateNames[9], shown(tok[9]).c_str());
    config_failure(tok, ctx, m, m);
  }
  ctx.errfnmfl = tok[0];
  ctx.satnamtle = tok[1];
  ctx.evnoccfnmdsp = tok[3];
  ctx.attfnm = tok[4];
  ctx.attfnmang = tok[5];
  ctx.eclpfnm = tok[6];
  ctx.orbfnm1 = tok[7];
  ctx.orbinfnm = tok[8];
  ctx.ywsvlim = *yaw;
  ctx.templates = {tok[0], tok[3], tok[4], tok[5], tok[6], tok[8]};
  ctx.config_tokens = tok;
}

}  // namespace kv::driver
