// The request line of the whole-run tests: the typical request (ann, crab, kv1, 2024-03-10
// to 2024-03-12, limits 45 45 10 10 5, no angle file, tag r7), with any token group
// replaced by designated initialisers, e.g. Request{.source = "pole", .ra = "0", .dec = "90"}.
// Tokens are kept as text so that malformed values can be written as they are.
#pragma once

#include <string>

namespace kv::test {

struct Request {
  std::string user = "ann", source = "crab", sid = "kv1", ra = "83.63", dec = "22.01";
  std::string start = "2024 3 10 0 0 0 0", end = "2024 3 12 0 0 0 0";  // y m d h min s ms
  std::string limits = "45 45 10 10 5";  // roll-Sun, negative roll-Sun, Moon, roll velocity, limb
  std::string flag = "0", tag = "r7";    // angle-file flag, run tag

  // The 26 tokens on one line, with its newline.
  std::string text() const {
    return user + " " + source + " " + sid + " " + ra + " " + dec + " " + start + " " + end + " " +
           limits + " " + flag + " " + tag + "\n";
  }
  operator std::string() const { return text(); }  // NOLINT: a request is its text
  // The suffix of the run's file names, e.g. "anncrabr7_kv1".
  std::string suffix() const { return user + source + tag + "_" + sid; }
};

}  // namespace kv::test
