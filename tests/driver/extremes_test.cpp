// Requests at the edges of what the checks accept: every one ends normally with complete,
// finite reports (the PDF programs are replaced by quick stand-ins).
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>

#include "common/run_error.hpp"
#include "common/timescales.hpp"
#include "ephem/ephem.hpp"
#include "support/fixture.hpp"

namespace kv::test {
namespace {

namespace fs = std::filesystem;

// Right ascension and declination of the Sun at 2024-03-10 0h UTC, degrees.
std::array<std::string, 2> sun_ra_dec() {
  const double t = timdif({2024, 3, 10, 0, 0, 0, 0}).days;
  const ephem::SunMoon sm = ephem::surcha(t, -1);
  return {strprintf("%.15f", sm.sun_ra * cdr), strprintf("%.15f", sm.sun_dec * cdr)};
}

class Extremes : public ScratchDir {
 protected:
  void SetUp() override {
    ScratchDir::SetUp();
    install(kEpoch, kEpoch);
    stub_converters();
  }
};

TEST_F(Extremes, EachEndsNormallyWithFiniteReports) {
  const Request cases[] = {
      {.limits = "0 0 0 0 0", .tag = "limits0"},
      {.limits = "90 90 90 90 90", .tag = "limits90"},
      {.limits = "180 180 180 180 180", .tag = "limits180"},
      {.limits = "-180 -180 -180 -180 -180", .tag = "limitsm180"},
      {.ra = "0", .dec = "90", .tag = "northpole"},
      {.ra = "123", .dec = "-90", .tag = "southpole"},
      {.ra = sun_ra_dec()[0], .dec = sun_ra_dec()[1], .tag = "atthesun"},
      {.ra = "0", .dec = "0", .tag = "ra0"},
      {.ra = "360", .dec = "0", .tag = "ra360"},
      {.end = "2024 3 10 0 0 1 0", .tag = "onesecond"},
      {.start = "2024 3 9 0 0 0 0", .end = "2024 3 10 0 0 0 0", .tag = "atepoch"},
      {.start = "2025 3 14 0 0 0 0", .end = "2025 3 15 0 0 0 0", .tag = "after370days"},
      {.end = "2025 4 14 0 0 0 0", .tag = "400days"},
  };
  for (Request c : cases) {
    SCOPED_TRACE(c.tag);
    c.source = "src";
    const RunResult r = run(c);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const std::string sfx = c.suffix();
    EXPECT_EQ(read("err" + sfx + ".out"), "1\n!!!!!!!!!Succesful completion!!!!!!!!!");
    for (const std::string f : {"vrep", "ecl", "occ"}) {
      const std::string text = read(f + sfx + ".txt");
      EXPECT_TRUE(text.ends_with("************************\n\n\n")) << f;
      EXPECT_EQ(text.find("nan"), std::string::npos) << f;
      EXPECT_EQ(text.find("inf"), std::string::npos) << f;
    }
    const std::string plot = read("viewplot_" + sfx + ".txt");
    EXPECT_EQ(plot.find("nan"), std::string::npos);
  }
}

TEST_F(Extremes, SourceAtTheSunsPositionRunsThrough) {
  const RunResult r = run(Request{.source = "sun",
                                  .ra = sun_ra_dec()[0],
                                  .dec = sun_ra_dec()[1],
                                  .end = "2024 3 11 0 0 0 0",
                                  .limits = "-1 -1 -1 -1 5",
                                  .tag = "s"});
  ASSERT_EQ(r.status, 0);
  const std::string view = read("vrepannsuns_kv1.txt");
  // All limits are below every angle; only the step with the Sun exactly on the source (no
  // yaw axis) is out of view, and the Sun moves off it within a minute.
  EXPECT_NE(view.find("Total View duration"), std::string::npos);
}

}  // namespace
}  // namespace kv::test
