// kelvis -- viewing opportunities of the KELVORIN satellite for one request on stdin.
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <iostream>

#include "driver/catalogue.hpp"
#include "driver/options.hpp"
#include "driver/run.hpp"
#include "serve/server.hpp"

int main(int argc, char** argv) {
  kv::driver::RunOptions opt;
  if (const int rc = kv::driver::parse_options(argc, argv, opt); rc >= 0) return rc;
  if (opt.serve) {
    kv::serve::ServeOptions s;
    const auto colon = opt.listen.rfind(':');
    s.host = opt.listen.substr(0, colon);
    s.port = std::stoi(opt.listen.substr(colon + 1));
    s.data = opt.data;
    s.workers = opt.workers;
    s.run_timeout_s = opt.run_timeout_s;
    s.keep_hours = opt.keep_hours;
    s.max_disk_mb = opt.max_disk_mb;
    return kv::serve::serve_main(s);
  }
  if (isatty(STDIN_FILENO))
    std::fputs(
        "kelvis: reading the 26-token request from standard input (end it with Ctrl-D; "
        "kelvis --help describes it)\n",
        stderr);
  const std::time_t now = opt.now.value_or(std::time(nullptr));
  if (!opt.catalogue.empty() || opt.sky_nside > 0)
    return kv::driver::run_catalogue(std::cin, now, opt);
  return kv::driver::run(std::cin, now, opt);
}
