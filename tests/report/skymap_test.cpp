// The sky map: the FITS map read back with CFITSIO (layout, keywords, values), and a pole
// pixel equal to the single run of that pixel's centre.
#include "report/skymap.hpp"

#include <fitsio.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "common/run_error.hpp"
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

}  // namespace
}  // namespace kv::test
