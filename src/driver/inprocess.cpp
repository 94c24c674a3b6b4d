#include "driver/inprocess.hpp"

#include <filesystem>

#include "common/run_error.hpp"
#include "driver/outputs.hpp"
#include "driver/run.hpp"
#include "driver/setup.hpp"
#include "driver/steps.hpp"

namespace kv::driver {

report::Answers compute_run(std::istream& in, std::time_t now, const RunOptions& opt,
                            const std::string& datadir, RunContext& ctx) {
  take_options(ctx, opt);
  ctx.datadir = datadir;
  setup_in_memory(in, now, ctx);
  return *detect_and_answer(ctx, opt, true);
}

std::vector<std::string> write_run_reports(const RunContext& run, const std::string& dir) {
  std::error_code ec;
  if (!dir.empty()) std::filesystem::create_directories(dir, ec);
  RunContext c;
  static_cast<RunShared&>(c) = run;
  static_cast<SourcePart&>(c) = run;
  static_cast<SourceResults&>(c) = run;
  c.threads = run.threads;
  c.outdir = dir.empty() || dir.back() == '/' ? dir : dir + "/";
  create_output_folders(c);
  write_text_reports(c);
  bundle(c, false);
  // The outputs of a batch run that were written here: no PostScript or PDF.
  std::vector<std::string> files;
  for (const OutputName& o : output_names(c))
    if (o.role != "PostScript file" && o.role != "PDF") files.push_back(o.name);
  return files;
}

}  // namespace kv::driver
