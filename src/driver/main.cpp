// kelvis -- viewing opportunities of the KELVORIN satellite for one request on stdin.
#include <ctime>
#include <iostream>

#include "driver/run.hpp"

int main() { return kv::driver::run(std::cin, std::time(nullptr)); }
