// The JSON document of a run: windows equal to the report rows to the millisecond, the
// orbit file's SHA-256 as sha256sum gives it, and no document after a failure.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "common/run_error.hpp"
#include "report/report.hpp"
#include "support/golden_cases.hpp"

namespace kv::test {
namespace {

using nlohmann::json;

class Json : public ScratchDir {
 protected:
  RunResult run_json(const Request& request, const Elements& q = kDemoElements,
                     Model model = Model::classic) {
    install(kEpoch, kEpoch, 1234, q);
    driver::RunOptions opt;
    opt.json = "run.json";
    opt.model = model;
    return run(request.text(), opt);
  }
};

// The rows of a report: orbit, entry, exit (ISO) and the printed minutes. A row is a line
// of sixteen numbers: orbit, entry and exit epochs of seven fields each, minutes.
std::vector<std::tuple<int, std::string, std::string, double>> rows(const std::string& text) {
  std::vector<std::tuple<int, std::string, std::string, double>> out;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    int orb, a[7], b[7];
    double minutes;
    char tail;
    if (std::sscanf(line.c_str(), "%d %d %d %d %d %d %d %d %d %d %d %d %d %d %d %lf %c", &orb,
                    &a[0], &a[1], &a[2], &a[3], &a[4], &a[5], &a[6], &b[0], &b[1], &b[2], &b[3],
                    &b[4], &b[5], &b[6], &minutes, &tail) != 16)
      continue;
    auto iso = [](const int* e) {
      return strprintf("%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", e[0], e[1], e[2], e[3], e[4], e[5],
                       e[6]);
    };
    out.emplace_back(orb, iso(a), iso(b), minutes);
  }
  return out;
}

void expect_same(const json& windows, const std::string& report, double tolerance) {
  const auto r = rows(report);
  ASSERT_EQ(windows.size(), r.size());
  for (std::size_t k = 0; k < r.size(); ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(windows[k]["orbit"], std::get<0>(r[k]));
    EXPECT_EQ(windows[k]["start"], std::get<1>(r[k]));
    EXPECT_EQ(windows[k]["end"], std::get<2>(r[k]));
    EXPECT_NEAR(windows[k]["duration_min"].get<double>(), std::get<3>(r[k]), tolerance);
  }
}

TEST_F(Json, WindowsEqualTheReportRowsAndTheHashThatOfSha256sum) {
  ASSERT_EQ(run_json({.end = "2024 3 12 7 30 0 0"}).status, 0);
  const json doc = json::parse(read("run.json"));
  EXPECT_EQ(doc["schema_version"], 1);
  EXPECT_EQ(doc["status"], "success");
  EXPECT_EQ(doc["request"]["tokens"].size(), 26u);
  EXPECT_EQ(doc["configuration"]["values"].size(), 10u);
  expect_same(doc["windows"]["visibility"], read("vrepanncrabr7_kv1.txt"), 0.0005);
  expect_same(doc["windows"]["eclipse_viewing"], read("eclanncrabr7_kv1.txt"), 0.0005);
  expect_same(doc["windows"]["occultations"], read("occanncrabr7_kv1.txt"), 0.00005);
  // Totals: the report's view total, and the sums of the listed windows.
  double sum = 0;
  for (const json& w : doc["windows"]["visibility"]) sum += w["duration_min"].get<double>();
  EXPECT_DOUBLE_EQ(doc["totals"]["visibility_min"].get<double>(), sum);
  EXPECT_NE(read("vrepanncrabr7_kv1.txt")
                .find(strprintf("is : %lf(min)", doc["totals"]["view_min"].get<double>())),
            std::string::npos);
  // Two whole days and a partial third.
  ASSERT_EQ(doc["daywise"].size(), 3u);
  EXPECT_EQ(doc["daywise"][0]["date"], "2024-03-10");
  EXPECT_FALSE(doc["daywise"][1]["partial"].get<bool>());
  EXPECT_TRUE(doc["daywise"][2]["partial"].get<bool>());
  // The hash of the orbit file.
  std::FILE* p = popen(("sha256sum " + doc["orbit_file"]["path"].get<std::string>()).c_str(), "r");
  ASSERT_NE(p, nullptr);
  char buf[65] = {};
  ASSERT_EQ(std::fread(buf, 1, 64, p), 64u);
  pclose(p);
  EXPECT_EQ(doc["orbit_file"]["sha256"], std::string(buf));
}

// The model, the orbit's age at both ends of the period and the caveat beyond 7 days; the
// penumbra table of the precise model, each passage holding at most one eclipse.
TEST_F(Json, ModelOrbitAgeCaveatsAndPenumbra) {
  const struct {
    Model model;
    Request request;
    double age_start, age_end;
    bool caveat;
  } cases[] = {{Model::classic, Request{.tag = "a"}, 1, 3, false},
               {Model::precise, Request{.tag = "b"}, 1, 3, false},
               {Model::precise,
                Request{.start = "2024 3 14 12 0 0 0", .end = "2024 3 17 0 0 0 0", .tag = "c"}, 5.5,
                8, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.request.text());
    ASSERT_EQ(run_json(c.request, kDemoElements, c.model).status, 0);
    const json doc = json::parse(read("run.json"));
    EXPECT_EQ(doc["model"], model_name(c.model));
    EXPECT_DOUBLE_EQ(doc["orbit_age_days"]["start"].get<double>(), c.age_start);
    EXPECT_DOUBLE_EQ(doc["orbit_age_days"]["end"].get<double>(), c.age_end);
    ASSERT_EQ(doc["caveats"].size(), c.caveat ? 1u : 0u);
    if (c.caveat) {
      EXPECT_EQ(doc["caveats"][0].get<std::string>().rfind(
                    "per-orbit edges beyond 2024-03-16T00:00:00Z", 0),
                0u);
    }
    const json& w = doc["windows"];
    EXPECT_EQ(w.contains("penumbra"), c.model == Model::precise);
    if (c.model != Model::precise) continue;
    ASSERT_EQ(w["penumbra"].size(), w["eclipses"].size());
    for (std::size_t k = 0; k < w["eclipses"].size(); ++k) {
      EXPECT_LE(w["penumbra"][k]["start"], w["eclipses"][k]["start"]);
      EXPECT_GE(w["penumbra"][k]["end"], w["eclipses"][k]["end"]);
    }
  }
}

// The golden cases (tests/data/golden).
TEST_F(Json, GoldenCasesWindowsEqualTheirReportRows) {
  for (const GoldenCase& c : kGoldenCases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(run_json(c.request, c.orbit).status, 0);
    const json doc = json::parse(read("run.json"));
    const std::string sfx = doc["request"]["user"].get<std::string>() +
                            doc["request"]["source"]["name"].get<std::string>() +
                            doc["request"]["tag"].get<std::string>() + "_kv1.txt";
    expect_same(doc["windows"]["visibility"], read("vrep" + sfx), 0.0005);
    expect_same(doc["windows"]["eclipse_viewing"], read("ecl" + sfx), 0.0005);
    expect_same(doc["windows"]["occultations"], read("occ" + sfx), 0.00005);
  }
}

TEST_F(Json, AFailedRunLeavesNoDocument) {
  spit(dir_ / "run.json", "{\"an earlier run\": true}");
  EXPECT_EQ(run_json({.end = "2024 3 9 0 0 0 0"}).status, -1);
  EXPECT_FALSE(exists("run.json"));
}

}  // namespace
}  // namespace kv::test
