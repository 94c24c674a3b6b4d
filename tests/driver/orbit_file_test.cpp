// Orbit-file lookup over the last eleven days and the reader's checks of a damaged file.
#include "driver/orbit_file.hpp"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/run_error.hpp"
#include "support/fixture.hpp"

namespace kv::test {
namespace {

namespace fs = std::filesystem;
using driver::orbit_file_candidates;

TEST(OrbitFileLookup, NamesAcrossYearAndMonthEnds) {
  const auto jan =
      orbit_file_candidates("orbits/svi_DDD_YYYY.SID", "kv1", {2024, 1, 3, 5, 6, 7, 0});
  ASSERT_EQ(jan.size(), 11u);
  EXPECT_EQ(jan[0], "orbits/svi_003_2024.kv1");
  EXPECT_EQ(jan[1], "orbits/svi_002_2024.kv1");
  EXPECT_EQ(jan[2], "orbits/svi_001_2024.kv1");
  EXPECT_EQ(jan[3], "orbits/svi_365_2023.kv1");
  EXPECT_EQ(jan[10], "orbits/svi_358_2023.kv1");
  const auto mar = orbit_file_candidates("svi_DDD_YYYY.SID", "kv1", {2024, 3, 1, 0, 0, 0, 0});
  EXPECT_EQ(mar[0], "svi_061_2024.kv1");
  EXPECT_EQ(mar[1], "svi_060_2024.kv1");
  const auto y25 = orbit_file_candidates("svi_DDD_YYYY.SID", "kv1", {2025, 1, 1, 0, 0, 0, 0});
  EXPECT_EQ(y25[1], "svi_366_2024.kv1");
  EXPECT_EQ(driver::orbit_file_name("orbits/svi_DDD_YYYY.SID", "kv1", {2024, 3, 5, 0, 0, 0, 0}),
            "orbits/svi_065_2024.kv1");
}

class Lookup : public ScratchDir {};

TEST_F(Lookup, NewestFileWinsAndOlderOnesAreNotRead) {
  const Epoch today{2024, 3, 9, 0, 0, 0, 0}, yesterday{2024, 3, 8, 0, 0, 0, 0};
  spit(dir_ / "svi_069_2024.kv1", orbit_file_text(today, 7, kDemoElements));
  spit(dir_ / "svi_068_2024.kv1", "damaged");
  std::string used;
  const auto rec =
      driver::find_and_read_orbit_file("svi_DDD_YYYY.SID", "kv1", {2024, 3, 9, 12, 0, 0, 0}, used);
  EXPECT_EQ(used, "svi_069_2024.kv1");
  EXPECT_EQ(rec.iorb, 7);
  (void)yesterday;
}

TEST_F(Lookup, TenDaysOldIsFoundElevenDaysOldIsNot) {
  spit(dir_ / "svi_059_2024.kv1", orbit_file_text({2024, 2, 28, 0, 0, 0, 0}, 1, kDemoElements));
  std::string used;
  EXPECT_NO_THROW(
      driver::find_and_read_orbit_file("svi_DDD_YYYY.SID", "kv1", {2024, 3, 9, 0, 0, 0, 0}, used));
  EXPECT_EQ(used, "svi_059_2024.kv1");
  try {
    driver::find_and_read_orbit_file("svi_DDD_YYYY.SID", "kv1", {2024, 3, 10, 0, 0, 0, 0}, used);
    FAIL() << "an eleven-day-old file was used";
  } catch (const RunError& e) {
    // The message names the file of ten days before the run (2024-02-29, day 060).
    const std::string m =
        "\n !!!! Svipazzfile(orbit file) svi_060_2024.kv1 not available.Please download the "
        "latest orbit file from KAVRI website   !!!!";
    EXPECT_EQ(e.out, m);
    EXPECT_EQ(e.status, m);
    EXPECT_EQ(e.log, m);
  }
}

TEST_F(Lookup, EpochAndOrbitNumberFromTheRecord) {
  spit(dir_ / "f", orbit_file_text({2024, 3, 5, 6, 7, 8, 9}, 1234, kDemoElements));
  const auto rec = driver::redsvi(std::fopen("f", "r"), "f", "kv1");
  EXPECT_EQ(rec.iltread, (Epoch{2024, 3, 5, 6, 7, 8, 9}));
  EXPECT_EQ(rec.iorb, 1234);
  EXPECT_EQ(rec.q, kDemoElements);
}

TEST_F(Lookup, DamagedOrbitFilesNameTheFileAndTheFault) {
  const std::string good = orbit_file_text({2024, 3, 5, 6, 7, 8, 9}, 1234, kDemoElements);
  auto line_start = [&](int n) {
    std::size_t p = 0;
    for (int k = 1; k < n; ++k) p = good.find('\n', p) + 1;
    return p;
  };
  auto with_line = [&](int n, const std::string& text) {
    const std::size_t a = line_start(n), b = good.find('\n', a);
    return good.substr(0, a) + text + good.substr(b);
  };
  auto elems = [&](double a, double e) {
    return orbit_file_text({2024, 3, 5, 6, 7, 8, 9}, 1234, {a, e, 6, 100, 45, 30});
  };
  const std::pair<std::string, std::string> cases[] = {
      {good.substr(0, line_start(6)), "line 6 is missing"},
      {"", "line 1 is missing"},
      {with_line(3, "    PBEPC2         " + good.substr(line_start(3) + 19, 54)),
       "line 3 lacks the record tag PBEPC1 in columns 5 to 10"},
      {with_line(3, "   PBEPC1"), "line 3 lacks the record tag PBEPC1 in columns 5 to 10"},
      {with_line(3, "    PBEPC1           2024     3     5"),
       "line 3 lacks the epoch and orbit number fields"},
      {with_line(3, "    PBEPC1           2024    13     5     6     7     8     9  1234"),
       "epoch 2024 13 5 6 7 8 9 is not a UTC time of 2000 to 2099"},
      {with_line(6, "AEI                   7028.137"),
       "line 6 lacks the semi-major axis, eccentricity and inclination"},
      {with_line(7, "WOM                abc"),
       "line 7 lacks the argument of perigee, node and mean anomaly"},
      {with_line(
           7, "WOM                                 nan                 45.0                  30.0"),
       "an orbital element is not a finite number"},
      {elems(6000, 0.001), "semi-major axis 6000.000000 km is not above the Earth's radius"},
      {elems(2e6, 0.1), "semi-major axis 2000000.000000 km is not that of an Earth orbit"},
      {elems(7000, 1.0), "eccentricity 1.000000 is outside [0, 1)"},
      {elems(7000, -0.1), "eccentricity -0.100000 is outside [0, 1)"},
      {elems(7000, 0.5), "perigee radius 3500.000000 km is not above the Earth's radius"},
  };
  for (const auto& [text, why] : cases) {
    SCOPED_TRACE(why);
    spit(dir_ / "f", text);
    try {
      driver::redsvi(std::fopen("f", "r"), "f", "kv1");
      FAIL() << "accepted";
    } catch (const RunError& e) {
      EXPECT_EQ(e.status, "\n orbit file f: " + why + "\n");
      EXPECT_EQ(e.log, e.status);
      EXPECT_EQ(e.out, e.status);
    }
  }
}

TEST_F(Lookup, OverlongLinesAreSplitAt119Characters) {
  // A header of 200 characters counts as two lines, so the record tag is not on line 3.
  std::string text = orbit_file_text({2024, 3, 5, 6, 7, 8, 9}, 1234, kDemoElements);
  text = std::string(200, 'h') + text.substr(text.find('\n'));
  spit(dir_ / "f", text);
  EXPECT_THROW(driver::redsvi(std::fopen("f", "r"), "f", "kv1"), RunError);
}

}  // namespace
}  // namespace kv::test
