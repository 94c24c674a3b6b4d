// Time and calendar: day counts and calendar arithmetic on UTC epochs.
//
//   timdif      1900 day count of an epoch (and its modified Julian date)
//   timdif2000  2000 day count of an epoch (and its modified Julian date)
//   addtimnew   epoch plus seconds, every field normalised (offset of either sign)
//   addtim      epoch plus non-negative seconds, for report times
//   yday        day of the year
//   is_valid_date  whether a year/month/day exists in the calendar of these routines
//
// Calendar: a year divisible by 4 is a leap year (no century rule; exact for 1901-2099).
#pragma once

#include "common/types.hpp"

namespace kv {

struct DayCount {
  double days;  // days and fraction since the scale's zero point
  double mjd;   // modified Julian date of the same instant
};

// Days since 1900 Jan 1, 0h UTC (JD 2415020.5). A year of 0-99 stands for 1900-1999.
DayCount timdif(const Epoch& e);
// Days since 2000 Jan 2, 0h UTC (JD 2451545.5); for the years 2000-2099.
DayCount timdif2000(const Epoch& e);
// base + t seconds, carrying and borrowing through every field.
Epoch addtimnew(const Epoch& base, double t);
// base + t seconds for t >= 0 and a base millisecond field in 0-999.
Epoch addtim(const Epoch& base, double t);
// Day of the year (1-366) of month m, day d in the year of e. A year below 1900 in e is
// rewritten to year + 1900. A month outside 1-12 or a day past the month's end gives 0.
int yday(Epoch& e, int m, int d);

int month_length(int year, int month);
bool is_valid_date(int year, int month, int day);

}  // namespace kv
