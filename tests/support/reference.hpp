// The reference tables of tests/data/reference/ (independent values; each file's header
// says how they were made).
#pragma once

#include <fstream>
#include <string>
#include <vector>

namespace kv::test {

// The data rows of a reference file, split at commas: comment lines (#) and the column
// header skipped.
inline std::vector<std::vector<std::string>> reference_rows(const char* name) {
  std::ifstream in(std::string(KELVIS_SOURCE_DIR) + "/tests/data/reference/" + name);
  std::vector<std::vector<std::string>> out;
  bool header = true;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    if (header) {
      header = false;
      continue;
    }
    std::vector<std::string> f(1);
    for (char c : line)
      if (c == ',')
        f.emplace_back();
      else
        f.back().push_back(c);
    out.push_back(f);
  }
  return out;
}

}  // namespace kv::test
