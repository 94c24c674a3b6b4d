#include "serve/openapi.hpp"

#include <nlohmann/json.hpp>

#include "serve/fields.hpp"

namespace kv::serve {
namespace {

using json = nlohmann::ordered_json;

// What each key of the run body holds (the table's order is that of api_keys).
struct KeyDoc {
  const char* key;
  const char* type;
  const char* text;
};
constexpr KeyDoc kKeyDocs[] = {
    {"user", "string", "user name: letters, digits and _ + - ., 1 to 24"},
    {"source", "string",
     "source name, 1 to 24 characters; blanks allowed inside (files use _ for them)"},
    {"tag", "string", "run tag: letters, digits and _ + - ., 1 to 99 (default api)"},
    {"ra", "string",
     "right ascension as text: degrees (83.633), hours (5.5755h), 05:34:31.94 or "
     "05h34m31.94s; give ra or ra_deg"},
    {"dec", "string",
     "declination as text: degrees (22.0145), +22:00:52.2 or 22d00m52.2s; give dec or dec_deg"},
    {"ra_deg", "number", "right ascension, degrees, 0 to 360"},
    {"dec_deg", "number", "declination, degrees, -90 to 90"},
    {"start", "string", "start, UTC: YYYY-MM-DDTHH:MM:SS[.mmm], optionally with Z or +00:00"},
    {"end", "string", "end, UTC, the same form; 0 < end - start <= 400 days"},
    {"limits", "object", "the five limits, degrees"},
    {"angle_file", "boolean", "also write the attitude angles every minute"},
    {"tle", "string", "a two-line element set (two or three lines) for the orbit"},
    {"model", "string", "the model set: \"classic\" (default) or \"precise\""},
    {"min_window", "number", "minutes: also list the visibility windows at least so long"},
    {"limits.roll_sun", "number",
     "the angle between the roll axis and the Sun must be more than this (default 45)"},
    {"limits.neg_roll_sun", "number",
     "the angle between the negative roll axis and the Sun must be more than this (45)"},
    {"limits.roll_moon", "number",
     "the angle between the roll axis and the Moon must be more than this (10)"},
    {"limits.roll_velocity", "number",
     "the angle between the roll axis and the orbital velocity must be more than this (10)"},
    {"limits.earth_margin", "number",
     "the Earth's disc widened by this angle hides the source (5)"},
};

json error_response(const char* text) {
  json r;
  r["description"] = text;
  r["content"]["application/json"]["schema"] = {{"type", "object"},
                                                {"properties", {{"error", {{"type", "string"}}}}}};
  return r;
}

json run_schema() {
  json props = json::object(), limits = json::object();
  for (const std::string& k : api_keys()) {
    const KeyDoc* d = nullptr;
    for (const KeyDoc& c : kKeyDocs)
      if (k == c.key) d = &c;
    const json p = {{"type", d ? d->type : "string"}, {"description", d ? d->text : ""}};
    if (k.rfind("limits.", 0) == 0) {
      limits[k.substr(7)] = p;
    } else {
      props[k] = p;
    }
  }
  props["limits"]["properties"] = limits;
  props["limits"]["additionalProperties"] = false;
  return {{"type", "object"},
          {"required", {"start", "end"}},
          {"additionalProperties", false},
          {"properties", props}};
}

json id_parameter() {
  return {{"name", "id"},
          {"in", "path"},
          {"required", true},
          {"schema", {{"type", "string"}, {"pattern", "^[0-9a-f]{32}$"}}}};
}

}  // namespace

std::string openapi_document() {
  const json doc_response = {
      {"description", "the run's JSON document (docs/json.md) with its run_id"},
      {"content", {{"application/json", {{"schema", {{"type", "object"}}}}}}}};
  const json queue_full = error_response("the queue is full; Retry-After says when to try again");
  json paths;
  paths["/api/v1/runs"]["post"] = {
      {"summary", "run a request"},
      {"requestBody",
       {{"required", true},
        {"content", {{"application/json", {{"schema", {{"$ref", "#/components/schemas/Run"}}}}}}}}},
      {"responses",
       {{"201", doc_response},
        {"202",
         {{"description",
           "a long run (over 30 days) was queued: Location names its address, where GET tells "
           "its state"}}},
        {"400", error_response("a field is malformed: the message names it")},
        {"413", error_response("the body is over 1 MB")},
        {"415", error_response("the body is not application/json")},
        {"422", error_response("the batch program's rules refuse the request")},
        {"500", error_response("the run or the server failed")},
        {"503", queue_full},
        {"504", error_response("the run was stopped at its time limit")},
        {"507", error_response("the disk budget is used up")}}}};
  paths["/api/v1/runs/{id}"]["get"] = {
      {"summary",
       "a run's state (queued, running, done or failed; a catalogue's sources_done and "
       "sources_total while it runs) and, once done, its document (a catalogue's: "
       "its sources and outputs.summary, the summary CSV)"},
      {"parameters", {id_parameter()}},
      {"responses", {{"200", doc_response}, {"404", error_response("no such run")}}}};
  paths["/api/v1/runs/{id}/files/{name}"]["get"] = {
      {"summary", "a file the run wrote (or the PDF of its reports, made when first asked)"},
      {"parameters",
       {id_parameter(),
        {{"name", "name"}, {"in", "path"}, {"required", true}, {"schema", {{"type", "string"}}}}}},
      {"responses",
       {{"200", {{"description", "the file"}}}, {"404", error_response("no such file")}}}};
  json query = json::array();
  for (const char* q : {"start", "end", "user", "tag", "roll_sun", "neg_roll_sun", "roll_moon",
                        "roll_velocity", "earth_margin"})
    query.push_back({{"name", q},
                     {"in", "query"},
                     {"required", std::string(q) == "start" || std::string(q) == "end"},
                     {"schema", {{"type", "string"}}}});
  paths["/api/v1/catalogues"]["post"] = {
      {"summary", "run a catalogue CSV (header name,ra,dec; positions in any accepted form)"},
      {"parameters", query},
      {"requestBody", {{"required", true}, {"content", {{"text/csv", json::object()}}}}},
      {"responses",
       {{"202",
         {{"description",
           "the catalogue was queued: Location names its address, where GET tells its state "
           "and, once done, its document"}}},
        {"400", error_response("a query field is malformed")},
        {"415", error_response("the body is not text/csv")},
        {"422", error_response("the catalogue (every bad row) or the request is refused")},
        {"503", queue_full}}}};
  paths["/api/v1/openapi.json"]["get"] = {
      {"summary", "this description"},
      {"responses", {{"200", {{"description", "the OpenAPI 3 document"}}}}}};
  const json doc = {
      {"openapi", "3.0.3"},
      {"info",
       {{"title", "kelvis"},
        {"version", "1"},
        {"description", "Viewing opportunities of the KELVORIN observatory satellite"}}},
      {"paths", paths},
      {"components", {{"schemas", {{"Run", run_schema()}}}}}};
  return doc.dump(2) + "\n";
}

}  // namespace kv::serve
