// The one-page plot of a run, drawn with Cairo.
#include "report/plot.hpp"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "common/run_error.hpp"
#include "common/timescales.hpp"
#include "report/json.hpp"

namespace kv::report {
namespace {

constexpr Rgb kInk{0.1, 0.1, 0.1}, kGrid{0.85, 0.85, 0.85}, kPaper{1, 1, 1},
    kOutsidePeriod{0.97, 0.97, 0.97}, kView{0.62, 0.82, 0.62}, kEclipse{0.25, 0.25, 0.35};
constexpr double kBarsTop = 400, kBarsHeight = 150;
constexpr double kMapTop = 640, kMapHeight = 760;

void colour(cairo_t* cr, const Rgb& c) { cairo_set_source_rgb(cr, c.r, c.g, c.b); }

void text(cairo_t* cr, double x, double y, const std::string& s, double size = 13,
          bool bold = false, bool right = false) {
  cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL,
                         bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, size);
  if (right) {
    cairo_text_extents_t e;
    cairo_text_extents(cr, s.c_str(), &e);
    x -= e.x_advance;
  }
  colour(cr, kInk);
  cairo_move_to(cr, x, y);
  cairo_show_text(cr, s.c_str());
}

void box(cairo_t* cr, double x, double y, double w, double h, const Rgb& c) {
  colour(cr, c);
  cairo_rectangle(cr, x, y, w, h);
  cairo_fill(cr);
}

std::string when(const Epoch& e) {
  return strprintf("%04d-%02d-%02d %02d:%02d", e[0], e[1], e[2], e[3], e[4]);
}

// Whether orbit time t lies in one of the intervals of a table (in time order).
bool inside(const EventTable& t, double x) {
  const auto it = std::upper_bound(t.t1.begin(), t.t1.end(), x);
  if (it == t.t1.begin()) return false;
  return x <= t.t2[static_cast<std::size_t>(it - t.t1.begin()) - 1];
}

// The geometry of the period on the page.
struct Span {
  double t0, t1;
  double x(double t) const { return plot_left + (t - t0) / (t1 - t0) * (plot_right - plot_left); }
};

void title_block(cairo_t* cr, const PlotTitle& p, const Visibility& v, bool any) {
  text(cr, 30, 40, "KELVORIN (kv1): when " + p.source + " can be observed", 22, true);
  text(cr, 30, 68,
       strprintf("RA %.4f deg, Dec %.4f deg.  Period %s to %s UTC (%.2f days).", p.ra_deg,
                 p.dec_deg, when(p.start).c_str(), when(p.end).c_str(),
                 (timdif(p.end).days - timdif(p.start).days)));
  text(cr, 30, 90,
       strprintf("Limits (deg): roll-Sun %g, negative roll-Sun %g, roll-Moon %g, roll-velocity %g, "
                 "yaw-Sun %g, Earth-limb margin %g.",
                 p.roll_sun, p.neg_roll_sun, p.roll_moon, p.roll_velocity, p.yaw_sun,
                 p.earth_margin));
  text(cr, 30, 112,
       "Orbit file " + p.orbit_file + ", epoch " + when(p.orbit_epoch) + " UTC." +
           (p.model == Model::precise ? "  Model: precise." : ""));
  double vis = 0, ecl = 0;
  for (std::size_t k = 0; k < v.viewact.t1.size(); ++k) vis += v.viewact.t2[k] - v.viewact.t1[k];
  for (std::size_t k = 0; k < v.vieweclp.t1.size(); ++k) ecl += v.vieweclp.t2[k] - v.vieweclp.t1[k];
  text(cr, 30, 136,
       any ? strprintf("Visible %.1f min in %zu windows, of which %.1f min in eclipse.", vis / 60,
                       v.viewact.t1.size(), ecl / 60)
           : std::string("No visibility in this period: the source never meets all the limits."),
       14, true);
}

// Tick step (s) for a span: the smallest giving at most ten ticks.
double tick_step(double span) {
  for (double s : {600.0, 1800.0, 3600.0, 10800.0, 21600.0, daysec, 172800.0, 432000.0, 864000.0,
                   2592000.0, 5184000.0})
    if (span / s <= 10) return s;
  return 7776000.0;
}

void timeline(cairo_t* cr, const Span& s, const Timeline& tl, const Tables& t, const Visibility& v,
              const PlotAnswers* pa) {
  struct Lane {
    const char* name;
    const EventTable* table;
    Rgb colour;
  };
  std::vector<Lane> lanes;
  if (pa) {
    static constexpr std::array<const char*, view::kLimitCount> kNames{
        "roll-Sun met", "neg. roll-Sun met", "roll-Moon met", "roll-velocity met", "yaw-Sun met"};
    for (std::size_t i = 0; i < view::kLimitCount; ++i)
      lanes.push_back({kNames[i], &pa->limit_met[i], kView});
  } else {
    lanes.push_back({"attitude limits met", &t.views, kView});
  }
  lanes.push_back({"occulted", &t.occults, plot_occulted});
  lanes.push_back({"SAA", &t.saa, plot_saa});
  lanes.push_back({"eclipse", &t.eclipses, kEclipse});
  lanes.push_back({"visible", &v.viewact, plot_visible});
  for (std::size_t i = 0; i < lanes.size(); ++i) {
    const double y = plot_lane(i, lanes.size()).top, height = plot_lane(i, lanes.size()).height;
    text(cr, plot_left - 10, y + height * 0.7, lanes[i].name, lanes.size() > 5 ? 11 : 13, false,
         true);
    box(cr, plot_left, y, plot_right - plot_left, height, kOutsidePeriod);
    auto draw = [&](const EventTable& e, const Rgb& c) {
      for (std::size_t k = 0; k < e.t1.size(); ++k) {
        const double a = std::max(e.t1[k], s.t0), b = std::min(e.t2[k], s.t1);
        if (b < a) continue;
        box(cr, s.x(a), y, std::max(1.0, s.x(b) - s.x(a)), height, c);
      }
    };
    draw(*lanes[i].table, lanes[i].colour);
    if (i + 1 == lanes.size()) draw(v.vieweclp, plot_visible_eclipse);
  }
  const double axis = plot_lane_top + 5 * (plot_lane_height + plot_lane_gap);
  const double step = tick_step(s.t1 - s.t0);
  for (double u = s.t0; u <= s.t1 + 1e-6; u += step) {
    box(cr, s.x(u), axis - 6, 1, 6, kInk);
    const Epoch e = addtim(tl.iltread, u);
    const std::string label = step < daysec
                                  ? strprintf("%02d-%02d %02d:%02d", e[1], e[2], e[3], e[4])
                                  : strprintf("%04d-%02d-%02d", e[0], e[1], e[2]);
    text(cr, s.x(u) - 30, axis + 16, label, 11);
  }
  text(cr, plot_left, plot_lane_top - 12, "Timeline (UTC)", 14, true);
  // Where the orbit is older than orbit_age_caveat_days: a band above the lanes.
  const double aged = std::max(s.t0, orbit_age_caveat_days * daysec);
  if (aged < s.t1) {
    box(cr, s.x(aged), plot_lane_top - 8, s.x(s.t1) - s.x(aged), 4, plot_aged_orbit);
    text(cr, std::clamp(s.x(aged), plot_left + 150, plot_right - 330), plot_lane_top - 12,
         strprintf("orbit older than %.0f days: per-orbit edges indicative only",
                   orbit_age_caveat_days),
         11);
  }
}

// Visibility per calendar month (hours; dark: in eclipse), scaled to the fullest month.
void month_bars(cairo_t* cr, const Calendar& c) {
  text(cr, plot_left, kBarsTop - 12, "Visibility per month (hours; dark: in eclipse)", 14, true);
  box(cr, plot_left, kBarsTop, plot_right - plot_left, kBarsHeight, kOutsidePeriod);
  double top = 3600;
  for (const CalendarMonth& m : c.months) top = std::max(top, m.visibility_s);
  const double w =
      (plot_right - plot_left) / static_cast<double>(std::max<std::size_t>(c.months.size(), 1));
  for (std::size_t j = 0; j < c.months.size(); ++j) {
    const double all = c.months[j].visibility_s / top * kBarsHeight,
                 ecl = c.months[j].eclipse_viewing_s / top * kBarsHeight;
    const double x = plot_left + static_cast<double>(j) * w, bw = std::max(1.0, w * 0.8);
    box(cr, x, kBarsTop + kBarsHeight - all, bw, all - ecl, plot_visible);
    box(cr, x, kBarsTop + kBarsHeight - ecl, bw, ecl, plot_visible_eclipse);
    text(cr, x, kBarsTop + kBarsHeight + 14, c.months[j].month, 10);
    text(cr, x, kBarsTop + kBarsHeight - all - 4,
         strprintf("%.0f h", c.months[j].visibility_s / 3600), 10);
  }
}

void day_bars(cairo_t* cr, const Timeline& tl, double span_s, const Visibility& v) {
  const DayTotals d = daywise_with_partial(tl, span_s, v);
  const int days = static_cast<int>(d.daynight.size());
  text(cr, plot_left, kBarsTop - 12, "Visibility per day (hours; dark: in eclipse)", 14, true);
  box(cr, plot_left, kBarsTop, plot_right - plot_left, kBarsHeight, kOutsidePeriod);
  for (int h : {0, 6, 12, 18, 24}) {
    const double y = kBarsTop + kBarsHeight * (1 - h / 24.0);
    box(cr, plot_left, y, plot_right - plot_left, 1, kGrid);
    text(cr, plot_left - 10, y + 4, strprintf("%d h", h), 11, false, true);
  }
  const double w = (plot_right - plot_left) / std::max(days, 1);
  for (int j = 0; j < days; ++j) {
    const auto k = static_cast<std::size_t>(j);
    const double all = d.daynight[k] / daysec * kBarsHeight,
                 ecl = d.night[k] / daysec * kBarsHeight;
    const double x = plot_left + j * w, bw = std::max(1.0, w * 0.8);
    box(cr, x, kBarsTop + kBarsHeight - all, bw, all - ecl, plot_visible);
    box(cr, x, kBarsTop + kBarsHeight - ecl, bw, ecl, plot_visible_eclipse);
  }
}

// What holds at orbit time t, as a colour.
Rgb state(const Tables& t, const Visibility& v, double x) {
  if (inside(v.viewact, x)) return inside(v.vieweclp, x) ? plot_visible_eclipse : plot_visible;
  if (inside(t.occults, x)) return plot_occulted;
  if (inside(t.saa, x)) return plot_saa;
  return plot_outside_limits;
}

void phase_map(cairo_t* cr, const Span& s, const Timeline& tl, const Tables& t,
               const Visibility& v) {
  const int w = static_cast<int>(plot_right - plot_left), h = static_cast<int>(kMapHeight);
  std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> img(
      cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h), cairo_surface_destroy);
  cairo_surface_flush(img.get());
  unsigned char* px = cairo_image_surface_get_data(img.get());
  const int stride = cairo_image_surface_get_stride(img.get());
  const std::vector<double>& nodes = tl.orbits->torb1;
  for (int row = 0; row < h; ++row) {
    const double tr = s.t0 + (row + 0.5) / h * (s.t1 - s.t0);
    // The orbit that holds this row's time: from its ascending node to the next.
    auto it = std::upper_bound(nodes.begin(), nodes.end(), tr);
    double n0 = tr, len = 0;
    if (it != nodes.begin() && nodes.size() >= 2) {
      const std::size_t k = static_cast<std::size_t>(it - nodes.begin()) - 1;
      n0 = nodes[k];
      len = k + 1 < nodes.size() ? nodes[k + 1] - nodes[k] : nodes[k] - nodes[k - 1];
    }
    for (int col = 0; col < w; ++col) {
      const double x = n0 + (col + 0.5) / w * len;
      const Rgb c = len <= 0 || x < s.t0 || x > s.t1 ? kOutsidePeriod : state(t, v, x);
      auto* p = reinterpret_cast<std::uint32_t*>(px + row * stride) + col;
      *p = (static_cast<std::uint32_t>(c.r * 255) << 16) |
           (static_cast<std::uint32_t>(c.g * 255) << 8) | static_cast<std::uint32_t>(c.b * 255);
    }
  }
  cairo_surface_mark_dirty(img.get());
  cairo_save(cr);
  cairo_set_source_surface(cr, img.get(), plot_left, kMapTop);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
  cairo_paint(cr);
  cairo_restore(cr);
  text(cr, plot_left, kMapTop - 12,
       "Orbit by orbit: time since the ascending node (fraction of the orbit) against date", 14,
       true);
  for (int q = 0; q <= 4; ++q) {
    const double x = plot_left + q * (plot_right - plot_left) / 4;
    box(cr, x, kMapTop + kMapHeight, 1, 6, kInk);
    text(cr, x - 10, kMapTop + kMapHeight + 20, strprintf("%.2f", q / 4.0), 11);
  }
  const double step = tick_step(s.t1 - s.t0);
  for (double u = s.t0; u <= s.t1 + 1e-6; u += step) {
    const double y = kMapTop + (u - s.t0) / (s.t1 - s.t0) * kMapHeight;
    box(cr, plot_left - 6, y, 6, 1, kInk);
    const Epoch e = addtim(tl.iltread, u);
    text(cr, plot_left - 10, y + 4,
         step < daysec ? strprintf("%02d-%02d %02d:%02d", e[1], e[2], e[3], e[4])
                       : strprintf("%04d-%02d-%02d", e[0], e[1], e[2]),
         11, false, true);
  }
}

void legend(cairo_t* cr) {
  const std::pair<Rgb, const char*> items[] = {
      {plot_visible, "visible"},
      {plot_visible_eclipse, "visible in eclipse"},
      {plot_occulted, "occulted by the Earth"},
      {plot_saa, "in the SAA"},
      {plot_outside_limits, "outside the attitude limits"}};
  double x = plot_left;
  const double y = kMapTop + kMapHeight + 45;
  for (const auto& [c, name] : items) {
    box(cr, x, y - 11, 14, 14, c);
    text(cr, x + 20, y, name, 12);
    x += 200;
  }
}

}  // namespace

bool plot_format_known(const std::string& path) {
  for (const char* ext : {".pdf", ".png", ".svg"})
    if (path.size() > 4 && path.compare(path.size() - 4, 4, ext) == 0) return true;
  return false;
}

void write_plot(const std::string& path, const PlotTitle& title, const Timeline& tl, double tendinp,
                const Tables& t, const PlotAnswers* answers) {
  const std::string ext = path.size() > 4 ? path.substr(path.size() - 4) : "";
  // Drawn under a temporary name and renamed, so that no reader sees a half-written plot.
  const std::string temp = path + ".part";
  cairo_surface_t* surface =
      ext == ".pdf"   ? cairo_pdf_surface_create(temp.c_str(), plot_width, plot_height)
      : ext == ".svg" ? cairo_svg_surface_create(temp.c_str(), plot_width, plot_height)
                      : cairo_image_surface_create(CAIRO_FORMAT_RGB24, plot_width, plot_height);
  cairo_t* cr = cairo_create(surface);
  box(cr, 0, 0, plot_width, plot_height, kPaper);
  const Visibility v = visibility_windows(t);
  const Span s{tl.tstreadif, tendinp};
  title_block(cr, title, v, !v.viewact.t1.empty());
  timeline(cr, s, tl, t, v, answers);
  if (answers && answers->calendar && tendinp - tl.tstreadif > 60 * daysec)
    month_bars(cr, *answers->calendar);
  else
    day_bars(cr, tl, tendinp - tl.tstreadif, v);
  phase_map(cr, s, tl, t, v);
  legend(cr);
  cairo_destroy(cr);
  cairo_status_t st = CAIRO_STATUS_SUCCESS;
  if (ext == ".png") st = cairo_surface_write_to_png(surface, temp.c_str());
  cairo_surface_finish(surface);
  if (st == CAIRO_STATUS_SUCCESS) st = cairo_surface_status(surface);
  cairo_surface_destroy(surface);
  if (st == CAIRO_STATUS_SUCCESS && std::rename(temp.c_str(), path.c_str()) != 0)
    st = CAIRO_STATUS_WRITE_ERROR;
  if (st != CAIRO_STATUS_SUCCESS) {
    std::remove(temp.c_str());
    const std::string m = strprintf("unable to write the plot %s ", path.c_str());
    fail(RunError("", m, m),
         strprintf("cannot write the plot %s: %s", path.c_str(), cairo_status_to_string(st)));
  }
}

}  // namespace kv::report
