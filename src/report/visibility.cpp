// Window combination, the visibility rows and tails of the reports, and the day-wise file.
#include "common/timescales.hpp"
#include "events/events.hpp"
#include "report/report.hpp"
#include "report/window.hpp"

namespace kv::report {

double printed_view_total(const Tables& t) {
  return t.views.count() > 0 && t.totviewdur > 0 ? t.totviewdur : 0.0;
}

namespace {

constexpr const char* kNoView =
    "\n\n\t  no time all the attitude constraints were met for this source for the given period";

Window window_of(const EventTable& t) {
  Window w;
  for (int k = 0; k < t.count(); ++k)
    w.insert(t.t1[static_cast<std::size_t>(k)], t.t2[static_cast<std::size_t>(k)]);
  return w;
}

// Orbit number, entry and exit epochs of a window row.
struct Row {
  int orb;
  Epoch a, b;
  double minutes;
};

// Rows of a window's intervals, with their start days (since the user start) and lengths (s).
std::vector<Row> rows_of(const Timeline& tl, const Window& w, std::vector<double>& tday,
                         std::vector<double>& len) {
  std::vector<Row> rows;
  for (const Window::Interval& i : w.intervals()) {
    tday.push_back((i.left - tl.tstreadif) / daysec);
    len.push_back(i.right - i.left);
    rows.push_back({events::getorbnum(*tl.orbits, tl.iorb, i.left), addtim(tl.iltread, i.left),
                    addtim(tl.iltread, i.right), (i.right - i.left) / 60});
  }
  return rows;
}

void write_view_rows(OutFile& f, const Heading& h, const Timeline& tl, const Tables& t,
                     const Window& viewact, std::vector<double>& tday, std::vector<double>& len) {
  for (const Row& r : rows_of(tl, viewact, tday, len))
    f.printf(
        "\n %06d  %04d  %02d  %02d  %02d  %02d %02d %03d\t%04d  %02d  %02d  %02d  %02d  %02d "
        "%03d  %14.3f ",
        r.orb, r.a[0], r.a[1], r.a[2], r.a[3], r.a[4], r.a[5], r.a[6], r.b[0], r.b[1], r.b[2],
        r.b[3], r.b[4], r.b[5], r.b[6], r.minutes);
  if (t.views.count() == 0 || tday.empty()) f.printf("%s", kNoView);
  f.printf("\n\n\t\t\t\t\t************************");
  if (printed_view_total(t) > 0)
    f.printf(
        "\n\n\t  Total View duration(does not account all operational constraints) of the "
        "source(RA: %lf(degrees) Dec: %lf(degrees) for the given user period is : %lf(min)",
        cdr * h.rasource, cdr * h.decsource, t.totviewdur);
  f.printf("\n\t\t\t\t\t************************\n\n\n");
}

void write_eclipse_rows(OutFile& f, const Timeline& tl, const Tables& t, const Window& vieweclp,
                        std::vector<double>& tday, std::vector<double>& len) {
  for (const Row& r : rows_of(tl, vieweclp, tday, len))
    if (r.minutes > 0)
      f.printf(
          "\n %06d  %04d  %02d  %02d  %02d  %02d %02d %03d\t%04d  %02d  %02d  %02d  %02d  %02d "
          "%03d   %12.3f",
          r.orb, r.a[0], r.a[1], r.a[2], r.a[3], r.a[4], r.a[5], r.a[6], r.b[0], r.b[1], r.b[2],
          r.b[3], r.b[4], r.b[5], r.b[6], r.minutes);
  if (t.views.count() == 0 || tday.empty()) f.printf("%s", kNoView);
  f.printf("\n\n\t\t\t\t************************\n\n\n");
}

void write_occultation_tail(OutFile& f, const Tables& t) {
  if (t.occults.count() == 0)
    f.printf("\n\n\t\t\tThere is no occult for this source for the given period");
  f.printf("\n\n\t\t\t\t\t************************\n\n\n");
  f.close();
}

void write_daywise(OutFile& f, const std::string& name, const Heading& h, int nuserday,
                   const DayTotals& d) {
  f.create(name);
  const Epoch& s = h.istusr;
  const Epoch& e = h.ietusr;
  f.printf("\t\t\t\t\t\t KELVORIN\n");
  f.printf("\t\t\t\t\tDay wise View Duration\n");
  f.printf("\n\n\tCelestial Source Name : %s \t\tRA(deg):%11.5f   Dec(deg):%11.5f", h.celnm.c_str(),
           h.rasource * cdr, h.decsource * cdr);
  f.printf("\n\tStartEpoch(UT): %04d %02d %02d %02d %02d %02d %03d ", s[0], s[1], s[2], s[3], s[4],
           s[5], s[6]);
  f.printf("\n\tEndEpoch(UT)  : %04d %02d %02d %02d %02d %02d %03d", e[0], e[1], e[2], e[3], e[4],
           e[5], e[6]);
  f.printf("\n\n\telapsed Day  Dur-Day+Night(sec)   Dur-Night(sec)");
  for (std::size_t j = 0; j < static_cast<std::size_t>(std::max(nuserday, 0)); ++j)
    f.printf("\n\t%zu        %14.5lf    %14.5lf", j, d.daynight[j], d.night[j]);
  f.close();
}

// Visibility windows (views - (occults u saa)) and eclipse viewing windows
// (eclipses n visibility windows).
struct Combined {
  Window viewact;
  Window vieweclp;
};
Combined combine_windows(const Tables& t) {
  const Window occsaa = window_of(t.occults).unite(window_of(t.saa));
  Combined c;
  c.viewact = window_of(t.views).minus(occsaa);
  c.vieweclp = window_of(t.eclipses).intersect(c.viewact);
  return c;
}

}  // namespace

DayTotals daywise(int nuserday, const std::vector<double>& tday, const std::vector<double>& len,
                  const std::vector<double>& tdayeclp, const std::vector<double>& leneclp) {
  const auto days = static_cast<std::size_t>(nuserday > 0 ? nuserday : 0);
  DayTotals d{std::vector<double>(days, 0.0), std::vector<double>(days, 0.0)};
  for (std::size_t j = 0; j < days; ++j) {
    for (std::size_t k = 0; k < tday.size(); ++k) {
      if (static_cast<std::size_t>(tday[k]) != j) continue;
      if (len[k] < daysec) {
        d.daynight[j] += len[k];
      } else if (len[k] > daysec) {
        const auto n = static_cast<std::size_t>(len[k] / daysec);
        for (std::size_t i = j + 1; i <= j + n && i < days; ++i) d.daynight[i] = daysec;
      }
    }
    for (std::size_t k = 0; k < tdayeclp.size(); ++k)
      if (static_cast<std::size_t>(tdayeclp[k]) == j) d.night[j] += leneclp[k];
  }
  return d;
}

DayTotals daywise_with_partial(const Timeline& tl, double span_s, const Visibility& v) {
  std::vector<double> tday, len, tdayeclp, leneclp;
  for (std::size_t k = 0; k < v.viewact.t1.size(); ++k) {
    tday.push_back((v.viewact.t1[k] - tl.tstreadif) / daysec);
    len.push_back(v.viewact.t2[k] - v.viewact.t1[k]);
  }
  for (std::size_t k = 0; k < v.vieweclp.t1.size(); ++k) {
    tdayeclp.push_back((v.vieweclp.t1[k] - tl.tstreadif) / daysec);
    leneclp.push_back(v.vieweclp.t2[k] - v.vieweclp.t1[k]);
  }
  const int days = tl.nuserday + (span_s > tl.nuserday * daysec ? 1 : 0);
  return daywise(days, tday, len, tdayeclp, leneclp);
}

Visibility visibility_windows(const Tables& t) {
  const Combined c = combine_windows(t);
  Visibility v;
  for (const Window::Interval& i : c.viewact.intervals()) v.viewact.add(i.left, i.right);
  for (const Window::Interval& i : c.vieweclp.intervals()) v.vieweclp.add(i.left, i.right);
  return v;
}

void write_visibility(OutFile& view, OutFile& eclipse, OutFile& occult, OutFile& daywise_file,
                      const std::string& daywise_name, const Heading& h, const Timeline& tl,
                      const Tables& t) {
  const Combined c = combine_windows(t);
  std::vector<double> tday, len, tdayeclp, leneclp;
  write_view_rows(view, h, tl, t, c.viewact, tday, len);
  write_eclipse_rows(eclipse, tl, t, c.vieweclp, tdayeclp, leneclp);
  write_occultation_tail(occult, t);
  write_daywise(daywise_file, daywise_name, h, tl.nuserday,
                daywise(tl.nuserday, tday, len, tdayeclp, leneclp));
}

}  // namespace kv::report
