// kelvis -- viewing opportunities of the KELVORIN satellite for one request on stdin.
#include <ctime>
#include <iostream>

#include "driver/options.hpp"
#include "driver/run.hpp"

int main(int argc, char** argv) {
  kv::driver::RunOptions opt;
  if (const int rc = kv::driver::parse_options(argc, argv, opt); rc >= 0) return rc;
  return kv::driver::run(std::cin, std::time(nullptr), opt);
}
