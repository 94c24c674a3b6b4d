#include "driver/outputs.hpp"

#include <filesystem>

#include "common/run_error.hpp"

namespace kv::driver {
namespace {

// The path a name refers to, with "." and ".." and symbolic links of existing folders resolved.
std::filesystem::path resolved(const std::string& name) {
  std::error_code ec;
  const auto abs = std::filesystem::absolute(name, ec);
  if (ec) return std::filesystem::path(name).lexically_normal();
  const auto p = std::filesystem::weakly_canonical(abs, ec);
  return ec ? abs.lexically_normal() : p;
}

std::string described(const OutputName& o) {
  return strprintf("the %s %s (from %s)", o.role.c_str(), o.name.c_str(), o.origin.c_str());
}

}  // namespace

std::string bundle_name(const RunContext& ctx, const char* ext) {
  return ctx.outdir + "view" + ctx.suffix() + ext;
}

std::string daywise_name(const RunContext& ctx) {
  return ctx.outdir + "viewplot_" + ctx.suffix() + ".txt";
}

std::vector<OutputName> output_names(const RunContext& ctx) {
  std::vector<OutputName> out{
      {"error file", ctx.errfnmfl, "the error-file template " + ctx.templates.errfnmfl},
      {"log file", ctx.logfnm, "the fixed name log_<suffix>.out"},
      {"view report", ctx.attfnm, "the view-report template " + ctx.templates.attfnm},
      {"eclipse view report", ctx.eclpfnm, "the eclipse-report template " + ctx.templates.eclpfnm},
      {"occultation report", ctx.evnoccfnmdsp,
       "the occultation-report template " + ctx.templates.evnoccfnmdsp},
      {"orbit information file", ctx.orbinfnm,
       "the orbit-information-file template " + ctx.templates.orbinfnm},
      {"day-wise file", daywise_name(ctx), "the fixed name viewplot_<suffix>.txt"},
      {"joined text", bundle_name(ctx, ".txt"), "the fixed name view<suffix>.txt"},
      {"PostScript file", bundle_name(ctx, ".ps"), "the fixed name view<suffix>.ps"},
      {"PDF", bundle_name(ctx, ".pdf"), "the fixed name view<suffix>.pdf"},
  };
  if (ctx.flagcrang == 1)
    out.insert(out.begin() + 5, {"view-angle file", ctx.attfnmang,
                                 "the view-angle-file template " + ctx.templates.attfnmang});
  return out;
}

void check_distinct_outputs(const RunContext& ctx) {
  const std::vector<OutputName> outs = output_names(ctx);
  std::vector<std::filesystem::path> paths;
  for (const OutputName& o : outs) paths.push_back(resolved(o.name));
  for (std::size_t i = 0; i < outs.size(); ++i)
    for (std::size_t j = i + 1; j < outs.size(); ++j) {
      if (paths[i] != paths[j]) continue;
      const std::string m =
          strprintf("\n output files clash: %s and %s are the same file; nothing was written\n",
                    described(outs[i]).c_str(), described(outs[j]).c_str());
      RunError err("", m, m);
      // The error file is created only when it is not one of the pair.
      if (i != 0) err.errfile_to_create = ctx.errfnmfl;
      throw err;
    }
}

}  // namespace kv::driver
