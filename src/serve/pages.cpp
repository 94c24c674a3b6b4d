#include "serve/pages.hpp"

#include "common/run_error.hpp"

namespace kv::serve {

using json = nlohmann::ordered_json;

const char* const kStyleSheet =
    "body{font-family:sans-serif;max-width:1100px;margin:2em auto;color:#222}\n"
    "label{display:inline-block;width:14em}input{margin:.2em}table{border-collapse:collapse}\n"
    "td,th{border:1px solid #ccc;padding:.2em "
    ".6em}.err{color:#a00;font-weight:bold;white-space:pre-line}\n"
    "img{max-width:100%}.help{color:#555}\n";

std::string html(const std::string& s) {
  std::string o;
  for (char c : s) {
    switch (c) {
      case '&':
        o += "&amp;";
        break;
      case '<':
        o += "&lt;";
        break;
      case '>':
        o += "&gt;";
        break;
      case '"':
        o += "&quot;";
        break;
      case '\'':
        o += "&#39;";
        break;
      default:
        o += c;
    }
  }
  return o;
}

namespace {

std::string head(const char* title) {
  return strprintf(
      "<!doctype html><html><head><meta charset=\"utf-8\"><title>%s</title>"
      "<link rel=\"stylesheet\" href=\"/style.css\"></head><body>",
      title);
}

// A field of the form, its value shown back (at most 40 characters of it), a line saying
// what it means ("" for none) and its fault beside it ("" for none).
std::string input(const char* name, const char* label, const std::string& value,
                  const char* help = "", const std::string& fault = "") {
  std::string p = strprintf(
      "<p><label for=\"%s\">%s</label><input id=\"%s\" name=\"%s\" value=\"%s\"%s>", name, label,
      name, name, html(value.substr(0, 40)).c_str(), fault.empty() ? "" : " aria-invalid=\"true\"");
  if (!fault.empty())
    p += " <span class=\"err\" id=\"" + std::string(name) + "-error\">" + html(fault) + "</span>";
  if (*help) p += strprintf("<br><small class=\"help\">%s</small>", help);
  return p + "</p>";
}

// The fault of a field among faults ("" for none).
std::string fault_of(const std::vector<FieldFault>& faults, const char* field) {
  for (const FieldFault& f : faults)
    if (f.field == field) return f.error.message;
  return "";
}

// What each limit means: the angle, between what, and the rule.
constexpr const char* kLimitHelp[] = {
    "degrees: the angle between the roll axis (pointed at the source) and the Sun must be more "
    "than this",
    "degrees: the angle between the negative roll axis and the Sun must be more than this",
    "degrees: the angle between the roll axis and the Moon must be more than this",
    "degrees: the angle between the roll axis and the orbital velocity must be more than this",
    "degrees: the Earth's disc seen from the satellite, widened by this angle, hides the source "
    "(occultation)",
};

std::string token_input(const std::string& token) {
  return "<input type=\"hidden\" name=\"form_token\" value=\"" + html(token) + "\">";
}

std::string file_link(const std::string& id, const std::string& f) {
  return "<a href=\"/runs/" + id + "/files/" + html(f) + "\">" + html(f) + "</a>";
}

}  // namespace

std::string form_page(const RunFields& f, const std::string& error, const std::string& token,
                      const std::vector<FieldFault>& faults, std::optional<double> yaw_sun) {
  std::string known =
      "<p><label for=\"known\">or a well-known source</label><select "
      "id=\"known\" name=\"known\"><option value=\"\">(the fields above)</option>";
  for (const Known& k : kKnown) known += strprintf("<option>%s</option>", k.name);
  known += "</select></p>";
  std::string page = head("kelvis") + "<h1>When can KELVORIN observe a source?</h1>";
  if (!faults.empty()) {
    page += "<p class=\"err\">Please correct the fields marked below.</p>";
  } else if (!error.empty()) {
    page += "<p class=\"err\">The run failed: " + html(error) + "</p>";
  }
  auto field = [&](const char* name, const char* label, const std::string& value,
                   const char* help = "") {
    return input(name, label, value, help, fault_of(faults, name));
  };
  const std::string yaw =
      yaw_sun ? strprintf(
                    "<p><label for=\"yaw_sun\">yaw-Sun limit</label><input id=\"yaw_sun\" "
                    "value=\"%g\" readonly><br><small class=\"help\">degrees, set by the "
                    "server's configuration: the angle between the yaw axis and the Sun "
                    "must be more than this</small></p>",
                    *yaw_sun)
              : "";
  page +=
      "<form method=\"post\" action=\"/runs\">" + token_input(token) +
      field("user", "user", f.user) +
      field("source", "source name", f.source, "blanks allowed (Cyg X-1); files use _ for them") +
      field("ra", "right ascension", f.ra_deg,
            "degrees (83.633), hours (5.5755h), 05:34:31.94 or 05h34m31.94s") +
      field("dec", "declination", f.dec_deg, "degrees (22.0145), +22:00:52.2 or 22d00m52.2s") +
      known + field("start", "start (UTC)", f.start, "YYYY-MM-DDTHH:MM:SS, Z allowed") +
      field("end", "end (UTC)", f.end, "at most 400 days after the start") +
      field("roll_sun", "roll-Sun limit", f.roll_sun, kLimitHelp[0]) +
      field("neg_roll_sun", "negative roll-Sun limit", f.neg_roll_sun, kLimitHelp[1]) +
      field("roll_moon", "roll-Moon limit", f.roll_moon, kLimitHelp[2]) +
      field("roll_velocity", "roll-velocity limit", f.roll_velocity, kLimitHelp[3]) +
      field("earth_margin", "Earth-limb margin", f.earth_margin, kLimitHelp[4]) + yaw +
      field("tag", "run tag", f.tag.empty() ? "web" : f.tag) +
      "<p><label for=\"angle_file\">attitude angles every minute</label>"
      "<input type=\"checkbox\" id=\"angle_file\" name=\"angle_file\"" +
      (f.angle_file ? " checked" : "") +
      "></p><p><label for=\"model\">model set</label><select id=\"model\" name=\"model\">"
      "<option value=\"classic\">classic (the stored reports' analytic models)</option>"
      "<option value=\"precise\"" +
      (f.model == "precise" ? " selected" : "") +
      ">precise (catalogue coordinates, ERFA Sun and Moon seen from the satellite)</option>"
      "</select></p><p><label for=\"tle\">orbit as a two-line element set (optional; "
      "instead of the server's orbit files)</label><br><textarea id=\"tle\" name=\"tle\" "
      "rows=\"3\" cols=\"72\">" +
      html(f.tle) +
      "</textarea></p><p><button type=\"submit\">Compute</button></p></form>"
      "<p><a href=\"/catalogue\">a whole catalogue</a> &middot; <a href=\"/sky\">sky map of a "
      "period</a></p></body></html>";
  return page;
}

// The planner's answers of a run's document: why not, seasons, next visibility, long windows.
static std::string answers_part(const json& doc) {
  std::string p;
  if (doc.contains("caveats"))
    for (const auto& c : doc["caveats"])
      p += "<p class=\"err\" id=\"caveat\">Note: " + html(c.get<std::string>()) + "</p>";
  if (doc.contains("why_not"))
    p += "<p id=\"why-not\">Never visible: " + html(doc["why_not"].get<std::string>()) + ".</p>";
  if (doc.contains("seasons") && !doc["seasons"].empty()) {
    p += "<h2>Seasons</h2><table id=\"seasons\"><tr><th>first day</th><th>last day</th>"
         "<th>minutes</th><th>windows</th><th>longest (min)</th></tr>";
    for (const json& s : doc["seasons"])
      p += strprintf("<tr><td>%s</td><td>%s</td><td>%.1f</td><td>%d</td><td>%.1f</td></tr>",
                     html(s["first_date"].get<std::string>()).c_str(),
                     html(s["last_date"].get<std::string>()).c_str(),
                     s["visibility_min"].get<double>(), s["windows"].get<int>(),
                     s["longest_min"].get<double>());
    p += "</table>";
  }
  if (doc.contains("next_visible")) {
    const json& n = doc["next_visible"];
    if (n.contains("first_window"))
      p += "<p id=\"next-visible\">Next visible " +
           html(n["first_window"]["start"].get<std::string>()) + " to " +
           html(n["first_window"]["end"].get<std::string>()) +
           " (within the attitude limits from " + html(n["in_limits_from"].get<std::string>()) +
           ").</p>";
    else
      p += "<p id=\"next-visible\">Next gap of more than a day from " +
           html(n["next_gap_from"].get<std::string>()) +
           (n.contains("next_gap_to") ? " to " + html(n["next_gap_to"].get<std::string>()) : "") +
           ".</p>";
  }
  if (doc.contains("long_windows")) {
    const json& l = doc["long_windows"];
    p += strprintf("<p id=\"long-windows\">%d windows of at least %g min, %.1f min in all.</p>",
                   l["count"].get<int>(), l["min_minutes"].get<double>(),
                   l["total_min"].get<double>());
  }
  return p;
}

std::string result_page(const std::string& id, const json& doc,
                        const std::vector<std::string>& files) {
  std::string p = head("kelvis run");
  const json& rq = doc["request"];
  p += "<h1>" + html(rq["source"]["name"].get<std::string>()) + ": visibility windows</h1>";
  const json& l = rq["limits_deg"];
  p += strprintf(
      "<p>%s to %s. Limits (deg): roll-Sun %g, negative roll-Sun %g, roll-Moon %g, "
      "roll-velocity %g, yaw-Sun %g, Earth-limb margin %g. Orbit file %s (epoch %s).</p>",
      html(rq["start"].get<std::string>()).c_str(), html(rq["end"].get<std::string>()).c_str(),
      l["roll_sun"].get<double>(), l["negative_roll_sun"].get<double>(),
      l["roll_moon"].get<double>(), l["roll_velocity"].get<double>(), l["yaw_sun"].get<double>(),
      l["earth_limb_margin"].get<double>(),
      html(doc["orbit_file"]["path"].get<std::string>()).c_str(),
      html(doc["orbit_file"]["epoch"].get<std::string>()).c_str());
  const json& t = doc["totals"];
  p += strprintf("<p>Visible %.1f min in %zu windows; in eclipse %.1f min.</p>",
                 t["visibility_min"].get<double>(), doc["windows"]["visibility"].size(),
                 t["eclipse_viewing_min"].get<double>());
  p += answers_part(doc);
  p += "<p><img id=\"plot\" alt=\"plot of the run\" src=\"/runs/" + id + "/files/plot.png\"></p>";
  p += "<table id=\"windows\"><tr><th>orbit</th><th>start (UTC)</th><th>end (UTC)</th>"
       "<th>minutes</th></tr>";
  for (const json& w : doc["windows"]["visibility"])
    p += strprintf("<tr><td>%d</td><td>%s</td><td>%s</td><td>%.3f</td></tr>", w["orbit"].get<int>(),
                   html(w["start"].get<std::string>()).c_str(),
                   html(w["end"].get<std::string>()).c_str(), w["duration_min"].get<double>());
  p += "</table><h2>Files</h2><ul>";
  const std::string pdf = doc["pdf"]["file"].get<std::string>();
  for (const std::string& f : files)
    if (f != pdf) p += "<li>" + file_link(id, f) + "</li>";
  p += "<li>" + file_link(id, pdf) +
       " (made when first asked for)</li></ul><p><a href=\"/\">another run</a></p></body></html>";
  return p;
}

namespace {

// The period and the five limits of a catalogue or sky-map form, each explained.
std::string period_and_limits(const RunFields& f) {
  return input("start", "start (UTC)", f.start, "YYYY-MM-DDTHH:MM:SS, Z allowed") +
         input("end", "end (UTC)", f.end, "at most 400 days after the start") +
         input("roll_sun", "roll-Sun limit", f.roll_sun, kLimitHelp[0]) +
         input("neg_roll_sun", "negative roll-Sun limit", f.neg_roll_sun, kLimitHelp[1]) +
         input("roll_moon", "roll-Moon limit", f.roll_moon, kLimitHelp[2]) +
         input("roll_velocity", "roll-velocity limit", f.roll_velocity, kLimitHelp[3]) +
         input("earth_margin", "Earth-limb margin", f.earth_margin, kLimitHelp[4]);
}

}  // namespace

std::string sky_form_page(const std::string& token, const std::string& error, const RunFields& f) {
  std::string p = head("kelvis sky map") + "<h1>Sky map of a period</h1>";
  if (!error.empty()) p += "<p class=\"err\">The run failed: " + html(error) + "</p>";
  p += "<form method=\"post\" action=\"/sky\">" + token_input(token) + period_and_limits(f) +
       input("nside", "NSIDE (1, 2, 4, 8 or 16)", "8",
             "HEALPix resolution: 12 NSIDE\u00b2 pixels, each a source") +
       "<p><button type=\"submit\">Compute</button></p></form>"
       "<p><a href=\"/\">one source</a></p></body></html>";
  return p;
}

std::string catalogue_form_page(const std::string& token, const std::string& error,
                                const RunFields& f, const std::string& csv) {
  std::string p = head("kelvis catalogue") + "<h1>A whole catalogue</h1>";
  if (!error.empty()) p += "<p class=\"err\">The run failed: " + html(error) + "</p>";
  p += "<form method=\"post\" action=\"/catalogue\" enctype=\"multipart/form-data\">" +
       token_input(token) +
       "<p><label for=\"csv\">catalogue (CSV)</label><br><textarea id=\"csv\" name=\"csv\" "
       "rows=\"8\" cols=\"72\">" +
       html(csv.empty() ? "name,ra,dec\nCyg X-1,19:58:21.68,+35:12:05.8\ncrab,83.633,22.0145\n"
                        : csv) +
       "</textarea><br><small class=\"help\">a header naming name, ra and dec (any letter case; "
       "source or target, ra_deg or ra_hms, dec_deg or dec_dms), then one source a line; "
       "positions in degrees, hours (5.5755h) or sexagesimal</small></p>"
       "<p><label for=\"csv_file\">or a CSV file</label> <input type=\"file\" id=\"csv_file\" "
       "name=\"csv_file\" accept=\".csv,text/csv,text/plain\"><br><small class=\"help\">a "
       "file chosen here is used instead of the text above</small></p>" +
       period_and_limits(f) +
       "<p><button type=\"submit\">Compute</button></p></form>"
       "<p><a href=\"/\">one source</a></p></body></html>";
  return p;
}

std::string pending_page(const std::string& id, const std::string& state,
                         std::optional<Progress> progress) {
  std::string p =
      strprintf(
          "<!doctype html><html><head><meta charset=\"utf-8\"><meta http-equiv=\"refresh\" "
          "content=\"3\"><title>kelvis run %s</title><link rel=\"stylesheet\" "
          "href=\"/style.css\"></head><body>",
          state.c_str()) +
      "<h1>The run is " + html(state) + "</h1><p id=\"state\">" + html(state) + "</p>";
  if (progress)
    p += strprintf(
        "<p id=\"progress\"><progress value=\"%llu\" max=\"%llu\"></progress> %llu of %llu "
        "sources done</p>",
        static_cast<unsigned long long>(progress->done),
        static_cast<unsigned long long>(progress->total),
        static_cast<unsigned long long>(progress->done),
        static_cast<unsigned long long>(progress->total));
  return p + "<p>This page looks again every 3 seconds until the result is there (run " + html(id) +
         ").</p></body></html>";
}

std::string catalogue_page(const std::string& id, const std::vector<std::string>& files) {
  std::string p = head("kelvis catalogue") + "<h1>Catalogue</h1><ul id=\"files\">";
  for (const std::string& f : files) p += "<li>" + file_link(id, f) + "</li>";
  return p + "</ul><p><a href=\"/catalogue\">another catalogue</a></p></body></html>";
}

std::string sky_page(const std::string& id, const std::vector<std::string>& files) {
  std::string p = head("kelvis sky map") + "<h1>Sky map</h1>";
  for (const std::string& f : files) {
    if (f.rfind("skymap_", 0) != 0) continue;
    p += f.ends_with(".png") ? "<p><img id=\"skymap\" alt=\"sky map\" src=\"/runs/" + id +
                                   "/files/" + html(f) + "\"></p>"
                             : "<p>" + file_link(id, f) + "</p>";
  }
  return p + "</body></html>";
}

std::string error_page(int status, const std::string& message) {
  return head("kelvis") + strprintf("<h1>%d</h1>", status) + "<p class=\"err\">" + html(message) +
         "</p><p><a href=\"/\">the run form</a></p></body></html>";
}

}  // namespace kv::serve
