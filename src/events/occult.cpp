// Earth occultation of the source: the Earth's disc widened by the margin angle thetainp.
#include <cmath>

#include "driver/timescales.hpp"
#include "events/events.hpp"

namespace kv::events {
namespace {

constexpr double kRe = 6378.1389997;  // Earth radius, km

void write_header(RunContext& ctx) {
  OutFile& f = ctx.outoccdsp;
  const Epoch& s = ctx.istusr;
  f.printf("\t\t\t\t\t\t    KELVORIN\n");
  f.printf("\t\t\t\t\t\toccult duration\n");
  f.printf("\n\n\tCelestial Source Name : %s \t\tRA(deg):%11.5f   Dec(deg):%11.5f",
           ctx.celnm.c_str(), cdr * ctx.rasource, cdr * ctx.decsource);
  f.printf("\n\tEpoch(UT): %d %d %d %d %d %d %d ", s[0], s[1], s[2], s[3], s[4], s[5], s[6]);
  f.printf("\n\tPropagation duration in days: %f ", ctx.tdurs / daysec);
  f.printf("\n\n\t\tEntry and Exit timings of the Occult duration of source");
  f.printf("\n\norbno\t\t   Entrance(UT)\t\t\t  Exit(UT)\t\t\tdur(min)");
}

void write_row(RunContext& ctx, double entry, double exit) {
  const Epoch a = driver::addtim(ctx.iltread, entry);
  const Epoch b = driver::addtim(ctx.iltread, exit);
  ctx.outoccdsp.printf(
      "\n%06d  %04d  %02d  %02d  %02d  %02d  %02d  %03d   %04d  %02d  %02d  %02d  %02d  %02d  "
      "%03d %16.4f",
      getorbnum(ctx, entry), a[0], a[1], a[2], a[3], a[4], a[5], a[6], b[0], b[1], b[2], b[3], b[4],
      b[5], b[6], (exit - entry) / 60);
}

}  // namespace

// foccult -- cosine of the source-nadir angle minus the cosine of the occultation cone's
// half-angle (Earth's angular radius plus thetainp): >= 0 when the source is hidden.
double foccult(const RunContext& ctx, double t) {
  const State st = orbit::stvsel(ctx.orbit, t);
  const double rho = std::sqrt(st[0] * st[0] + st[1] * st[1] + st[2] * st[2]);
  const Vec3 u{st[0] / rho, st[1] / rho, st[2] / rho};
  const double thetae = std::asin(kRe / rho) * cdr;
  const double a = (ctx.thetainp + thetae) * cnr;
  const double b = thetae * cnr;
  const double rp = kRe + (std::sin(a) / std::sin(b) - 1) * kRe;
  const double c = std::sqrt(1 - rp * rp / (rho * rho));
  const double m = ctx.fc1[0] * u[0] + ctx.fc1[1] * u[1] + ctx.fc1[2] * u[2];
  return -(c + m);
}

// getoccult -- occultations of the user period and their report rows. The scan examines the
// grid times after the start up to the first at or beyond tendinp - step; an occultation in
// progress at the end runs to tendinp.
void getoccult(RunContext& ctx) {
  write_header(ctx);
  ctx.occults = sign_scan([&](double t) { return foccult(ctx, t); }, ctx.tstreadif, ctx.step,
                          ctx.tendinp, ctx.tendinp - ctx.step, ctx.tendinp)
                    .on;
  for (int k = 0; k < ctx.occults.count(); ++k)
    write_row(ctx, ctx.occults.t1[k], ctx.occults.t2[k]);
}

}  // namespace kv::events
