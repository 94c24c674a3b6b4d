#include "driver/skymap.hpp"

#include <algorithm>
#include <cmath>

#include "common/run_error.hpp"
#include "driver/orbit_file.hpp"
#include "ephem/ephem.hpp"
#include "ephem/precise.hpp"
#include "report/skymap.hpp"

namespace kv::driver {

std::vector<CatalogueSource> sky_sources(int nside) {
  std::vector<CatalogueSource> out;
  int k = 0;
  for (const auto& [ra, dec] : report::healpix_centres(nside)) {
    out.push_back({strprintf("pix%d", k), ra, dec, k, k});
    ++k;
  }
  return out;
}

void write_sky_map(const RunContext& base, const RunOptions& opt,
                   const std::vector<CatalogueSource>& sources,
                   const std::vector<report::CatalogueRow>& rows) {
  const std::size_t npix = 12 * static_cast<std::size_t>(opt.sky_nside) * opt.sky_nside;
  std::vector<double> vis(npix, 0.0), view(npix, 0.0);
  const double minutes = base.tdurs / 60;
  report::SkyPicture p;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (sources[i].pixel < 0) {  // an overlay source
      p.marked.push_back({sources[i].name, sources[i].ra_deg, sources[i].dec_deg,
                          std::min(1.0, rows[i].visibility_min / minutes)});
      continue;
    }
    const auto k = static_cast<std::size_t>(sources[i].pixel);
    vis[k] = std::min(1.0, rows[i].visibility_min / minutes);
    view[k] = std::min(1.0, rows[i].view_windows_min / minutes);
  }
  report::SkyMapRun run;
  // FITS dates carry no zone letter (TIMESYS says UTC).
  run.date_beg = report::iso8601(base.istusr);
  run.date_end = report::iso8601(base.ietusr);
  for (std::string* d : {&run.date_beg, &run.date_end})
    if (d->ends_with('Z')) d->pop_back();
  run.roll_sun = base.rosvlim;
  run.neg_roll_sun = base.nrosvlim;
  run.roll_moon = base.romlim;
  run.roll_velocity = base.rovellim;
  run.earth_margin = base.thetainp;
  run.yaw_sun = base.ywsvlim;
  run.orbit_file = base.tle_file.empty() ? base.orbfnm : base.tle_file;
  run.orbit_sha256 = sha256_hex(run.orbit_file);
  run.version = version_text();
  report::write_fits_map(summary_name(base, opt, ".fits"), opt.sky_nside, vis, view, run);
  p.title = strprintf("Where %s can look: %s to %s UTC", base.sid.c_str(),
                      report::iso8601(base.istusr).c_str(), report::iso8601(base.ietusr).c_str());
  p.subtitle = strprintf(
      "HEALPix NSIDE %d. Limits (deg): roll-Sun %g, negative roll-Sun %g, roll-Moon %g, "
      "roll-velocity %g, yaw-Sun %g, Earth-limb margin %g.%s",
      opt.sky_nside, base.rosvlim, base.nrosvlim, base.romlim, base.rovellim, base.ywsvlim,
      base.thetainp, base.model == Model::precise ? " Model: precise." : "");
  const double days = base.tdurs / daysec;
  for (double d = 0; d <= days + 1e-9; d += std::max(1.0, days / 60)) {
    const double x = base.tstusr1900 + base.tstreadif / daysec + d;
    if (base.model == Model::precise) {
      namespace precise = ephem::precise;
      const Vec3 sun = precise::sun_apparent(precise::anchor(precise::time_args(x)));
      const double ra = std::atan2(sun[1], sun[0]) * cdr;
      p.sun_track.emplace_back(ra < 0 ? ra + 360 : ra,
                               std::atan2(sun[2], std::hypot(sun[0], sun[1])) * cdr);
      continue;
    }
    const ephem::SunMoon sm = ephem::surcha(x, -1);
    p.sun_track.emplace_back(sm.sun_ra * cdr, sm.sun_dec * cdr);
  }
  report::write_sky_picture(summary_name(base, opt, ".png"), opt.sky_nside, vis, p);
}

}  // namespace kv::driver
