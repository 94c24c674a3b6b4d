// Requests at the edges of what the checks accept: every one ends normally with complete,
// finite reports (the PDF programs are replaced by quick stand-ins).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "common/run_error.hpp"
#include "common/timescales.hpp"
#include "ephem/ephem.hpp"
#include "support/fixture.hpp"

namespace kv::test {
namespace {

namespace fs = std::filesystem;

const std::time_t kNow = fixed_now();

struct Extreme {
  std::string name, source, start, end, limits;
};

std::string sun_position() {
  const double t = timdif({2024, 3, 10, 0, 0, 0, 0}).days;
  const ephem::SunMoon sm = ephem::surcha(t, -1);
  return strprintf("%.15f %.15f", sm.sun_ra * cdr, sm.sun_dec * cdr);
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
  const std::string d0 = "2024 3 10 0 0 0 0", d2 = "2024 3 12 0 0 0 0";
  const Extreme cases[] = {
      {"limits0", "83.63 22.01", d0, d2, "0 0 0 0 0"},
      {"limits90", "83.63 22.01", d0, d2, "90 90 90 90 90"},
      {"limits180", "83.63 22.01", d0, d2, "180 180 180 180 180"},
      {"limitsm180", "83.63 22.01", d0, d2, "-180 -180 -180 -180 -180"},
      {"northpole", "0 90", d0, d2, "45 45 10 10 5"},
      {"southpole", "123 -90", d0, d2, "45 45 10 10 5"},
      {"atthesun", sun_position(), d0, d2, "45 45 10 10 5"},
      {"ra0", "0 0", d0, d2, "45 45 10 10 5"},
      {"ra360", "360 0", d0, d2, "45 45 10 10 5"},
      {"onesecond", "83.63 22.01", d0, "2024 3 10 0 0 1 0", "45 45 10 10 5"},
      {"atepoch", "83.63 22.01", "2024 3 9 0 0 0 0", "2024 3 10 0 0 0 0", "45 45 10 10 5"},
      {"after370days", "83.63 22.01", "2025 3 14 0 0 0 0", "2025 3 15 0 0 0 0", "45 45 10 10 5"},
      {"400days", "83.63 22.01", d0, "2025 4 14 0 0 0 0", "45 45 10 10 5"},
  };
  for (const Extreme& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string req = "ann src kv1 " + c.source + " " + c.start + " " + c.end + " " +
                            c.limits + " 0 " + c.name + "\n";
    const RunResult r = run(req, kNow);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const std::string sfx = "annsrc" + c.name + "_kv1";
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
  const RunResult r = run(
      "ann sun kv1 " + sun_position() + " 2024 3 10 0 0 0 0 2024 3 11 0 0 0 0 -1 -1 -1 -1 5 0 s\n",
      kNow);
  ASSERT_EQ(r.status, 0);
  const std::string view = read("vrepannsuns_kv1.txt");
  // All limits are below every angle; only the step with the Sun exactly on the source (no
  // yaw axis) is out of view, and the Sun moves off it within a minute.
  EXPECT_NE(view.find("Total View duration"), std::string::npos);
}

}  // namespace
}  // namespace kv::test
