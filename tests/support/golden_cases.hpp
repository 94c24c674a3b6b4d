// The end-to-end golden cases: the request and orbit of each folder in tests/data/golden/.
// Shared by the byte-for-byte comparison and the JSON document tests. The expected files are
// regression values (the code's own output).
#pragma once

#include <ostream>
#include <vector>

#include "support/fixture.hpp"

namespace kv::test {

struct GoldenCase {
  const char* name;  // folder under tests/data/golden
  Elements orbit;    // osculating elements of the orbit file
  Request request;
};

// A synchronous equatorial orbit over 100 degrees east at the epoch: no SAA passage.
inline constexpr Elements kSynchronous{42164.17, 0.0001, 0.01, 0.0, 0.0, 253.0};

inline void PrintTo(const GoldenCase& c, std::ostream* os) { *os << c.name; }

inline const std::vector<GoldenCase> kGoldenCases = {
    // Visibility and eclipse viewing windows, with the view-angle file.
    {"windows", kDemoElements, {.flag = "1"}},
    // The roll-velocity limit is never met: no view window.
    {"never_in_view",
     kDemoElements,
     {.end = "2024 3 11 0 0 0 0", .limits = "45 45 10 170 5", .tag = "nv"}},
    // The celestial pole, 84 degrees from the orbital plane: never occulted.
    {"never_occulted",
     kDemoElements,
     {.source = "pole", .ra = "0", .dec = "90", .end = "2024 3 11 6 0 0 0", .tag = "np"}},
    // Twelve hours: the day-wise file holds only its header.
    {"short_period", kDemoElements, {.end = "2024 3 10 12 0 0 0", .tag = "sp"}},
    // One visibility window of three days less a minute: days 1 and 2 hold 86400 s each.
    {"long_window",
     kSynchronous,
     {.source = "pole", .ra = "0", .dec = "90", .end = "2024 3 13 0 0 0 0", .tag = "lw"}},
};

}  // namespace kv::test
