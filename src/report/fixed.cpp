// Fixed-point formatting of the view-angle file without the cost of printf.
#include <charconv>
#include <cmath>
#include <cstdio>

#include "report/report.hpp"

namespace kv::report {

namespace {

// Six-decimal rounding of |v| < 1e7 in integers, when the product v * 1e6 (within 1.2e-3 of
// the exact product) is not near a tie: the digits printf gives; false otherwise.
bool fixed6_by_integer(double v, char* buf, int& n) {
  const double a = std::fabs(v);
  if (!(a < 1e7)) return false;
  const double scaled = a * 1e6;
  const double whole = std::floor(scaled);
  const double frac = scaled - whole;
  if (std::fabs(frac - 0.5) < 0.01) return false;
  const auto units = static_cast<unsigned long long>(whole) + (frac > 0.5 ? 1 : 0);
  char* p = buf;
  if (std::signbit(v)) *p++ = '-';
  p = std::to_chars(p, buf + 64, units / 1000000).ptr;
  *p++ = '.';
  unsigned long long micro = units % 1000000;
  for (int d = 5; d >= 0; --d) {
    p[d] = static_cast<char>('0' + micro % 10);
    micro /= 10;
  }
  n = static_cast<int>(p + 6 - buf);
  return true;
}

}  // namespace

// append_fixed18 -- the bytes "%18.6f" gives: six decimals, right-aligned in 18 columns.
// Values of view-angle files go through integer digits; others through std::to_chars
// (correctly rounded, as printf) or, when not finite, snprintf.
void append_fixed18(std::string& out, double v) {
  constexpr int kWidth = 18;
  char buf[400];
  int n = 0;
  if (fixed6_by_integer(v, buf, n)) {
  } else if (std::isfinite(v)) {
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 6);
    n = static_cast<int>(r.ptr - buf);
  } else {
    n = std::snprintf(buf, sizeof buf, "%.6f", v);
  }
  if (n < kWidth) out.append(static_cast<std::size_t>(kWidth - n), ' ');
  out.append(buf, static_cast<std::size_t>(n));
}

}  // namespace kv::report
