// TLE parser: a good file of several sets, the choice of a set, and a table of bad sets.
#include "orbit/tle.hpp"

#include <gtest/gtest.h>

#include <cctype>

#include "common/run_error.hpp"
#include "common/timescales.hpp"

namespace kv::orbit {
namespace {

// Three sets of one satellite, out of time order; a name line with the "0 " prefix, one
// without, a two-line set; CR LF endings, trailing blanks and an empty line.
const char* const good_file =
    "0 KELVORIN\r\n"
    "1 90001U 24001A   24100.50000000  .00001234  00000-0  12345-3 0  9997\r\n"
    "2 90001  63.4300 123.4567 0123456  45.6789 314.5678 14.12345678 12341  \r\n"
    "\r\n"
    "KELVORIN  \n"
    "1 90001U 24001A   24103.25000000 -.00001234  12345-5 -12345-3 0  1008\n"
    "2 90001  63.4310 110.0000 0123000  46.0000  10.0000 14.12345900 12730\n"
    "1 90001U 24001A   24101.99999999  .00001234  00000-0  12345-3 0  9984\n"
    "2 90001  63.4305 117.0000 0123400  45.9000 200.0000 14.12345800 12553";

TEST(Tle, GoodFileOfSeveralSets) {
  const std::vector<Tle> sets = parse_tles(good_file, "good.tle");
  ASSERT_EQ(sets.size(), 3u);
  EXPECT_EQ(sets[0].name, "KELVORIN");
  EXPECT_EQ(sets[2].name, "");
  EXPECT_EQ(sets[0].file_line, 2);
  EXPECT_EQ(sets[0].line2.size(), 69u);
  const Tle& t = sets[1];
  EXPECT_EQ(t.name, "KELVORIN");
  EXPECT_EQ(t.file_line, 6);
  EXPECT_EQ(t.catnum, 90001);
  EXPECT_EQ(t.classification, 'U');
  EXPECT_EQ(t.intldesg, "24001A");
  EXPECT_EQ(t.epoch_year, 2024);
  EXPECT_EQ(t.epoch_doy, 103.25);
  EXPECT_EQ(t.epoch, (Epoch{2024, 4, 12, 6, 0, 0, 0}));  // day 103 of a leap year
  EXPECT_EQ(t.epoch_days, timdif(t.epoch).days);
  EXPECT_EQ(t.ndot, -0.00001234);
  EXPECT_DOUBLE_EQ(t.nddot, 0.12345e-5);
  EXPECT_DOUBLE_EQ(t.bstar, -0.12345e-3);
  EXPECT_EQ(t.element_number, 100);
  EXPECT_EQ(t.incl_deg, 63.431);
  EXPECT_EQ(t.node_deg, 110.0);
  EXPECT_DOUBLE_EQ(t.ecc, 0.0123);
  EXPECT_EQ(t.argp_deg, 46.0);
  EXPECT_EQ(t.mean_anomaly_deg, 10.0);
  EXPECT_EQ(t.mean_motion_rev_day, 14.123459);
  EXPECT_EQ(t.revnum, 1273);
  // 0.99999999 day is 23:59:59.999136, rounded to the millisecond.
  EXPECT_EQ(sets[2].epoch, (Epoch{2024, 4, 10, 23, 59, 59, 999}));
}

// Two-digit years: 57-99 are 19xx, 00-56 are 20xx (verification set 00005 of Vallado et al.
// and the test set 88888 of Spacetrack Report No. 3, which has no international designator).
TEST(Tle, TwoDigitYearsAndTheDayCount) {
  EXPECT_EQ(tle_days(1957, 1.0), timdif(Epoch{1957, 1, 1, 0, 0, 0, 0}).days);
  EXPECT_EQ(tle_days(2056, 366.5), timdif(Epoch{2056, 12, 31, 12, 0, 0, 0}).days);
  const std::vector<Tle> sets = parse_tles(
      "1 00005U 58002B   00179.78495062  .00000023  00000-0  28098-4 0  4753\n"
      "2 00005  34.2682 348.7242 1859667 331.7664  19.3264 10.82419157413667\n"
      "1 88888U          80275.98708465  .00073094  13844-3  66816-4 0    87\n"
      "2 88888  72.8435 115.9689 0086731  52.6988 110.5714 16.05824518  1058\n",
      "years.tle");
  EXPECT_EQ(sets[0].epoch_year, 2000);
  EXPECT_EQ(sets[1].epoch_year, 1980);
  EXPECT_EQ(sets[1].intldesg, "");
  EXPECT_EQ(sets[1].epoch, (Epoch{1980, 10, 1, 23, 41, 24, 114}));  // day 275.98708465
}

TEST(Tle, ChoosesTheNewestSetNotAfterTheTimeElseTheOldest) {
  const std::vector<Tle> sets = parse_tles(good_file, "good.tle");
  const struct {
    Epoch t;
    int chosen;
  } cases[] = {
      {{2024, 4, 1, 0, 0, 0, 0}, 0},   // before every epoch: the oldest
      {{2024, 4, 9, 12, 0, 0, 0}, 0},  // exactly at the oldest epoch
      {{2024, 4, 10, 23, 59, 59, 998}, 0},
      {{2024, 4, 11, 0, 0, 0, 0}, 2},  // just after 23:59:59.999136
      {{2024, 4, 12, 6, 0, 0, 0}, 1},  // exactly at the newest epoch
      {{2025, 1, 1, 0, 0, 0, 0}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.t[0] << "-" << c.t[1] << "-" << c.t[2] << " " << c.t[3]);
    EXPECT_EQ(&choose_tle(sets, c.t), &sets[static_cast<std::size_t>(c.chosen)]);
  }
}

// Verification set 00005 (Vallado et al., AIAA 2006-6753).
const std::string l1 = "1 00005U 58002B   00179.78495062  .00000023  00000-0  28098-4 0  4753";
const std::string l2 = "2 00005  34.2682 348.7242 1859667 331.7664  19.3264 10.82419157413667";

// The line with `text` written from column `col` (1-based) and its checksum made right again.
std::string edit(std::string line, std::size_t col, const std::string& text) {
  line.replace(col - 1, text.size(), text);
  int sum = 0;
  for (std::size_t k = 0; k < 68; ++k)
    sum += std::isdigit(static_cast<unsigned char>(line[k])) ? line[k] - '0' : line[k] == '-';
  line[68] = static_cast<char>('0' + sum % 10);
  return line;
}

TEST(Tle, BadSetsAreRefusedWithTheLineAndTheFault) {
  const struct {
    std::string text;
    const char* message;  // after " TLE file bad.tle: line "
  } cases[] = {
      {l1.substr(0, 68) + "\n" + l2, "1: element line 1 has 68 characters, not 69"},
      {l1 + "\n" + l2 + "0", "2: element line 2 has 70 characters, not 69"},
      {l1 + "\n", "1: element line 2 (starting \"2 \") expected after line 1"},
      {l1 + "\n" + l1, "2: element line 2 (starting \"2 \") expected after line 1"},
      {l2 + "\n" + l1, "1: element line 2 without its line 1 before it"},
      {"SAT\n" + l2, "2: element line 1 (starting \"1 \") expected after the name line"},
      {"SAT\x01\n" + l1 + "\n" + l2, "1: the name line holds a control character"},
      {"", "1: the file holds no element set"},
      {"\r\n  \n", "1: the file holds no element set"},
      {l1.substr(0, 68) + "4\n" + l2,
       "1: checksum 4 in column 69 differs from 3, the sum of the line modulo 10"},
      // a '-' counts 1: the sum changes from 3 to 4
      {l1.substr(0, 33) + "-" + l1.substr(34) + "\n" + l2,
       "1: checksum 3 in column 69 differs from 4, the sum of the line modulo 10"},
      {l1.substr(0, 68) + "X\n" + l2, "1: column 69 holds 'X', not a checksum digit"},
      {l1 + "\n" + edit(l2, 3, "00006"), "2: catalogue number 00006 differs from 00005 of line 1"},
      {edit(l1, 3, "0000A") + "\n" + l2,
       "1: columns 3-7 (catalogue number) \"0000A\" is not an integer"},
      {edit(l1, 19, "A0") + "\n" + l2,
       "1: columns 19-20 (epoch year) \"A0\" is not a two-digit year"},
      {edit(l1, 21, "179.7849506x") + "\n" + l2,
       "1: columns 21-32 (epoch day of the year) \"179.7849506x\" is not a decimal number"},
      {edit(l1, 19, "23366.00000000") + "\n" + l2,
       "1: epoch day of the year 366.00000000 is outside 1 to 365.99999999 (2023)"},
      {edit(l1, 19, "24000.50000000") + "\n" + l2,
       "1: epoch day of the year 0.50000000 is outside 1 to 366.99999999 (2024)"},
      {edit(l1, 34, " .000.0023") + "\n" + l2,
       "1: columns 34-43 (first derivative of the mean motion) \" .000.0023\" is not a decimal "
       "number"},
      {edit(l1, 45, " 0000-0 ") + "\n" + l2,
       "1: columns 45-52 (second derivative of the mean motion) \" 0000-0 \" is not of the form "
       "\" 12345-3\" (0.12345e-3)"},
      {edit(l1, 54, " 28098 4") + "\n" + l2,
       "1: columns 54-61 (drag term B*) \" 28098 4\" is not of the form \" 12345-3\" (0.12345e-3)"},
      {l1 + "\n" + edit(l2, 9, " 34.2x82"),
       "2: columns 9-16 (inclination) \" 34.2x82\" is not a decimal number"},
      {l1 + "\n" + edit(l2, 27, "18596 7"),
       "2: columns 27-33 (eccentricity) \"18596 7\" is not digits with an implied decimal point"},
      {l1 + "\n" + edit(l2, 64, "4136x"),
       "2: columns 64-68 (revolution number) \"4136x\" is not an integer"},
      {l1 + "\n" + edit(l2, 9, "180.5000"), "2: inclination 180.5000 degrees is outside 0 to 180"},
      {l1 + "\n" + edit(l2, 44, "360.1000"),
       "2: mean anomaly 360.1000 degrees is outside 0 to 360"},
      {l1 + "\n" + edit(l2, 53, " 0.00000000"),
       "2: mean motion 0.00000000 rev/day is not positive"},
      // verification set 04632: 1.2 revolutions a day; 2 pi / no (recovered) = 1197.7397 min
      // by python-sgp4
      {"1 04632U 70093B   04031.91070959 -.00000084  00000-0  10000-3 0  9955\n"
       "2 04632  11.4628 273.1101 1450506 207.6000 143.9350  1.20231981 44145",
       "2: period 1197.74 minutes is 225 minutes or longer: a deep-space set, which this SGP4 "
       "(near-Earth) does not propagate"},
      // 17.5 revolutions a day: semi-major axis below one Earth radius
      {l1 + "\n" + edit(l2, 53, "17.50000000"),
       "2: the set gives no valid state at its epoch (SGP4 error 6: below the Earth's surface)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      parse_tles(c.text, "bad.tle");
      ADD_FAILURE() << "accepted";
    } catch (const RunError& e) {
      const std::string want = std::string("\n TLE file bad.tle: line ") + c.message + "\n";
      EXPECT_EQ(e.status, want);
      EXPECT_EQ(e.out, want);
      EXPECT_EQ(e.log, want);
    }
  }
}

}  // namespace
}  // namespace kv::orbit
