#include "report/catalogue.hpp"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "common/out_file.hpp"
#include "common/run_error.hpp"
#include "common/timescales.hpp"

namespace kv::report {

CatalogueRow catalogue_row(const std::string& name, double ra_deg, double dec_deg,
                           const Timeline& tl, const Tables& t) {
  CatalogueRow r;
  r.name = name;
  r.ra_deg = ra_deg;
  r.dec_deg = dec_deg;
  r.view_min = t.views.count() > 0 && t.totviewdur > 0 ? t.totviewdur : 0.0;
  for (std::size_t k = 0; k < t.views.t1.size(); ++k)
    r.view_windows_min += (t.views.t2[k] - t.views.t1[k]) / 60;
  const Visibility v = visibility_windows(t);
  for (std::size_t k = 0; k < v.viewact.t1.size(); ++k) {
    const double m = (v.viewact.t2[k] - v.viewact.t1[k]) / 60;
    r.visibility_min += m;
    r.longest_min = std::max(r.longest_min, m);
  }
  r.windows = v.viewact.count();
  if (r.windows > 0) {
    r.first_start = iso8601(addtim(tl.iltread, v.viewact.t1.front()));
    r.last_start = iso8601(addtim(tl.iltread, v.viewact.t1.back()));
  }
  for (std::size_t k = 0; k < v.vieweclp.t1.size(); ++k)
    if (v.vieweclp.t2[k] > v.vieweclp.t1[k])
      r.eclipse_viewing_min += (v.vieweclp.t2[k] - v.vieweclp.t1[k]) / 60;
  return r;
}

namespace {

// A CSV field: quoted when it holds a quote.
std::string field(const std::string& s) {
  if (s.find('"') == std::string::npos) return s;
  std::string q = "\"";
  for (char c : s) q += c == '"' ? std::string("\"\"") : std::string(1, c);
  return q + "\"";
}

}  // namespace

void write_catalogue_csv(const std::string& path, const std::vector<CatalogueRow>& rows) {
  OutFile f;
  f.create(path);
  f.printf(
      "name,ra_deg,dec_deg,view_min,visibility_min,windows,longest_min,first_start,last_start,"
      "eclipse_viewing_min\n");
  for (const CatalogueRow& r : rows)
    f.printf("%s,%.6f,%.6f,%.3f,%.3f,%d,%.3f,%s,%s,%.3f\n", field(r.name).c_str(), r.ra_deg,
             r.dec_deg, r.view_min, r.visibility_min, r.windows, r.longest_min,
             r.first_start.c_str(), r.last_start.c_str(), r.eclipse_viewing_min);
  f.close();
}

void write_catalogue_json(const std::string& path, const Provenance& p,
                          const std::vector<CatalogueRow>& rows) {
  nlohmann::ordered_json doc;
  doc["schema_version"] = json_schema_version;
  doc["status"] = "success";
  doc["kelvis"] = {{"version", p.version}, {"commit", p.commit}};
  doc["run_time"] = iso8601(p.run_time);
  doc["request_tokens"] = p.request_tokens;
  doc["configuration"] = {{"file", p.config_file}, {"values", p.config_values}};
  doc["orbit_file"] = {{"path", p.orbit_file},
                       {"sha256", p.orbit_sha256},
                       {"epoch", iso8601(p.orbit_epoch)},
                       {"orbit_number", p.orbit_number}};
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
  doc["sources"] = list;
  OutFile f;
  f.create(path);
  f.write(doc.dump(2) + "\n");
  f.close();
}

}  // namespace kv::report
