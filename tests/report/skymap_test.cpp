// The sky map: the FITS map read back with CFITSIO (layout, keywords, values), and a pole
// pixel equal to the single run of that pixel's centre.
#include "report/skymap.hpp"

#include <fitsio.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "common/run_error.hpp"
#include "driver/orbit_file.hpp"
#include "support/fixture.hpp"

namespace kv::test {
namespace {

std::string key(fitsfile* f, const char* name) {
  char value[FLEN_VALUE] = {}, comment[FLEN_COMMENT];
  int status = 0;
  fits_read_keyword(f, name, value, comment, &status);
  return status ? "" : value;
}

class SkyMap : public ScratchDir {};

TEST_F(SkyMap, FitsMapHasTheHealpixLayoutAndAPolePixelEqualsItsSingleRun) {
  install(kEpoch, kEpoch);
  driver::RunOptions opt;
  opt.sky_nside = 2;
  ASSERT_EQ(
      run_catalogue(Request{.source = "sky", .ra = "0", .dec = "0", .tag = "s"}.text(), opt).status,
      0);
  ASSERT_TRUE(exists("skymap_annskys_kv1_n2.png"));

  fitsfile* f = nullptr;
  int status = 0;
  ASSERT_EQ(fits_open_table(&f, "skymap_annskys_kv1_n2.fits", READONLY, &status), 0);
  long rows = 0;
  fits_get_num_rows(f, &rows, &status);
  EXPECT_EQ(rows, 48);
  EXPECT_EQ(key(f, "PIXTYPE"), "'HEALPIX '");
  EXPECT_EQ(key(f, "ORDERING"), "'RING    '");
  EXPECT_EQ(key(f, "NSIDE"), "2");
  EXPECT_EQ(key(f, "COORDSYS"), "'C       '");
  EXPECT_EQ(key(f, "FIRSTPIX"), "0");
  EXPECT_EQ(key(f, "LASTPIX"), "47");
  std::vector<float> vis(48), view(48);
  fits_read_col(f, TFLOAT, 1, 1, 1, 48, nullptr, vis.data(), nullptr, &status);
  fits_read_col(f, TFLOAT, 2, 1, 1, 48, nullptr, view.data(), nullptr, &status);
  fits_close_file(f, &status);
  ASSERT_EQ(status, 0);
  for (std::size_t k = 0; k < 48; ++k) {
    EXPECT_GE(vis[k], 0.0f);
    EXPECT_LE(vis[k], view[k]);  // visibility is view time less occultations and SAA
    EXPECT_LE(view[k], 1.0f);
  }

  // Pixel 0 (next to the north pole) against the single run of its centre.
  const auto [ra, dec] = report::healpix_centres(2)[0];
  opt = {};
  opt.json = "pix0.json";
  run(Request{.source = "pix0",
              .ra = strprintf("%.17g", ra),
              .dec = strprintf("%.17g", dec),
              .tag = "s"},
      opt);
  const auto doc = nlohmann::json::parse(read("pix0.json"));
  const double minutes = doc["totals"]["visibility_min"].get<double>();
  EXPECT_GT(minutes, 0.0);
  EXPECT_FLOAT_EQ(vis[0], static_cast<float>(minutes / (2 * 1440.0)));
}

// The FITS header records the run; the overlay's sources join the summary and the picture.
TEST_F(SkyMap, FitsHeaderRecordsTheRunAndTheOverlayJoinsTheSummary) {
  install(kEpoch, kEpoch);
  spit(dir_ / "overlay.csv",
       "Name,RA,Dec\nCyg X-1,19:58:21.6,+35:12:00\ncrab,05h34m31.9s,22.014\n");
  driver::RunOptions opt;
  opt.sky_nside = 1;
  opt.overlay = "overlay.csv";
  ASSERT_EQ(
      run_catalogue(Request{.source = "sky", .ra = "0", .dec = "0", .tag = "s"}.text(), opt).status,
      0);
  const std::string summary = read("skymap_annskys_kv1_n1.csv");
  EXPECT_NE(summary.find("\nCyg X-1,"), std::string::npos) << summary;
  EXPECT_NE(summary.find("\ncrab,"), std::string::npos) << summary;
  fitsfile* f = nullptr;
  int status = 0;
  ASSERT_EQ(fits_open_table(&f, "skymap_annskys_kv1_n1.fits", READONLY, &status), 0);
  EXPECT_EQ(key(f, "DATE-BEG"), "'2024-03-10T00:00:00.000'");
  EXPECT_EQ(key(f, "DATE-END"), "'2024-03-12T00:00:00.000'");
  EXPECT_EQ(key(f, "TIMESYS"), "'UTC     '");
  const std::pair<const char*, double> limits[] = {{"ROLLSUN", 45},  {"NROLLSUN", 45},
                                                   {"ROLLMOON", 10}, {"ROLLVEL", 10},
                                                   {"EARTHMRG", 5},  {"YAWSUN", 45}};
  for (const auto& [name, deg] : limits) {
    SCOPED_TRACE(name);
    EXPECT_DOUBLE_EQ(std::stod(key(f, name)), deg);
  }
  std::string orbit;
  for (const auto& e : std::filesystem::directory_iterator(dir_))
    if (e.path().filename().string().starts_with("svi_")) orbit = e.path().filename().string();
  EXPECT_EQ(key(f, "ORBFILE"), "'" + orbit + "'");
  EXPECT_EQ(key(f, "ORBSHA"), "'" + driver::sha256_hex(orbit) + "'");
  EXPECT_NE(key(f, "KVVERS").find("kelvis "), std::string::npos);
  fits_close_file(f, &status);
  // An overlay source named as a pixel would take that pixel's row and reports.
  spit(dir_ / "overlay.csv", "name,ra,dec\npix3,10,10\n");
  const RunResult r =
      run_catalogue(Request{.source = "sky", .ra = "0", .dec = "0", .tag = "s"}.text(), opt);
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.said.find("overlay overlay.csv: line 2: pix3 is the name of a sky-map pixel"),
            std::string::npos)
      << r.said;
}

// The picture's projection: healpy's orientation (0h at the centre, RA growing to the left),
// and the galactic centre where the IAU system puts it (RA 266.405, Dec -28.936 degrees,
// J2000: Blaauw et al. 1960 transformed to J2000 by Murray 1989).
TEST(SkyPicture, MollweideOrientationAndTheGalacticCentre) {
  const struct {
    double ra, dec, x, y;
  } kCases[] = {{0, 0, 0, 0}, {90, 0, -1, 0}, {270, 0, 1, 0}, {0, 90, 0, 1}, {0, -90, 0, -1}};
  for (const auto& c : kCases) {
    double x, y;
    report::mollweide(c.ra, c.dec, x, y);
    EXPECT_NEAR(x, c.x, 1e-9) << c.ra << " " << c.dec;
    EXPECT_NEAR(y, c.y, 1e-9) << c.ra << " " << c.dec;
  }
  const auto [ra, dec] = report::galactic_to_equatorial(0, 0);
  EXPECT_NEAR(ra, 266.405, 0.001);
  EXPECT_NEAR(dec, -28.936, 0.001);
  const auto [pra, pdec] = report::galactic_to_equatorial(0, 90);
  EXPECT_NEAR(pra, 192.859, 0.001);
  EXPECT_NEAR(pdec, 27.128, 0.001);
}

}  // namespace
}  // namespace kv::test
