// parse_ra and parse_dec: every accepted form against its value in degrees, and the texts
// refused with their fault.
#include "driver/coordinates.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace kv::test {
namespace {

using driver::AngleForm;

struct Case {
  const char* text;
  AngleForm form;
  double deg;
};

// The Crab nebula, J2000: RA 05h34m31.94s = 83.633083 deg, Dec +22d00m52.2s = 22.014500 deg
// (SIMBAD); the other values follow from the definitions 1h = 15 deg, 1 deg = 60' = 3600".
constexpr Case kRa[] = {
    {"83.633", AngleForm::degrees, 83.633},
    {" 83.633 ", AngleForm::degrees, 83.633},
    {"83.633d", AngleForm::degrees, 83.633},
    {"0", AngleForm::degrees, 0},
    {"5.5755h", AngleForm::hours, 83.6325},
    {"5.5755H", AngleForm::hours, 83.6325},
    {"05:34:31.94", AngleForm::sexagesimal, 83.633083333333333},
    {"05h34m31.94s", AngleForm::sexagesimal, 83.633083333333333},
    {"5:34", AngleForm::sexagesimal, 83.5},
    {"05h34m", AngleForm::sexagesimal, 83.5},
    {"+05:34:31.94", AngleForm::sexagesimal, 83.633083333333333},
    {"00:00:00", AngleForm::sexagesimal, 0},
    {"23:59:59.999", AngleForm::sexagesimal, 359.99999583333333},
    {"24:00:00", AngleForm::sexagesimal, 360},  // the range check (0 to 360) accepts it
};

constexpr Case kDec[] = {
    {"22.0145", AngleForm::degrees, 22.0145},
    {"-22.0145d", AngleForm::degrees, -22.0145},
    {"+22:00:52.2", AngleForm::sexagesimal, 22.0145},
    {"22d00m52.2s", AngleForm::sexagesimal, 22.0145},
    {"-00:30:00", AngleForm::sexagesimal, -0.5},  // the sign applies to the whole
    {"-05:23:28", AngleForm::sexagesimal, -5.3911111111111111},
    {"-90:00:00", AngleForm::sexagesimal, -90},
};

TEST(Coordinates, AcceptedFormsGiveTheirDegrees) {
  for (const Case& c : kRa) {
    SCOPED_TRACE(c.text);
    const driver::Angle a = driver::parse_ra(c.text);
    EXPECT_EQ(a.form, c.form) << a.fault;
    EXPECT_NEAR(a.deg, c.deg, 1e-12);
  }
  for (const Case& c : kDec) {
    SCOPED_TRACE(c.text);
    const driver::Angle a = driver::parse_dec(c.text);
    EXPECT_EQ(a.form, c.form) << a.fault;
    EXPECT_NEAR(a.deg, c.deg, 1e-12);
  }
}

TEST(Coordinates, MalformedTextsAreRefusedWithTheirFault) {
  const struct {
    bool ra;
    const char* text;
    const char* fault;
  } kBad[] = {
      {true, "", "empty"},
      {true, "  ", "empty"},
      {true, "nan", "not a number or a sexagesimal angle"},
      {true, "inf", "not a number or a sexagesimal angle"},
      {true, "1e999", "not a number or a sexagesimal angle"},
      {true, "05:34:31:00", "not a number or a sexagesimal angle"},
      {true, "05:60:00", "the minutes must be below 60"},
      {true, "05:5:00", "the minutes must be two digits"},
      {true, "05:34:60", "the seconds must be below 60"},
      {true, "05:34:1e1", "the seconds must be a decimal number"},
      {true, "05.5:34:00", "the hours must be a whole number"},
      {true, "-05:34:00", "a sexagesimal right ascension has no sign"},
      {true, "05h34m31.94", "not a number or a sexagesimal angle"},
      {true, "22d00m52.2s", "not a number or a sexagesimal angle"},
      {true, "05:+34:00", "the minutes must be two digits"},
      {true, "1,5", "not a number or a sexagesimal angle"},
      {true, "0x10", "not a number or a sexagesimal angle"},
      {true, "11111111111111111111111111111111111111111", "longer than 40 characters"},
      {false, "5h", "hours are for the right ascension only"},
      {false, "05h34m", "hours are for the right ascension only"},
      {false, "+-22", "not a number or a sexagesimal angle"},
      {false, "22d00m52.2", "not a number or a sexagesimal angle"},
      {false, "north", "not a number or a sexagesimal angle"},
  };
  for (const auto& b : kBad) {
    SCOPED_TRACE(b.text);
    const driver::Angle a = b.ra ? driver::parse_ra(b.text) : driver::parse_dec(b.text);
    EXPECT_EQ(a.form, AngleForm::bad);
    EXPECT_EQ(a.fault, b.fault);
    EXPECT_EQ(a.deg, 0);
  }
}

// Round trip: degrees written as h:m:s and d:m:s (to 1e-6 s) read back within 1e-9 deg.
TEST(Coordinates, SexagesimalRoundTripsOverTheSky) {
  for (int k = 0; k < 2000; ++k) {
    const double ra = 360.0 * ((k * 7919) % 2000) / 2000.0;
    const double dec = -90 + 180.0 * ((k * 104729) % 2001) / 2000.0;
    const double h = ra / 15;
    char ra_text[40], dec_text[40];
    const int hh = static_cast<int>(h), mm = static_cast<int>((h - hh) * 60);
    const double a = std::fabs(dec);
    const int dd = static_cast<int>(a), am = static_cast<int>((a - dd) * 60);
    const double ra_s = std::max(0.0, (h - hh - mm / 60.0) * 3600);
    const double dec_s = std::max(0.0, (a - dd - am / 60.0) * 3600);
    if (ra_s >= 59.9999995 || dec_s >= 59.9999995) continue;  // would print as 60 s
    std::snprintf(ra_text, sizeof ra_text, "%02dh%02dm%.6fs", hh, mm, ra_s);
    std::snprintf(dec_text, sizeof dec_text, "%c%02d:%02d:%.6f", dec < 0 ? '-' : '+', dd, am,
                  dec_s);
    SCOPED_TRACE(std::string(ra_text) + " " + dec_text);
    EXPECT_NEAR(driver::parse_ra(ra_text).deg, ra, 1e-9);
    EXPECT_NEAR(driver::parse_dec(dec_text).deg, dec, 1e-9);
  }
}

}  // namespace
}  // namespace kv::test
