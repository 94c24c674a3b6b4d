#include "view/scan.hpp"

#include "ephem/ephem.hpp"
#include "view/attitude.hpp"

namespace kv::view {
namespace {

// Lines 4 to 6 of the view report header, shared by the three files this scan heads.
void source_lines(RunContext& ctx, OutFile& f) {
  const Epoch& s = ctx.istusr;
  f.printf("\n\n\tCelestial Source Name : %s \t\tRA(deg):%11.5f   Dec(deg):%11.5f",
           ctx.celnm.c_str(), ctx.rasource * cdr, ctx.decsource * cdr);
  f.printf("\n\tEpoch(UT): %d %d %d %d %d %d %d ", s[0], s[1], s[2], s[3], s[4], s[5], s[6]);
  f.printf("\n\tPropagation duration in days: %f ", ctx.tdurs / daysec);
}

constexpr const char* kColumns = "\n\norbno\t\t   Entrance(UT)\t\t\t  Exit(UT)\t\t\tdur(min)";

void write_headers(RunContext& ctx) {
  OutFile& v = ctx.attinf;
  v.printf("\t\t\t\t\t\t\tKELVORIN\n");
  v.printf("\t\t\t\t\t\tView Opportunity Duration\n");
  v.printf("\t\t\tSystem(RUN) time in U.T: ");
  for (int f : ctx.curt) v.printf("%4d ", f);
  source_lines(ctx, v);
  v.printf("\n\n\t\t\t\t\t Entry and Exit timings of the source viewing");
  v.printf("%s", kColumns);

  OutFile& e = ctx.eclpinf;
  e.printf("\t\t\t\t\t\t\tKELVORIN\n");
  e.printf("\t\t\t\t\tView opportunity duration in Eclipse(PIMX)\n");
  source_lines(ctx, e);
  e.printf("\n\n\t\t\t\tEntry and Exit timings of the source viewing duration in eclipse(PIMX)");
  e.printf("%s", kColumns);
  if (ctx.eclipses.count() == 0) e.printf("\n\n\t\t\t\t\t\t\t\tNo eclipse");

  if (ctx.flagcrang != 1) return;
  OutFile& a = ctx.attinfang;
  a.printf("\t\t\t\t\t\t\t KELVORIN\n");
  a.printf("\t\t\t\t\t\t\tView Angles\n");
  source_lines(ctx, a);
  a.printf(
      "\n\n\telapsed time(min) yawsunang(deg)    rolsunang(deg)     -verollsunang(deg)    "
      "rolmunang(deg)      rolvelang(deg)");
}

}  // namespace

// in_view -- all five strict comparisons, in this order; an angle equal to its limit, or
// not a number, fails.
bool in_view(const RunContext& ctx, const AttAngles& a) {
  return a.yawsunang * cdr > ctx.ywsvlim && a.rolsunang * cdr > ctx.rosvlim &&
         a.verollsunang * cdr > ctx.nrosvlim && a.rolmunang * cdr > ctx.romlim &&
         a.rolvelang * cdr > ctx.rovellim;
}

void evntst(ViewWindow& w, double t) {
  if (w.open) return;
  w.start = t;
  w.open = 1;
}

void evntend(RunContext& ctx, ViewWindow& w, int inview, double t, bool last_sample) {
  if (!w.open || (inview && !last_sample)) return;
  w.open = 0;
  const double dur = (t - w.start) / 60;
  if (dur > min_view_window_minutes) {
    ctx.views.add(w.start, t);
    ctx.totviewdur += dur;
  }
}

// getatt -- samples tstreadif, tstreadif + step, ... up to the last grid time not beyond
// tdursread - step (1e-6 s margin); the user end itself is not sampled. A window is open
// from its first in-view sample to the first sample out of view, or to the last sample.
void getatt(RunContext& ctx) {
  write_headers(ctx);
  ViewWindow w;
  double t = ctx.tstreadif;
  for (;;) {
    int inview = 0;
    const double d = t / daysec + ctx.tstusr1900;
    const State st = orbit::stvsel(ctx.orbit, t);
    const ephem::SunMoon sm = ephem::surcha(d, -1);
    const AttAngles a = attang(ctx.fc1, st, sm.moon, sm.sun);
    if (ctx.flagcrang == 1)
      ctx.attinfang.printf("\n%18.6f %18.6f %18.6f %18.6f %18.6f %18.6f", (t - ctx.tstreadif) / 60,
                           a.yawsunang * cdr, a.rolsunang * cdr, a.verollsunang * cdr,
                           a.rolmunang * cdr, a.rolvelang * cdr);
    if (in_view(ctx, a)) {
      inview = 1;
      evntst(w, t);
    }
    const double next = t + ctx.step;
    const bool last = !(next - (ctx.tdursread - ctx.step) < 1e-6);
    evntend(ctx, w, inview, t, last);
    if (last) break;
    t = next;
  }
}

}  // namespace kv::view
