#include "common/timescales.hpp"

#include <cstdio>

namespace kv {
namespace {

constexpr int kDaysBefore[13] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365};
constexpr int kMonthLength[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

bool leap(int year) { return year % 4 == 0; }

// Day count with year offset y and scale constant k (15020: 1900 scale, 51545: 2000 scale).
DayCount daycount(const Epoch& e, int y, int k) {
  int b = static_cast<int>(y * 365.25);
  if (y % 4 == 0 && e[1] <= 2) b -= 1;
  const int n = b + kDaysBefore[e[1] - 1] + e[2] - 1 + k;
  const int secs = (e[3] * 60 + e[4]) * 60 + e[5];
  const double frac = (secs + e[6] * 0.001) / daysec;
  const double mjd = n + frac;
  return {mjd - k, mjd};
}

// Carries fields [from, 3] (hour) into the next coarser field with the given moduli.
void carry(Epoch& r, int from) {
  constexpr int mod[7] = {0, 0, 0, 24, 60, 60, 1000};
  for (int f = from; f >= 3; --f) {
    int q = r[f] / mod[f];
    r[f] -= q * mod[f];
    if (r[f] < 0) {
      r[f] += mod[f];
      q -= 1;
    }
    r[f - 1] += q;
  }
}

void normalise_days(Epoch& r) {
  while (r[2] <= 0) {
    r[1] -= 1;
    if (r[1] <= 0) {
      r[0] -= 1;
      r[1] = 12;
    }
    r[2] += month_length(r[0], r[1]);
  }
  while (r[2] > month_length(r[0], r[1])) {
    r[2] -= month_length(r[0], r[1]);
    r[1] += 1;
    if (r[1] > 12) {
      r[1] -= 12;
      r[0] += 1;
    }
  }
}

// Whole seconds and rounded milliseconds of an offset (halves up for t >= 0).
void split_offset(double t, int& s, int& m) {
  s = static_cast<int>(t);
  m = static_cast<int>((t - s) * 1000 + 0.5);
}

}  // namespace

int month_length(int year, int month) {
  return (month == 2 && leap(year)) ? 29 : kMonthLength[month - 1];
}

bool is_valid_date(int year, int month, int day) {
  return month >= 1 && month <= 12 && day >= 1 && day <= month_length(year, month);
}

DayCount timdif(const Epoch& e) { return daycount(e, e[0] > 1899 ? e[0] - 1900 : e[0], 15020); }

DayCount timdif2000(const Epoch& e) { return daycount(e, e[0] - 2000, 51545); }

Epoch addtimnew(const Epoch& base, double t) {
  Epoch r = base;
  int s, m;
  split_offset(t, s, m);
  r[6] += m;
  r[5] += s;
  carry(r, 6);
  normalise_days(r);
  return r;
}

Epoch addtim(const Epoch& base, double t) {
  Epoch r = base;
  int s, m;
  split_offset(t, s, m);
  r[6] += m;
  if (r[6] > 999) {
    r[6] -= 1000;
    r[5] += 1;
  }
  r[5] += s;
  carry(r, 5);
  normalise_days(r);
  return r;
}

int yday(Epoch& e, int m, int d) {
  const int y = e[0];
  if (y < 1900) e[0] = y + 1900;
  if (m > 12 || m < 1) return 0;
  int len = kDaysBefore[m] - kDaysBefore[m - 1];
  if (m == 2 && leap(y)) len = 29;
  if (d > len) return 0;
  return kDaysBefore[m - 1] + d + ((m > 2 && leap(y) && y > 0) ? 1 : 0);
}

}  // namespace kv
