// The plot: rendered for periods of 2 hours, 2 days and 400 days and for a source never
// visible, with pixels checked where a known window lies and where none does.
#include "report/plot.hpp"

#include <cairo.h>
#include <gtest/gtest.h>

#include <memory>
#include <nlohmann/json.hpp>

#include "support/fixture.hpp"

namespace kv::test {
namespace {

using nlohmann::json;

class Plot : public ScratchDir {
 protected:
  void SetUp() override {
    ScratchDir::SetUp();
    install(kEpoch, kEpoch);
    stub_converters();
  }
  // Runs a request with --plot p.png --json p.json; returns the document.
  json render(const Request& request) {
    driver::RunOptions opt;
    opt.plot = "p.png";
    opt.json = "p.json";
    EXPECT_EQ(run(request, opt).status, 0);
    png_.reset(cairo_image_surface_create_from_png("p.png"));
    EXPECT_EQ(cairo_surface_status(png_.get()), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(png_.get()), report::plot_width);
    return json::parse(read("p.json"));
  }
  // Colour of the visibility lane at the fraction f of the period.
  report::Rgb visibility_lane(double f) {
    // A run's plot has one lane per attitude limit: nine lanes, visibility the last.
    const report::PlotLane lane = report::plot_lane(8, 9);
    const double y = lane.top + lane.height / 2;
    const double x = report::plot_left + f * (report::plot_right - report::plot_left);
    return pixel(static_cast<int>(x), static_cast<int>(y));
  }
  report::Rgb pixel(int x, int y) {
    cairo_surface_flush(png_.get());
    const unsigned char* p = cairo_image_surface_get_data(png_.get()) +
                             y * cairo_image_surface_get_stride(png_.get()) + 4 * x;
    return {p[2] / 255.0, p[1] / 255.0, p[0] / 255.0};
  }
  std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> png_{nullptr,
                                                                          cairo_surface_destroy};
};

bool same(const report::Rgb& a, const report::Rgb& b) {
  return std::fabs(a.r - b.r) < 0.01 && std::fabs(a.g - b.g) < 0.01 && std::fabs(a.b - b.b) < 0.01;
}
// The colour of visibility, in sunlight or in eclipse, or a blend of the two where one
// part of a window meets the other inside a pixel.
bool visible(const report::Rgb& c) {
  const report::Rgb a = report::plot_visible, b = report::plot_visible_eclipse;
  for (double w = 0; w <= 1; w += 0.01)
    if (same(c, {a.r + (b.r - a.r) * w, a.g + (b.g - a.g) * w, a.b + (b.b - a.b) * w})) return true;
  return false;
}

// Fraction of the period of a window's middle, and of the middle of the gap after it.
std::pair<double, double> middles(const json& doc, std::size_t k) {
  const double t0 = doc["windows"]["visibility"][0]["start_mjd"];  // the user start
  const double span = 2.0;                                         // days
  const json& w = doc["windows"]["visibility"];
  const double mid = (w[k]["start_mjd"].get<double>() + w[k]["end_mjd"].get<double>()) / 2;
  const double gap = (w[k]["end_mjd"].get<double>() + w[k + 1]["start_mjd"].get<double>()) / 2;
  return {(mid - t0) / span, (gap - t0) / span};
}

TEST_F(Plot, TwoDaysShowTheWindowsWhereTheyLieAndNothingBetween) {
  const json doc = render({.tag = "d2"});
  ASSERT_EQ(doc["windows"]["visibility"][0]["start"], "2024-03-10T00:00:00.000Z");
  int checked = 0;
  for (std::size_t k = 0; k + 1 < doc["windows"]["visibility"].size(); ++k) {
    const json& w = doc["windows"]["visibility"];
    if (w[k]["duration_min"].get<double>() < 10 ||
        w[k + 1]["start_mjd"].get<double>() - w[k]["end_mjd"].get<double>() < 10 / 1440.0)
      continue;
    const auto [mid, gap] = middles(doc, k);
    EXPECT_TRUE(visible(visibility_lane(mid))) << k;
    EXPECT_FALSE(visible(visibility_lane(gap))) << k;
    ++checked;
  }
  EXPECT_GT(checked, 10);
}

TEST_F(Plot, ANeverVisibleSourceLeavesTheVisibilityLaneEmpty) {
  const json doc = render({.end = "2024 3 11 0 0 0 0", .limits = "45 45 10 170 5", .tag = "nv"});
  EXPECT_TRUE(doc["windows"]["visibility"].empty());
  for (double f = 0; f <= 1; f += 0.001) ASSERT_FALSE(visible(visibility_lane(f))) << f;
}

TEST_F(Plot, TwoHoursAndFourHundredDaysRender) {
  json doc =
      render({.source = "pole", .ra = "0", .dec = "90", .end = "2024 3 10 2 0 0 0", .tag = "h2"});
  EXPECT_TRUE(visible(visibility_lane(0.5)));  // the pole is in view throughout
  // The band of an orbit older than 7 days: absent for two hours a day after the epoch,
  // drawn from the eighth day of a 400-day period.
  auto aged = [&](double f) {
    const double x = report::plot_left + f * (report::plot_right - report::plot_left);
    return same(pixel(static_cast<int>(x), static_cast<int>(report::plot_lane_top - 6)),
                report::plot_aged_orbit);
  };
  EXPECT_FALSE(aged(0.5));
  doc = render({.end = "2025 4 14 0 0 0 0", .tag = "y1"});
  EXPECT_FALSE(aged(0.005));  // day 3 of the orbit's age
  EXPECT_TRUE(aged(0.5));
  EXPECT_GT(doc["windows"]["visibility"].size(), 1000u);
  int coloured = 0;
  for (double f = 0; f <= 1; f += 0.001) coloured += visible(visibility_lane(f));
  EXPECT_GT(coloured, 100);
  EXPECT_LT(coloured, 1000);  // crab is out of view for months around June
}

}  // namespace
}  // namespace kv::test
