// Report rows, tails and the day-wise file from hand-made event tables, for the cases a
// real orbit does not produce.
#include <gtest/gtest.h>

#include "common/run_error.hpp"
#include "driver/steps.hpp"
#include "report/report.hpp"
#include "support/fixture.hpp"

namespace kv::test {
namespace {

using report::daywise;

constexpr double kDay = 86400;

TEST(Daywise, WindowsShorterAndLongerThanADay) {
  // Day 0: 1000 s and 2000 s; day 1: a window of 2.5 days fills days 2 and 3; day 4: a window
  // of exactly one day counts nowhere; day 5 (last partial day): not listed.
  const std::vector<double> tday{0.1, 0.5, 1.2, 4.0, 5.5};
  const std::vector<double> len{1000, 2000, 2.5 * kDay, kDay, 500};
  const std::vector<double> tdayeclp{0.2, 0.3, 1.9};
  const std::vector<double> leneclp{100, 0, 50};
  const report::DayTotals d = daywise(5, tday, len, tdayeclp, leneclp);
  EXPECT_EQ(d.daynight, (std::vector<double>{3000, 0, kDay, kDay, 0}));
  EXPECT_EQ(d.night, (std::vector<double>{100, 50, 0, 0, 0}));
  EXPECT_TRUE(daywise(0, tday, len, tdayeclp, leneclp).daynight.empty());
  // A long window near the end does not reach past the listed days.
  EXPECT_EQ(daywise(2, {0.5}, {5 * kDay}, {}, {}).daynight, (std::vector<double>{0, kDay}));
}

// A report's text after its header (which ends with the column titles).
std::string body(const std::string& report) {
  const std::size_t p = report.find("dur(min)");
  return p == std::string::npos ? report : report.substr(p + 8);
}

class Reports : public ScratchDir {
 protected:
  RunContext ctx = scan_context(kDemoElements, kDay, 3 * kDay);
  void open_reports() {
    ASSERT_TRUE(ctx.attinf.open("view.txt"));
    ASSERT_TRUE(ctx.eclpinf.open("ecl.txt"));
    ASSERT_TRUE(ctx.outoccdsp.open("occ.txt"));
  }
  void finish() {
    driver::write_reports(ctx);
    ctx.attinf.close();
    ctx.eclpinf.close();
  }
};

TEST_F(Reports, ZeroLengthVisibilityRowPrintedZeroLengthEclipseRowNot) {
  open_reports();
  // The orbit-number table is empty here: rows carry the file's orbit number.
  ctx.views.add(kDay, kDay + 1000 * 60.0);
  ctx.totviewdur = 1000;
  ctx.occults.add(kDay + 100 * 60.0, kDay + 1000 * 60.0);  // leaves [start, start + 100 min]
  ctx.saa.add(kDay + 10 * 60.0, kDay + 100 * 60.0);        // leaves [start, start + 10 min]
  ctx.views.add(kDay + 2000 * 60.0, kDay + 2000 * 60.0);   // zero-length view window
  ctx.eclipses.add(kDay + 10 * 60.0, kDay + 20 * 60.0);    // meets it in one point
  finish();
  const std::string view = read("view.txt");
  EXPECT_NE(view.find("\n 001234  2024  03  10  00  00 00 000\t2024  03  10  00  10  00 000  "
                      "        10.000 "),
            std::string::npos)
      << view;
  EXPECT_NE(view.find("2024  03  11  09  20 00 000\t2024  03  11  09  20  00 000           0.000 "),
            std::string::npos)
      << view;
  EXPECT_EQ(view.find("no time"), std::string::npos);
  const std::string ecl = read("ecl.txt");
  EXPECT_EQ(ecl.find("\n 0"), std::string::npos) << ecl;  // the single point is not printed
  EXPECT_EQ(ecl.find("no time"), std::string::npos);      // but it counts as a window
  EXPECT_EQ(
      body(read("occ.txt")),
      "\n001234  2024  03  10  01  40  00  000   2024  03  10  16  40  00  000         900.0000"
      "\n\n\t\t\t\t\t************************\n\n\n");
}

TEST_F(Reports, ViewWindowsAllBlockedGiveTheNoTimeLineAndTheTotal) {
  open_reports();
  ctx.views.add(kDay, kDay + 1000 * 60.0);
  ctx.totviewdur = 1000;
  ctx.occults.add(kDay - 60, kDay + 2000 * 60.0);
  finish();
  const std::string view = body(read("view.txt"));
  const std::string no_time =
      "\n\n\t  no time all the attitude constraints were met for this source for the given period";
  EXPECT_EQ(view.substr(0, no_time.size()), no_time);
  EXPECT_NE(view.find("is : 1000.000000(min)"), std::string::npos);
  EXPECT_EQ(body(read("ecl.txt")), "\n\n\t\t\t\t\t\t\t\tNo eclipse" + no_time +
                                       "\n\n\t\t\t\t************************\n\n\n");
}

TEST_F(Reports, NoOccultationLineAndDayWiseHeaderForAPeriodUnderADay) {
  ctx = scan_context(kDemoElements, kDay, 1.5 * kDay);
  open_reports();
  finish();
  EXPECT_EQ(body(read("occ.txt")),
            "\n\n\t\t\tThere is no occult for this source for the given period"
            "\n\n\t\t\t\t\t************************\n\n\n");
  const std::string plot = read("viewplot_anncrabt_kv1.txt");
  EXPECT_TRUE(plot.ends_with("\n\n\telapsed Day  Dur-Day+Night(sec)   Dur-Night(sec)"));
  EXPECT_NE(plot.find("StartEpoch(UT): 2024 03 10 00 00 00 000 \n\tEndEpoch(UT)  : 2024 03 10 12 "
                      "00 00 000\n"),
            std::string::npos);
}

TEST_F(Reports, DayWiseFileThatCannotBeCreated) {
  open_reports();
  ctx.celnm = "x";
  std::filesystem::create_directory("viewplot_annxt_kv1.txt");
  try {
    driver::write_reports(ctx);
    FAIL() << "no failure";
  } catch (const RunError& e) {
    EXPECT_EQ(e.status, "unable to open the file viewplot_annxt_kv1.txt ");
    EXPECT_EQ(e.log, e.status);
  }
}

}  // namespace
}  // namespace kv::test
