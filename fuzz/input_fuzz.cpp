// libFuzzer target: arbitrary bytes as one input of kelvis; KELVIS_FUZZ_CHECK names the check
// (check_request, check_config, check_orbit_file or check_catalogue). An outcome other than
// acceptance with sound values or a documented rejection aborts.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/input_checks.hpp"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const kv::test::Outcome o = kv::test::KELVIS_FUZZ_CHECK(text);
  if (!o.problem.empty()) {
    std::fprintf(stderr, "%s\n", o.problem.c_str());
    std::abort();
  }
  return 0;
}
