// Day counts, calendar additions and day of year against the documented reference values.
#include "common/timescales.hpp"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(Timdif2000, ReferenceDates) {
  EXPECT_EQ(timdif2000({2000, 1, 1, 0, 0, 0, 0}).days, -1.0);
  EXPECT_EQ(timdif2000({2000, 1, 1, 0, 0, 0, 0}).mjd, 51544.0);
  EXPECT_EQ(timdif2000({2000, 1, 1, 12, 0, 0, 0}).days, -0.5);
  EXPECT_EQ(timdif2000({2000, 3, 1, 0, 0, 0, 0}).days, 59.0);
  EXPECT_EQ(timdif2000({2001, 1, 1, 0, 0, 0, 0}).days, 365.0);
  const DayCount d = timdif2000({2024, 3, 5, 6, 7, 8, 9});  // 8829 days + 22028.009 s
  EXPECT_DOUBLE_EQ(d.days, 8829.254953807867);
  EXPECT_DOUBLE_EQ(d.mjd, 60374.25495380787);
}

TEST(Timdif, ReferenceDatesAndTwoDigitYears) {
  EXPECT_EQ(timdif({1900, 3, 1, 0, 0, 0, 0}).days, 59.0);
  EXPECT_EQ(timdif({1901, 1, 1, 0, 0, 0, 0}).days, 365.0);
  EXPECT_EQ(timdif({2000, 1, 1, 0, 0, 0, 0}).days, 36524.0);
  EXPECT_EQ(timdif({2000, 1, 1, 0, 0, 0, 0}).mjd, 51544.0);
  EXPECT_EQ(timdif({99, 7, 4, 5, 6, 7, 8}).days, timdif({1999, 7, 4, 5, 6, 7, 8}).days);
  EXPECT_EQ(timdif({2024, 1, 1, 0, 0, 0, 0}).days, 45290.0);
}

TEST(DayCounts, DifferByTheirConstantsEverywhere) {
  for (int y = 2000; y < 2100; y += 7)
    for (int m = 1; m <= 12; m += 5) {
      const Epoch e{y, m, 28, 13, 14, 15, 16};
      SCOPED_TRACE(y * 100 + m);
      EXPECT_NEAR(timdif(e).days - timdif2000(e).days, 36525.0, 1e-9);
      EXPECT_EQ(timdif(e).mjd, timdif2000(e).mjd);
    }
}

TEST(Addtimnew, BorrowsAndCarriesAcrossMonthsAndYears) {
  EXPECT_EQ(addtimnew({2024, 3, 1, 0, 0, 0, 0}, -86400), (Epoch{2024, 2, 29, 0, 0, 0, 0}));
  EXPECT_EQ(addtimnew({2023, 3, 1, 0, 0, 0, 0}, -86400), (Epoch{2023, 2, 28, 0, 0, 0, 0}));
  EXPECT_EQ(addtimnew({2024, 1, 1, 0, 0, 0, 0}, -864000), (Epoch{2023, 12, 22, 0, 0, 0, 0}));
  EXPECT_EQ(addtimnew({2100, 2, 28, 12, 0, 0, 0}, 86400), (Epoch{2100, 2, 29, 12, 0, 0, 0}));
  EXPECT_EQ(addtimnew({1900, 2, 28, 12, 0, 0, 0}, 86400), (Epoch{1900, 2, 29, 12, 0, 0, 0}));
  // A base millisecond field out of range is normalised.
  EXPECT_EQ(addtimnew({2024, 12, 31, 23, 59, 59, 2500}, 0), (Epoch{2025, 1, 1, 0, 0, 1, 500}));
}

TEST(Addtim, ReportTimes) {
  EXPECT_EQ(addtim({2100, 2, 28, 12, 0, 0, 0}, 86400), (Epoch{2100, 2, 29, 12, 0, 0, 0}));
  EXPECT_EQ(addtim({1900, 2, 28, 12, 0, 0, 0}, 86400), (Epoch{1900, 2, 29, 12, 0, 0, 0}));
  EXPECT_EQ(addtim({2023, 12, 31, 23, 59, 59, 500}, 0.5), (Epoch{2024, 1, 1, 0, 0, 0, 0}));
  EXPECT_EQ(addtim({2023, 12, 31, 23, 59, 59, 500}, 1.9996), (Epoch{2024, 1, 1, 0, 0, 1, 500}));
}

TEST(Addtim, AgreesWithAddtimnewForNonNegativeOffsets) {
  const Epoch base{2024, 2, 27, 22, 58, 59, 999};
  for (double t = 0; t < 4e7; t = t * 1.7 + 12.3456) {
    SCOPED_TRACE(t);
    EXPECT_EQ(addtim(base, t), addtimnew(base, t));
  }
}

TEST(Yday, ReferenceDaysAndOutOfLimits) {
  Epoch e{2024, 3, 1, 0, 0, 0, 0};
  EXPECT_EQ(yday(e, 3, 1), 61);
  e = {2023, 3, 1, 0, 0, 0, 0};
  EXPECT_EQ(yday(e, 3, 1), 60);
  e = {2024, 12, 31, 0, 0, 0, 0};
  EXPECT_EQ(yday(e, 12, 31), 366);
  e = {2023, 12, 31, 0, 0, 0, 0};
  EXPECT_EQ(yday(e, 12, 31), 365);
  e = {96, 3, 1, 0, 0, 0, 0};
  EXPECT_EQ(yday(e, 3, 1), 61);  // the two-digit year 96 is a leap year
  EXPECT_EQ(e[0], 1996);
  e = {2024, 2, 30, 0, 0, 0, 0};
  EXPECT_EQ(yday(e, 2, 30), 0);
  EXPECT_EQ(yday(e, 13, 1), 0);
}

}  // namespace
}  // namespace kv
