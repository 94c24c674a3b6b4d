// freadsource: the five searches, the window combination and the visibility reports.
#include <cmath>

#include "common/run_error.hpp"
#include "driver/timescales.hpp"
#include "events/events.hpp"
#include "report/report.hpp"
#include "view/scan.hpp"

namespace kv::report {
namespace {

constexpr const char* kNoView =
    "\n\n\t  no time all the attitude constraints were met for this source for the given period";

Window window_of(const EventTable& t) {
  Window w;
  for (int k = 0; k < t.count(); ++k) w.insert(t.t1[k], t.t2[k]);
  return w;
}

// Orbit number, entry and exit epochs of a window row.
struct Row {
  int orb;
  Epoch a, b;
  double minutes;
};
Row row_of(const RunContext& ctx, const Window::Interval& i) {
  return {events::getorbnum(ctx, i.left), driver::addtim(ctx.iltread, i.left),
          driver::addtim(ctx.iltread, i.right), (i.right - i.left) / 60};
}

// Rows of a window's intervals, with their start days (since the user start) and lengths (s).
std::vector<Row> rows_of(const RunContext& ctx, const Window& w, std::vector<double>& tday,
                         std::vector<double>& len) {
  std::vector<Row> rows;
  for (const Window::Interval& i : w.intervals()) {
    tday.push_back((i.left - ctx.tstreadif) / 86400);
    len.push_back(i.right - i.left);
    rows.push_back(row_of(ctx, i));
  }
  return rows;
}

void write_view_rows(RunContext& ctx, const Window& viewact, std::vector<double>& tday,
                     std::vector<double>& len) {
  for (const Row& r : rows_of(ctx, viewact, tday, len))
    ctx.attinf.printf(
        "\n %06d  %04d  %02d  %02d  %02d  %02d %02d %03d\t%04d  %02d  %02d  %02d  %02d  %02d "
        "%03d  %14.3f ",
        r.orb, r.a[0], r.a[1], r.a[2], r.a[3], r.a[4], r.a[5], r.a[6], r.b[0], r.b[1], r.b[2],
        r.b[3], r.b[4], r.b[5], r.b[6], r.minutes);
  if (ctx.views.count() == 0 || tday.empty()) ctx.attinf.printf("%s", kNoView);
  ctx.attinf.printf("\n\n\t\t\t\t\t************************");
  if (ctx.views.count() > 0 && ctx.totviewdur > 0)
    ctx.attinf.printf(
        "\n\n\t  Total View duration(does not account all operational constraints) of the "
        "source(RA: %lf(degrees) Dec: %lf(degrees) for the given user period is : %lf(min)",
        cdr * ctx.rasource, cdr * ctx.decsource, ctx.totviewdur);
  ctx.attinf.printf("\n\t\t\t\t\t************************\n\n\n");
}

void write_eclipse_rows(RunContext& ctx, const Window& vieweclp, std::vector<double>& tday,
                        std::vector<double>& len) {
  for (const Row& r : rows_of(ctx, vieweclp, tday, len))
    if (r.minutes > 0)
      ctx.eclpinf.printf(
          "\n %06d  %04d  %02d  %02d  %02d  %02d %02d %03d\t%04d  %02d  %02d  %02d  %02d  %02d "
          "%03d   %12.3f",
          r.orb, r.a[0], r.a[1], r.a[2], r.a[3], r.a[4], r.a[5], r.a[6], r.b[0], r.b[1], r.b[2],
          r.b[3], r.b[4], r.b[5], r.b[6], r.minutes);
  if (ctx.views.count() == 0 || tday.empty()) ctx.eclpinf.printf("%s", kNoView);
  ctx.eclpinf.printf("\n\n\t\t\t\t************************\n\n\n");
}

void write_occult_tail(RunContext& ctx) {
  if (ctx.occults.count() == 0)
    ctx.outoccdsp.printf("\n\n\t\t\tThere is no occult for this source for the given period");
  ctx.outoccdsp.printf("\n\n\t\t\t\t\t************************\n\n\n");
  ctx.outoccdsp.close();
}

void write_daywise(RunContext& ctx, const DayTotals& d) {
  OutFile& f = ctx.viewplot;
  f.create(strprintf("viewplot_%s%s%s_%s.txt", ctx.usrnm.c_str(), ctx.celnm.c_str(),
                     ctx.rndnum.c_str(), ctx.sid.c_str()));
  const Epoch& s = ctx.istusr;
  const Epoch& e = ctx.ietusr;
  f.printf("\t\t\t\t\t\t KELVORIN\n");
  f.printf("\t\t\t\t\tDay wise View Duration\n");
  f.printf("\n\n\tCelestial Source Name : %s \t\tRA(deg):%11.5f   Dec(deg):%11.5f",
           ctx.celnm.c_str(), ctx.rasource * cdr, ctx.decsource * cdr);
  f.printf("\n\tStartEpoch(UT): %04d %02d %02d %02d %02d %02d %03d ", s[0], s[1], s[2], s[3], s[4],
           s[5], s[6]);
  f.printf("\n\tEndEpoch(UT)  : %04d %02d %02d %02d %02d %02d %03d", e[0], e[1], e[2], e[3], e[4],
           e[5], e[6]);
  f.printf("\n\n\telapsed Day  Dur-Day+Night(sec)   Dur-Night(sec)");
  for (int j = 0; j < ctx.nuserday; ++j)
    f.printf("\n\t%d        %14.5lf    %14.5lf", j, d.daynight[static_cast<std::size_t>(j)],
             d.night[static_cast<std::size_t>(j)]);
  f.close();
}

void run_searches(RunContext& ctx) {
  ctx.views.clear();
  ctx.totviewdur = 0;
  ctx.outoccdsp.create(ctx.evnoccfnmdsp);
  ctx.decsource *= cnr;
  ctx.rasource *= cnr;
  const double a = ctx.rasource, d = ctx.decsource;
  ctx.fc1 = {std::cos(d) * std::cos(a), std::cos(d) * std::sin(a), std::sin(d)};
  events::geteqcr(ctx);
  events::geteclp(ctx);
  events::getsaa(ctx);
  events::getoccult(ctx);
  view::getatt(ctx);
}

}  // namespace

Combined combine_windows(const RunContext& ctx) {
  const Window occsaa = window_of(ctx.occults).unite(window_of(ctx.saa));
  Combined c;
  c.viewact = window_of(ctx.views).minus(occsaa);
  c.vieweclp = window_of(ctx.eclipses).intersect(c.viewact);
  return c;
}

DayTotals daywise(int nuserday, const std::vector<double>& tday, const std::vector<double>& len,
                  const std::vector<double>& tdayeclp, const std::vector<double>& leneclp) {
  const auto days = static_cast<std::size_t>(nuserday > 0 ? nuserday : 0);
  DayTotals d{std::vector<double>(days, 0.0), std::vector<double>(days, 0.0)};
  for (std::size_t j = 0; j < days; ++j) {
    for (std::size_t k = 0; k < tday.size(); ++k) {
      if (static_cast<std::size_t>(tday[k]) != j) continue;
      if (len[k] < 86400) {
        d.daynight[j] += len[k];
      } else if (len[k] > 86400) {
        const auto n = static_cast<std::size_t>(len[k] / 86400);
        for (std::size_t i = j + 1; i <= j + n && i < days; ++i) d.daynight[i] = 86400;
      }
    }
    for (std::size_t k = 0; k < tdayeclp.size(); ++k)
      if (static_cast<std::size_t>(tdayeclp[k]) == j) d.night[j] += leneclp[k];
  }
  return d;
}

// freadsource -- the main work of a run, after the set-up: searches, windows, reports.
void freadsource(RunContext& ctx) {
  run_searches(ctx);
  write_reports(ctx);
}

void write_reports(RunContext& ctx) {
  const Combined c = combine_windows(ctx);
  std::vector<double> tday, len, tdayeclp, leneclp;
  write_view_rows(ctx, c.viewact, tday, len);
  write_eclipse_rows(ctx, c.vieweclp, tdayeclp, leneclp);
  write_occult_tail(ctx);
  write_daywise(ctx, daywise(ctx.nuserday, tday, len, tdayeclp, leneclp));
}

}  // namespace kv::report
