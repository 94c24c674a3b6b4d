// libFuzzer target: arbitrary bytes as the request input; an outcome other than acceptance with
// sound values or a documented rejection aborts.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/input_checks.hpp"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const kv::test::Outcome o = kv::test::check_request(text);
  if (!o.problem.empty()) {
    std::fprintf(stderr, "%s\n", o.problem.c_str());
    std::abort();
  }
  return 0;
}
