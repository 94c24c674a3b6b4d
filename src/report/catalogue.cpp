#include "report/catalogue.hpp"

#include <algorithm>

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
  r.view_min = printed_view_total(t);
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
      "eclipse_viewing_min,seasons%s\n",
      !rows.empty() && rows.front().long_windows ? ",long_windows,long_total_min" : "");
  for (const CatalogueRow& r : rows) {
    f.printf("%s,%.6f,%.6f,%.3f,%.3f,%d,%.3f,%s,%s,%.3f,%s", field(r.name).c_str(), r.ra_deg,
             r.dec_deg, r.view_min, r.visibility_min, r.windows, r.longest_min,
             r.first_start.c_str(), r.last_start.c_str(), r.eclipse_viewing_min,
             seasons_field(r.seasons).c_str());
    if (r.long_windows)
      f.printf(",%d,%.3f", r.long_windows->windows.count(), r.long_windows->total_min);
    f.printf("\n");
  }
  f.close();
}

void write_progress(const std::string& path, std::size_t done, std::size_t total) {
  OutFile f;
  f.create_replacing(path);
  f.printf("{\"done\": %zu, \"total\": %zu}\n", done, total);
  f.close();
}

}  // namespace kv::report
