// Checks that one input is either accepted with sound values or rejected in the documented
// way. Shared by the mutation tests and the fuzz targets; no test framework inside.
#pragma once

#include <string>

namespace kv::test {

struct Outcome {
  bool accepted = false;
  std::string problem;  // empty when the outcome is a documented one
};

// The request text on standard input.
Outcome check_request(const std::string& text);
// A configuration file for satellite kv1, written to kelvocc_kv1.std in the working folder.
Outcome check_config(const std::string& text);
// An orbit file, written to "orbit.kv1" in the working folder; when accepted, its mean
// elements are formed and the state propagated over two days.
Outcome check_orbit_file(const std::string& text);
// A catalogue file, written to "catalogue.csv" in the working folder.
Outcome check_catalogue(const std::string& text);

}  // namespace kv::test
