// The view-angle file's number format: to_chars gives the bytes of "%18.6f".
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>

#include "report/report.hpp"

namespace kv::report {
namespace {

std::string printf18(double v) {
  char buf[400];
  std::snprintf(buf, sizeof buf, "%18.6f", v);
  return buf;
}

std::string fixed18(double v) {
  std::string s;
  append_fixed18(s, v);
  return s;
}

TEST(Fixed18, SameBytesAsPrintf) {
  // Ties and near-ties of the sixth decimal, signed zeros, tiny negatives that round to
  // -0.000000, widths beyond 18 columns, and the values that are not finite.
  for (double v :
       {0.0, -0.0, 0.0000005, 0.0000015, 2.5e-7, -2.5e-7, -1e-300, 179.9999995, 1e12, -1e12,
        123456789012.345678, 1e300, 0.1, 359.99999949999997,
        std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
        std::nan(""), -std::nan(""), std::numeric_limits<double>::denorm_min()})
    EXPECT_EQ(fixed18(v), printf18(v)) << v;
  std::mt19937_64 rng(20261207);
  std::uniform_real_distribution<double> angle(-360, 360), minutes(0, 576000), wide(-2e7, 2e7);
  for (int k = 0; k < 300000; ++k) {
    const double v = k % 3 == 0 ? angle(rng) : k % 3 == 1 ? minutes(rng) : wide(rng);
    ASSERT_EQ(fixed18(v), printf18(v)) << v;
  }
  // Exact ties of the sixth decimal in binary (k / 2^7 millionths) and their neighbours.
  for (int k = 0; k < 20000; ++k) {
    const double tie = (k + 0.5) / 1e6 * 1.0;
    for (double v : {tie, std::nextafter(tie, 0.0), std::nextafter(tie, 1.0), -tie, k * 0.0078125,
                     359.0 + k * 0.0078125 / 64})
      ASSERT_EQ(fixed18(v), printf18(v)) << v;
  }
}

}  // namespace
}  // namespace kv::report
