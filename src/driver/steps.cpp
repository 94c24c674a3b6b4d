#include "driver/steps.hpp"

#include <cmath>

#include "common/parallel.hpp"
#include "driver/outputs.hpp"
#include "events/events.hpp"
#include "view/scan.hpp"

namespace kv::driver {

grid::ScanSetup scan_setup(const RunContext& ctx) {
  grid::ScanSetup s;
  s.orbit = ctx.orbit;
  s.tstreadif = ctx.tstreadif;
  s.tendinp = ctx.tendinp;
  s.step = ctx.step;
  s.tstusr1900 = ctx.tstusr1900;
  s.epocsidang = ctx.epocsidang;
  if (!ctx.tle_file.empty()) s.tle = grid::TleOrbit{orbit::sgp4_init(ctx.tle), ctx.tle_offset_min};
  s.model = ctx.model;
  if (s.model == Model::precise) s.precise = grid::precise_table(s, thread_count(ctx.threads));
  return s;
}

Vec3 source_direction(double ra_deg, double dec_deg) {
  const double a = ra_deg * cnr, d = dec_deg * cnr;
  return {std::cos(d) * std::cos(a), std::cos(d) * std::sin(a), std::sin(d)};
}

void detect_shared(RunShared& shared, const grid::ScanSetup& s, const grid::Samples& g,
                   int threads) {
  shared.orbits = events::geteqcr(s, grid::equator_samples(s, g, threads), shared.iorb, threads);
  shared.eclipses = events::geteclp(s, g, threads);
  shared.saa = events::getsaa(s, g, threads);
  if (s.model == Model::precise)
    shared.penumbra = events::conical_shadow(s, g, events::penumbra, threads);
}

void detect_source(RunContext& ctx, const grid::ScanSetup& s, const grid::Samples& g,
                   const std::vector<events::OccultationParts>* geometry, bool keep_angles,
                   int threads) {
  const grid::SourceTrack src = grid::source_track(s, ctx.fc1, ctx.rasource, ctx.decsource);
  ctx.occults = events::getoccult(s, g, src, ctx.thetainp, threads, geometry);
  const view::ViewLimits lim{ctx.ywsvlim, ctx.rosvlim, ctx.nrosvlim, ctx.romlim, ctx.rovellim};
  view::ViewScan v = view::getatt(s, g, src, lim, keep_angles, threads);
  ctx.views = std::move(v.windows);
  ctx.totviewdur = v.totviewdur;
  ctx.met = std::move(v.met);
  ctx.angles = std::move(v.angles);
  ctx.angle_times.assign(g.t.begin(), g.t.begin() + static_cast<long>(ctx.angles.size()));
}

void detect(RunContext& ctx, const GridUser& then) {
  const grid::ScanSetup s = scan_setup(ctx);
  const int threads = thread_count(ctx.threads);
  ctx.fc1 = source_direction(ctx.rasource, ctx.decsource);
  const grid::Samples g = grid::user_samples(s, threads, ctx.flagcrang == 1);
  detect_shared(ctx, s, g, threads);
  detect_source(ctx, s, g, nullptr, ctx.flagcrang == 1, threads);
  if (then) then(s, g);
}

report::Heading heading(const RunContext& ctx) {
  return {ctx.celnm, ctx.rasource * cnr, ctx.decsource * cnr, ctx.istusr, ctx.ietusr,
          ctx.curt,  ctx.tdurs};
}

report::Timeline timeline(const RunContext& ctx) {
  return {ctx.iltread, ctx.tstreadif, ctx.nuserday, ctx.iorb, &ctx.orbits};
}

void write_reports(RunContext& ctx) {
  const report::Heading h = heading(ctx);
  const report::Timeline tl = timeline(ctx);
  report::write_occultation_report(ctx.outoccdsp, h, tl, ctx.occults);
  report::write_view_header(ctx.attinf, h);
  report::write_eclipse_header(ctx.eclpinf, h, ctx.eclipses.count() > 0);
  if (ctx.flagcrang == 1)
    report::write_angle_file(ctx.attinfang, h, ctx.angle_times, ctx.tstreadif, ctx.angles,
                             thread_count(ctx.threads));
  const report::Tables t{ctx.views, ctx.totviewdur, ctx.occults, ctx.saa, ctx.eclipses};
  report::write_visibility(ctx.attinf, ctx.eclpinf, ctx.outoccdsp, ctx.viewplot, daywise_name(ctx),
                           h, tl, t);
}

}  // namespace kv::driver
