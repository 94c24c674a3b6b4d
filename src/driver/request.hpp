// Request intake: the 26 tokens of standard input, checked as they are read.
#pragma once

#include <istream>

#include "driver/context.hpp"

namespace kv::driver {

// Reads and checks the request into ctx (usrnm ... rndnum). The right ascension is checked
// before the declination is read, and the declination before the epochs. Throws RunError
// (status text only: no file exists yet) on the first bad token.
void read_request(std::istream& in, RunContext& ctx);

}  // namespace kv::driver
