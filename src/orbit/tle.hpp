// Two-line element sets: the parser of a TLE file and the choice of a set for a time.
//
//   parse_tles  element sets of a TLE file's text (two lines, or three with a name line)
//   tle_days    days since 1900 Jan 1, 0h UTC of a TLE epoch (year and day of year)
//   choose_tle  newest set whose epoch is not after a UTC time, else the oldest
//
// Format: the NORAD two-line element set (Hoots and Roehrich, Spacetrack Report No. 3, 1980,
// appendix; column layout as in Vallado et al., AIAA 2006-6753). The SHA-256 of the file's
// bytes is that of any input file (driver::sha256_hex).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/types.hpp"

namespace kv::orbit {

// One element set as read, in the units of the format.
struct Tle {
  std::string name;   // name line without a leading "0 " and the blanks around it; "" if none
  std::string line1;  // element line 1, 69 characters (trailing CR and blanks removed)
  std::string line2;  // element line 2, 69 characters
  int file_line = 0;  // number of line 1 in the file (1-based), for messages
  int catnum = 0;     // catalogue number (columns 3-7 of both lines)
  char classification = 'U';
  std::string intldesg;   // international designator (columns 10-17), blanks removed
  int epoch_year = 0;     // four-digit year: two-digit 57-99 -> 19xx, 00-56 -> 20xx
  double epoch_doy = 0;   // day of the year and its fraction, 1.0 = Jan 1, 0h UTC
  double epoch_days = 0;  // epoch in days since 1900 Jan 1, 0h UTC (the scale of timdif)
  Epoch epoch{};          // epoch as a UTC calendar date, rounded to the millisecond
  double ndot = 0;        // first time derivative of the mean motion / 2, rev/day^2
  double nddot = 0;       // second time derivative of the mean motion / 6, rev/day^3
  double bstar = 0;       // drag term B*, 1/Earth radii
  int ephemeris_type = 0;
  int element_number = 0;
  double incl_deg = 0;             // inclination, degrees, 0 to 180
  double node_deg = 0;             // right ascension of the ascending node, degrees, 0 to 360
  double ecc = 0;                  // eccentricity, 0 to 0.9999999
  double argp_deg = 0;             // argument of perigee, degrees, 0 to 360
  double mean_anomaly_deg = 0;     // mean anomaly, degrees, 0 to 360
  double mean_motion_rev_day = 0;  // mean motion (Kozai), revolutions per day, > 0
  int revnum = 0;                  // revolution number at the epoch
};

// parse_tles -- the element sets of a TLE file, in the order of the file.
//
// Given:    text  the file's bytes; lines end in LF or CR LF; trailing blanks and empty
//                 lines are ignored
//           file  the file's name, for the messages
// Returned: one Tle per set, at least one
// Notes:    throws RunError (" TLE file <file>: line <n>: <fault>" to standard output, the
//           error file and the log) on: an element line not of 69 characters; line 1 or 2
//           missing or out of order; a checksum (digits plus 1 for each '-', modulo 10) not
//           that of column 69; catalogue numbers that differ; a field that is not a number
//           of its form or is out of range; an epoch day outside the year; a deep-space set
//           (period of 225 minutes or longer); a set without a valid SGP4 state at its epoch;
//           a file without any set.
std::vector<Tle> parse_tles(std::string_view text, const std::string& file);

// tle_days -- days since 1900 Jan 1, 0h UTC of a year (1901-2099) and day of year (1.0 =
// Jan 1, 0h), in the calendar of timdif (leap years every 4 years, exact in that range).
double tle_days(int year, double doy);

// choose_tle -- the newest set whose epoch is not after t, else the oldest.
//
// Given:    sets  element sets (not empty), in any order
//           t     UTC time
// Returned: the chosen set; of sets with equal epochs, the later in the file
const Tle& choose_tle(const std::vector<Tle>& sets, const Epoch& t);

}  // namespace kv::orbit
