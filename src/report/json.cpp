// The JSON document of a run (nlohmann-json).
#include "report/json.hpp"

#include <nlohmann/json.hpp>

#include "common/out_file.hpp"
#include "common/run_error.hpp"
#include "common/timescales.hpp"
#include "events/events.hpp"
#include "report/catalogue.hpp"

namespace kv::report {
namespace {

using nlohmann::ordered_json;

ordered_json elements(const Elements& q) {
  return {{"semi_major_axis_km", q[0]}, {"eccentricity", q[1]}, {"inclination_deg", q[2]},
          {"arg_perigee_deg", q[3]},    {"raan_deg", q[4]},     {"mean_anomaly_deg", q[5]}};
}

// One window: the epochs the text reports print, their modified Julian dates, the orbit
// number at the start and the length in minutes.
ordered_json window(const Timeline& tl, double left, double right) {
  const Epoch a = addtim(tl.iltread, left), b = addtim(tl.iltread, right);
  return {{"start", iso8601(a)},
          {"end", iso8601(b)},
          {"start_mjd", timdif(a).mjd},
          {"end_mjd", timdif(b).mjd},
          {"orbit", events::getorbnum(*tl.orbits, tl.iorb, left)},
          {"duration_min", (right - left) / 60}};
}

ordered_json windows(const Timeline& tl, const EventTable& t, bool skip_empty = false) {
  ordered_json list = ordered_json::array();
  for (std::size_t k = 0; k < t.t1.size(); ++k)
    if (!skip_empty || t.t2[k] - t.t1[k] > 0) list.push_back(window(tl, t.t1[k], t.t2[k]));
  return list;
}

double minutes(const EventTable& t, bool skip_empty = false) {
  double sum = 0;
  for (std::size_t k = 0; k < t.t1.size(); ++k)
    if (!skip_empty || t.t2[k] - t.t1[k] > 0) sum += (t.t2[k] - t.t1[k]) / 60;
  return sum;
}

ordered_json provenance(const Provenance& p) {
  ordered_json out;
  out["kelvis"] = {{"version", p.version}, {"commit", p.commit}};
  out["run_time"] = iso8601(p.run_time);
  out["request"] = {{"tokens", p.request_tokens},
                    {"user", p.user},
                    {"source", {{"name", p.source}, {"ra_deg", p.ra_deg}, {"dec_deg", p.dec_deg}}},
                    {"satellite", p.satellite},
                    {"start", iso8601(p.start)},
                    {"end", iso8601(p.end)},
                    {"limits_deg",
                     {{"roll_sun", p.roll_sun},
                      {"negative_roll_sun", p.neg_roll_sun},
                      {"roll_moon", p.roll_moon},
                      {"roll_velocity", p.roll_velocity},
                      {"earth_limb_margin", p.earth_margin},
                      {"yaw_sun", p.yaw_sun}}},
                    {"angle_file", p.angle_flag == 1},
                    {"tag", p.tag}};
  out["configuration"] = {{"file", p.config_file}, {"values", p.config_values}};
  if (p.tle_lines.empty()) {
    out["orbit_file"] = {{"path", p.orbit_file},
                         {"sha256", p.orbit_sha256},
                         {"epoch", iso8601(p.orbit_epoch)},
                         {"orbit_number", p.orbit_number},
                         {"osculating_elements", elements(p.osculating)},
                         {"mean_elements", elements(p.mean)}};
  } else {
    out["tle"] = {{"path", p.orbit_file},
                  {"sha256", p.orbit_sha256},
                  {"name", p.tle_name},
                  {"lines", p.tle_lines},
                  {"epoch", iso8601(p.orbit_epoch)},
                  {"revolution_number", p.orbit_number},
                  {"mean_elements", elements(p.mean)}};
  }
  const char* orbit_model =
      p.tle_lines.empty()
          ? "J2 secular propagation with first-order short-period terms (no drag)"
          : "SGP4 (WGS-72) from a two-line element set; TEME turned to the true equator and "
            "equinox of date by the equation of the equinoxes";
  out["model"] = model_name(p.model);
  out["orbit_age_days"] = {{"start", p.orbit_age_start_days}, {"end", p.orbit_age_end_days}};
  out["caveats"] = p.caveats;
  if (p.model == Model::precise) {
    out["models"] = {
        {"orbit", orbit_model},
        {"source",
         "apparent place of date: light deflection, annual aberration, IAU 2006/2000A "
         "precession-nutation (ERFA)"},
        {"sun_moon",
         "Sun from eraEpv00 with light time and aberration, Moon from eraMoon98 "
         "(ELP2000-82 abridged), both seen from the satellite"},
        {"nutation", "IAU 2000A (ERFA eraPnm06a)"},
        {"sidereal_time", "IAU 2006 Greenwich apparent sidereal time, UTC as UT1"},
        {"earth", "spherical Earth for occultation, conical umbra and penumbra"},
        {"saa", "fixed latitude/longitude region"},
        {"grid", "60 s; occultation, eclipse and node times refined by false position"}};
  } else {
    out["models"] = {
        {"orbit", orbit_model},
        {"sun_moon", "analytic Sun (Newcomb) and Moon (Brown, principal terms) of the 1900 epoch"},
        {"nutation", "Woolard series, 68 longitude and 39 obliquity terms"},
        {"sidereal_time", "Newcomb's mean sidereal time with the equation of the equinoxes"},
        {"earth", "spherical Earth for occultation, cylindrical shadow"},
        {"saa", "fixed latitude/longitude region"},
        {"grid", "60 s; occultation, eclipse and node times refined by false position"}};
  }
  ordered_json files = ordered_json::object();
  for (const auto& [role, name] : p.outputs) files[role] = name;
  out["outputs"] = files;
  return out;
}

ordered_json daywise_table(const Heading& h, const Timeline& tl, const Visibility& v) {
  const DayTotals d = daywise_with_partial(tl, h.tdurs, v);
  const int days = static_cast<int>(d.daynight.size());
  const bool partial = days > tl.nuserday;
  ordered_json list = ordered_json::array();
  for (int j = 0; j < days; ++j) {
    const Epoch date = addtim(h.istusr, j * daysec);
    const auto k = static_cast<std::size_t>(j);
    list.push_back({{"day", j},
                    {"date", strprintf("%04d-%02d-%02d", date[0], date[1], date[2])},
                    {"visibility_s", d.daynight[k]},
                    {"eclipse_viewing_s", d.night[k]},
                    {"partial", partial && j == days - 1}});
  }
  return list;
}

std::string date_time(const Epoch& iltread, double t) { return iso8601(addtimnew(iltread, t)); }

ordered_json seasons_json(const std::vector<Season>& seasons) {
  ordered_json list = ordered_json::array();
  for (const Season& s : seasons)
    list.push_back({{"first_date", s.first_date},
                    {"last_date", s.last_date},
                    {"visibility_min", s.visibility_min},
                    {"windows", s.windows},
                    {"longest_min", s.longest_min}});
  return list;
}

ordered_json next_json(const Epoch& iltread, const NextVisible& n) {
  if (!n.visible)
    return {
        {"in_limits_from", date_time(iltread, n.in_limits_from)},
        {"first_window",
         {{"start", date_time(iltread, n.first_start)}, {"end", date_time(iltread, n.first_end)}}}};
  ordered_json g = {{"next_gap_from", date_time(iltread, n.gap_from)}};
  if (n.gap_to_found) g["next_gap_to"] = date_time(iltread, n.gap_to);
  return g;
}

ordered_json limits_json(const LimitsReport& r) {
  static constexpr std::array<const char*, view::kLimitCount> kKeys{
      "roll_sun", "negative_roll_sun", "roll_moon", "roll_velocity", "yaw_sun"};
  ordered_json out;
  for (std::size_t i = 0; i < view::kLimitCount; ++i)
    out[kKeys[i]] = {{"excluded_s", r.account.limits[i].excluded_s},
                     {"alone_s", r.account.limits[i].alone_s},
                     {"min_deg", r.ranges[i].min_deg},
                     {"max_deg", r.ranges[i].max_deg}};
  out["occultation"] = {{"excluded_s", r.account.occultation.excluded_s},
                        {"alone_s", r.account.occultation.alone_s}};
  out["saa"] = {{"excluded_s", r.account.saa.excluded_s}, {"alone_s", r.account.saa.alone_s}};
  return out;
}

// The planner's answers of a single run, added to doc.
void add_answers(ordered_json& doc, const Timeline& tl, const Answers& a) {
  doc["seasons"] = seasons_json(a.seasons);
  ordered_json days = ordered_json::array(), months = ordered_json::array();
  for (const CalendarDay& d : a.calendar.days)
    days.push_back({{"date", d.date},
                    {"visibility_s", d.visibility_s},
                    {"eclipse_viewing_s", d.eclipse_viewing_s}});
  for (const CalendarMonth& m : a.calendar.months)
    months.push_back({{"month", m.month},
                      {"visibility_s", m.visibility_s},
                      {"eclipse_viewing_s", m.eclipse_viewing_s}});
  doc["calendar"] = {{"days", days}, {"months", months}};
  doc["limits_report"] = limits_json(a.limits);
  if (!a.why_not.empty()) doc["why_not"] = a.why_not;
  if (a.next) doc["next_visible"] = next_json(tl.iltread, *a.next);
  if (a.long_windows)
    doc["long_windows"] = {{"min_minutes", a.long_windows->min_minutes},
                           {"count", a.long_windows->windows.count()},
                           {"total_min", a.long_windows->total_min},
                           {"windows", windows(tl, a.long_windows->windows)}};
}

}  // namespace

std::vector<std::string> caveats(const Epoch& iltread, double tendinp) {
  std::vector<std::string> out;
  if (tendinp > orbit_age_caveat_days * daysec) {
    const Epoch e = addtim(iltread, orbit_age_caveat_days * daysec);
    out.push_back(strprintf(
        "per-orbit edges beyond %04d-%02d-%02dT%02d:%02d:%02dZ (%g days after the orbit epoch) "
        "are indicative only: the orbit model's along-track error grows with the orbit's age "
        "(about 6 km after 1 day and 60 km after 10 days without drag, thousands of km after "
        "100 days with drag at 650 km), so eclipse, occultation, SAA and orbit-number times "
        "may be off by seconds to minutes",
        e[0], e[1], e[2], e[3], e[4], e[5], orbit_age_caveat_days));
  }
  return out;
}

std::string iso8601(const Epoch& e) {
  return strprintf("%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", e[0], e[1], e[2], e[3], e[4], e[5], e[6]);
}

std::string json_document(const Provenance& p, const Heading& h, const Timeline& tl,
                          const RunTables& r, const std::string& pdf, bool pdf_made,
                          const Answers* answers) {
  const Visibility v = visibility_windows(r.tables);
  ordered_json doc;
  doc["schema_version"] = json_schema_version;
  doc["status"] = "success";
  doc.update(provenance(p));
  doc["windows"] = {{"visibility", windows(tl, v.viewact)},
                    {"eclipse_viewing", windows(tl, v.vieweclp, true)},
                    {"view", windows(tl, r.tables.views)},
                    {"occultations", windows(tl, r.tables.occults)},
                    {"eclipses", windows(tl, r.tables.eclipses)},
                    {"saa_passages", windows(tl, r.tables.saa)}};
  if (r.penumbra) doc["windows"]["penumbra"] = windows(tl, *r.penumbra);
  ordered_json nodes = ordered_json::array();
  for (std::size_t k = 0; k < r.orbits.torb1.size(); ++k) {
    const Epoch e = addtim(tl.iltread, r.orbits.torb1[k]);
    nodes.push_back({{"time", iso8601(e)}, {"mjd", timdif(e).mjd}, {"orbit", r.orbits.orbarr[k]}});
  }
  doc["ascending_nodes"] = nodes;
  doc["totals"] = {{"view_min", printed_view_total(r.tables)},
                   {"visibility_min", minutes(v.viewact)},
                   {"eclipse_viewing_min", minutes(v.vieweclp, true)}};
  doc["daywise"] = daywise_table(h, tl, v);
  if (answers) add_answers(doc, tl, *answers);
  doc["pdf"] = {{"file", pdf}, {"made", pdf_made}};
  return doc.dump(2) + "\n";
}

void write_catalogue_json(const std::string& path, const Provenance& p,
                          const std::vector<CatalogueRow>& rows) {
  nlohmann::ordered_json doc;
  doc["schema_version"] = json_schema_version;
  doc["status"] = "success";
  doc.update(provenance(p));
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const CatalogueRow& r : rows)
    list.push_back({{"name", r.name},
                    {"ra_deg", r.ra_deg},
                    {"dec_deg", r.dec_deg},
                    {"view_min", r.view_min},
                    {"visibility_min", r.visibility_min},
                    {"windows", r.windows},
                    {"longest_min", r.longest_min},
                    {"first_start", r.first_start},
                    {"last_start", r.last_start},
                    {"eclipse_viewing_min", r.eclipse_viewing_min}});
  for (std::size_t k = 0; k < rows.size(); ++k) {
    const CatalogueRow& r = rows[k];
    ordered_json& o = list[k];
    o["seasons"] = seasons_json(r.seasons);
    if (!r.why_not.empty()) o["why_not"] = r.why_not;
    if (r.next) o["next_visible"] = next_json(r.iltread, *r.next);
    if (r.long_windows) {
      ordered_json w = ordered_json::array();
      for (std::size_t i = 0; i < r.long_windows->windows.t1.size(); ++i)
        w.push_back({{"start", date_time(r.iltread, r.long_windows->windows.t1[i])},
                     {"end", date_time(r.iltread, r.long_windows->windows.t2[i])}});
      o["long_windows"] = {{"min_minutes", r.long_windows->min_minutes},
                           {"count", r.long_windows->windows.count()},
                           {"total_min", r.long_windows->total_min},
                           {"windows", w}};
    }
  }
  doc["sources"] = list;
  OutFile f;
  f.create_replacing(path);
  f.write(doc.dump(2) + "\n");
  f.close();
}

}  // namespace kv::report
