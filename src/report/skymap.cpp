#include "report/skymap.hpp"

#include <cairo.h>
#include <fitsio.h>
#include <healpix_cxx/healpix_base.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "common/run_error.hpp"

namespace kv::report {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kDeg = deg_exact;
constexpr double kObliquity = 23.4393;  // degrees, of J2000

Healpix_Base ring(int nside) { return Healpix_Base(nside, RING, SET_NSIDE); }

[[noreturn]] void fits_failure(const std::string& path, int status) {
  char text[FLEN_STATUS];
  fits_get_errstatus(status, text);
  const std::string m = strprintf("unable to write the sky map %s ", path.c_str());
  fail(RunError("", m, m), strprintf("cannot write the sky map %s: %s", path.c_str(), text));
}

// A colour scale from dark blue through green to yellow, for a fraction in [0, 1].
void scale(double f, double& r, double& g, double& b) {
  f = std::clamp(f, 0.0, 1.0);
  r = std::clamp(1.6 * f - 0.4, 0.0, 1.0) * 0.95 + 0.05;
  g = 0.1 + 0.8 * std::sqrt(f);
  b = 0.45 * (1 - f) + 0.1;
}

// Text in white with a dark outline, readable on every colour of the scale.
void halo_text(cairo_t* cr, double u, double v, const std::string& text) {
  cairo_new_path(cr);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_move_to(cr, u, v);
  cairo_text_path(cr, text.c_str());
  cairo_set_line_width(cr, 3);
  cairo_stroke(cr);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_move_to(cr, u, v);
  cairo_show_text(cr, text.c_str());
  cairo_new_path(cr);
}

// The RA/Dec graticule: meridians every 2h, parallels every 30 deg, grey and thin, with the
// hours along the equator and the declinations at the left edge.
template <typename ToPage>
void draw_graticule(cairo_t* cr, const ToPage& to_page) {
  cairo_set_source_rgba(cr, 0.85, 0.85, 0.85, 0.7);
  cairo_set_line_width(cr, 0.8);
  for (int h = 0; h < 24; h += 2) {
    for (int k = 0; k <= 180; ++k) {
      double u, v;
      to_page(h * 15.0 + (h == 12 ? 1e-9 : 0), -90.0 + k, u, v);
      k == 0 ? cairo_move_to(cr, u, v) : cairo_line_to(cr, u, v);
    }
    cairo_stroke(cr);
  }
  for (int dec = -60; dec <= 60; dec += 30) {
    for (int k = 0; k <= 360; ++k) {
      double u, v;
      // from just left of 12h through 0h to just right of 12h, one sweep across the picture
      to_page(std::fmod(180 + 1e-9 + k * (360 - 2e-9) / 360 + 360, 360), dec, u, v);
      k == 0 ? cairo_move_to(cr, u, v) : cairo_line_to(cr, u, v);
    }
    cairo_stroke(cr);
  }
  cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
  cairo_set_font_size(cr, 11);
  for (int h = 0; h < 24; h += 2) {
    double u, v;
    to_page(h * 15.0 + (h == 12 ? -1e-6 : 0), 0, u, v);
    halo_text(cr, h == 12 ? u + 4 : u + 3, v + 14, strprintf("%dh", h));
  }
  cairo_set_source_rgb(cr, 0.15, 0.15, 0.15);
  for (int dec = -60; dec <= 60; dec += 30) {
    double u, v;
    to_page(180.0 - 1e-6, dec, u, v);  // the left edge
    cairo_move_to(cr, u - 34, v + 4);
    cairo_show_text(cr, strprintf("%+d\u00b0", dec).c_str());
  }
  cairo_new_path(cr);
}

}  // namespace

void mollweide(double ra_deg, double dec_deg, double& x, double& y) {
  double lon = std::remainder(ra_deg, 360) * kDeg;
  const double lat = dec_deg * kDeg;
  double t = lat;
  // note: at the poles the Newton step divides by zero; there the auxiliary angle is lat.
  for (int k = 0; k < 50 && std::fabs(lat) < kPi / 2 - 1e-12; ++k) {
    const double d = (2 * t + std::sin(2 * t) - kPi * std::sin(lat)) / (2 + 2 * std::cos(2 * t));
    t -= d;
    if (std::fabs(d) < 1e-12) break;
  }
  lon = -lon;
  x = 2 / kPi * lon * std::cos(t);
  y = std::sin(t);
}

std::pair<double, double> galactic_to_equatorial(double l_deg, double b_deg) {
  constexpr double kPoleRa = 192.85948, kPoleDec = 27.12825, kNcpL = 122.93192;  // degrees
  const double b = b_deg * kDeg, dl = (kNcpL - l_deg) * kDeg, pd = kPoleDec * kDeg;
  const double sin_dec = std::sin(b) * std::sin(pd) + std::cos(b) * std::cos(pd) * std::cos(dl);
  const double y = std::cos(b) * std::sin(dl);
  const double x = std::sin(b) * std::cos(pd) - std::cos(b) * std::sin(pd) * std::cos(dl);
  const double ra = std::fmod(kPoleRa + std::atan2(y, x) / kDeg + 720, 360);
  return {ra, std::asin(std::clamp(sin_dec, -1.0, 1.0)) / kDeg};
}

std::vector<std::pair<double, double>> healpix_centres(int nside) {
  const Healpix_Base base = ring(nside);
  std::vector<std::pair<double, double>> c;
  for (int i = 0; i < base.Npix(); ++i) {
    const pointing p = base.pix2ang(i);
    c.emplace_back(p.phi / kDeg, 90 - p.theta / kDeg);
  }
  return c;
}

void write_fits_map(const std::string& path, int nside, const std::vector<double>& visibility,
                    const std::vector<double>& view, const SkyMapRun& run) {
  std::remove(path.c_str());
  fitsfile* f = nullptr;
  int status = 0;
  if (fits_create_file(&f, path.c_str(), &status)) fits_failure(path, status);
  char ttype1[] = "VISIBILITY", ttype2[] = "VIEW", tform[] = "1E", tunit[] = "fraction";
  char* ttype[] = {ttype1, ttype2};
  char* tforms[] = {tform, tform};
  char* tunits[] = {tunit, tunit};
  char extname[] = "SKYMAP";
  const long n = static_cast<long>(visibility.size());
  fits_create_tbl(f, BINARY_TBL, n, 2, ttype, tforms, tunits, extname, &status);
  auto key = [&](const char* name, const char* value, const char* comment) {
    fits_write_key(f, TSTRING, name, const_cast<char*>(value), comment, &status);
  };
  key("PIXTYPE", "HEALPIX", "HEALPix pixelisation");
  key("ORDERING", "RING", "pixel ordering scheme");
  long ns = nside, first = 0, last = n - 1;
  fits_write_key(f, TLONG, "NSIDE", &ns, "resolution parameter", &status);
  key("COORDSYS", "C", "equatorial (celestial) coordinates");
  key("INDXSCHM", "IMPLICIT", "indexing: implicit or explicit");
  key("OBJECT", "FULLSKY", "full sky map");
  fits_write_key(f, TLONG, "FIRSTPIX", &first, "first pixel number", &status);
  fits_write_key(f, TLONG, "LASTPIX", &last, "last pixel number", &status);
  key("DATE-BEG", run.date_beg.c_str(), "start of the period");
  key("DATE-END", run.date_end.c_str(), "end of the period");
  key("TIMESYS", "UTC", "time scale of DATE-BEG and DATE-END");
  const std::pair<const char*, double> limits[] = {
      {"ROLLSUN", run.roll_sun},      {"NROLLSUN", run.neg_roll_sun}, {"ROLLMOON", run.roll_moon},
      {"ROLLVEL", run.roll_velocity}, {"EARTHMRG", run.earth_margin}, {"YAWSUN", run.yaw_sun}};
  const char* limit_words[] = {"[deg] roll-Sun limit",    "[deg] negative-roll-Sun limit",
                               "[deg] roll-Moon limit",   "[deg] roll-velocity limit",
                               "[deg] Earth-limb margin", "[deg] yaw-Sun limit (configuration)"};
  for (std::size_t k = 0; k < std::size(limits); ++k) {
    double v = limits[k].second;
    fits_write_key(f, TDOUBLE, limits[k].first, &v, limit_words[k], &status);
  }
  fits_write_key_longstr(f, "ORBFILE", run.orbit_file.c_str(), "orbit file used", &status);
  key("ORBSHA", run.orbit_sha256.c_str(), "SHA-256 of the orbit file");
  fits_write_key_longstr(f, "KVVERS", run.version.c_str(), "kelvis version", &status);
  std::vector<float> col(visibility.begin(), visibility.end());
  fits_write_col(f, TFLOAT, 1, 1, 1, n, col.data(), &status);
  col.assign(view.begin(), view.end());
  fits_write_col(f, TFLOAT, 2, 1, 1, n, col.data(), &status);
  fits_close_file(f, &status);
  if (status) fits_failure(path, status);
}

void write_sky_picture(const std::string& path, int nside, const std::vector<double>& visibility,
                       const SkyPicture& p) {
  constexpr int kW = 1200, kH = 760, kMapW = 1100, kMapH = 550, kX0 = 50, kY0 = 90;
  std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> s(
      cairo_image_surface_create(CAIRO_FORMAT_RGB24, kW, kH), cairo_surface_destroy);
  cairo_t* cr = cairo_create(s.get());
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_surface_flush(s.get());
  const Healpix_Base base = ring(nside);
  unsigned char* px = cairo_image_surface_get_data(s.get());
  const int stride = cairo_image_surface_get_stride(s.get());
  for (int j = 0; j < kMapH; ++j)
    for (int i = 0; i < kMapW; ++i) {
      const double x = (i + 0.5) / kMapW * 4 - 2, y = 1 - (j + 0.5) / kMapH * 2;
      if (x * x / 4 + y * y > 1) continue;
      const double t = std::asin(y);
      const double lat = std::asin((2 * t + std::sin(2 * t)) / kPi);
      const double lon = -kPi * x / (2 * std::cos(t));  // 0h at the centre, RA to the left
      const double ra = std::fmod(lon / kDeg + 360, 360);
      const int pix = base.ang2pix(pointing((90 - lat / kDeg) * kDeg, ra * kDeg));
      double r, g, b;
      scale(visibility[static_cast<std::size_t>(pix)], r, g, b);
      auto* q = reinterpret_cast<std::uint32_t*>(px + (kY0 + j) * stride) + (kX0 + i);
      *q = (static_cast<std::uint32_t>(r * 255) << 16) |
           (static_cast<std::uint32_t>(g * 255) << 8) | static_cast<std::uint32_t>(b * 255);
    }
  cairo_surface_mark_dirty(s.get());
  auto to_page = [&](double ra, double dec, double& u, double& v) {
    double x, y;
    mollweide(ra, dec, x, y);
    u = kX0 + (x + 2) / 4 * kMapW;
    v = kY0 + (1 - y) / 2 * kMapH;
  };
  auto dot = [&](double ra, double dec, double radius) {
    double u, v;
    to_page(ra, dec, u, v);
    cairo_new_path(cr);
    cairo_arc(cr, u, v, radius, 0, 2 * kPi);
    cairo_fill(cr);
  };
  draw_graticule(cr, to_page);
  // The ecliptic (white dots) and the galactic plane (magenta dots).
  cairo_set_source_rgb(cr, 1, 1, 1);
  for (double l = 0; l < 360; l += 2) {
    const double ra =
        std::atan2(std::sin(l * kDeg) * std::cos(kObliquity * kDeg), std::cos(l * kDeg)) / kDeg;
    const double dec = std::asin(std::sin(l * kDeg) * std::sin(kObliquity * kDeg)) / kDeg;
    dot(std::fmod(ra + 360, 360), dec, 1.2);
  }
  cairo_set_source_rgb(cr, 0.9, 0.2, 0.9);
  for (double l = 0; l < 360; l += 2) {
    const auto [ra, dec] = galactic_to_equatorial(l, 0);
    dot(ra, dec, 1.4);
  }
  // The Sun's track over the period.
  cairo_set_source_rgb(cr, 0.95, 0.25, 0.1);
  for (const auto& [ra, dec] : p.sun_track) dot(ra, dec, 4);
  // The marked sources: a ring and the name with the visible fraction.
  cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
  cairo_set_font_size(cr, 12);
  for (const MarkedSource& m : p.marked) {
    double u, v;
    to_page(m.ra_deg, m.dec_deg, u, v);
    cairo_new_path(cr);
    cairo_set_line_width(cr, 2);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_arc(cr, u, v, 5, 0, 2 * kPi);
    cairo_stroke(cr);
    const std::string label = strprintf("%s %.0f%%", m.name.c_str(), 100 * m.visible);
    cairo_text_extents_t ext;
    cairo_text_extents(cr, label.c_str(), &ext);
    // Labels near the right edge go to the left of their ring.
    const double lu = u + 8 + ext.x_advance > kX0 + kMapW ? u - 8 - ext.x_advance : u + 8;
    halo_text(cr, lu, v - 6, label);
  }
  // Titles and the colour bar.
  cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
  cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
  cairo_set_font_size(cr, 20);
  cairo_move_to(cr, 30, 36);
  cairo_show_text(cr, p.title.c_str());
  cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, 13);
  cairo_move_to(cr, 30, 62);
  cairo_show_text(cr, p.subtitle.c_str());
  const double bar_y = kY0 + kMapH + 40;
  for (int i = 0; i < 400; ++i) {
    double r, g, b;
    scale(i / 399.0, r, g, b);
    cairo_set_source_rgb(cr, r, g, b);
    cairo_rectangle(cr, 400 + i, bar_y, 1, 16);
    cairo_fill(cr);
  }
  cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
  for (int k = 0; k <= 4; ++k) {
    cairo_move_to(cr, 400 + k * 100 - 10, bar_y + 32);
    cairo_show_text(cr, strprintf("%.2f", k / 4.0).c_str());
  }
  cairo_move_to(cr, 400, bar_y - 8);
  cairo_show_text(cr, "fraction of the period visible");
  cairo_move_to(cr, 30, bar_y + 58);
  cairo_show_text(cr,
                  "Equatorial (J2000) Mollweide, as healpy draws it: RA 0h at the centre, growing "
                  "to the left. Grey lines: RA every 2h, Dec every 30 deg.");
  cairo_move_to(cr, 30, bar_y + 78);
  cairo_show_text(cr,
                  "White dots: ecliptic; magenta: galactic plane; red: the Sun over the period; "
                  "rings: the overlay's sources with their visible fraction.");
  cairo_destroy(cr);
  const cairo_status_t st = cairo_surface_write_to_png(s.get(), path.c_str());
  if (st != CAIRO_STATUS_SUCCESS) {
    const std::string m = strprintf("unable to write the sky picture %s ", path.c_str());
    fail(RunError("", m, m), strprintf("cannot write the sky picture %s: %s", path.c_str(),
                                       cairo_status_to_string(st)));
  }
}

}  // namespace kv::report
