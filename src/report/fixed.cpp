// Fixed-point formatting of the view-angle file without the cost of printf.
#include <charconv>
#include <cmath>
#include <cstdio>

#include "report/report.hpp"

namespace kv::report {

// append_fixed18 -- the bytes "%18.6f" gives: six decimals, right-aligned in 18 columns.
// Finite values go through std::to_chars (correctly rounded, as printf); others through
// snprintf.
void append_fixed18(std::string& out, double v) {
  constexpr int kWidth = 18;
  char buf[400];
  int n = 0;
  if (std::isfinite(v)) {
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 6);
    n = static_cast<int>(r.ptr - buf);
  } else {
    n = std::snprintf(buf, sizeof buf, "%.6f", v);
  }
  if (n < kWidth) out.append(static_cast<std::size_t>(kWidth - n), ' ');
  out.append(buf, static_cast<std::size_t>(n));
}

}  // namespace kv::report
