#include "driver/options.hpp"

#include <CLI/CLI.hpp>
#include <iostream>

namespace kv::driver {

int parse_options(int argc, char** argv, RunOptions& opt) {
  CLI::App app{
      "kelvis: viewing opportunities of the KELVORIN satellite (kv1) for one source.\n"
      "Reads a request of 26 tokens from standard input."};
  app.set_version_flag("--version", std::string("kelvis ") + KELVIS_VERSION);
  app.add_option("--threads", opt.threads, "threads of the computation (default: all cores)")
      ->check(CLI::Range(1, 1024));
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << "kelvis: " << e.what() << " (kelvis --help shows the usage)\n";
    return 2;
  }
  return -1;
}

}  // namespace kv::driver
